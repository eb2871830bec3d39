#pragma once

class QCoreApplication;

// Loads Qt's own Russian texts (the standard buttons Да, Нет, Отмена, the file
// dialogs) from the copy compiled into the program and installs them on app,
// which owns the translator. The program's own texts are Russian already.
// False when the copy cannot be loaded; Qt's English texts stay then.
bool installQtTranslation(QCoreApplication &app);
