#include "common/testwindow.h"

#include "app/mainwindow.h"
#include "app/settingskeys.h"
#include "common/scriptedprompts.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

namespace TestWindow {

void clearSettings()
{
    QSettings settings(QString::fromLatin1(SettingsKeys::Organization),
        QString::fromLatin1(SettingsKeys::Application));
    settings.clear();
    settings.setValue(QString::fromLatin1(SettingsKeys::Never), true);
}

MainWindow *open(ScriptedPrompts **prompts, QSize size)
{
    auto *window = new MainWindow;
    *prompts = ScriptedPrompts::installOn(*window);
    if (size.isValid())
        window->resize(size);
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        delete window;
        *prompts = nullptr;
        return nullptr;
    }
    // The start-up checks run on the first turn of the event loop.
    QCoreApplication::processEvents();
    return window;
}

QString close(MainWindow *&window, ScriptedPrompts *&prompts)
{
    const QString left = prompts && !prompts->ok() ? prompts->report() : QString();
    delete window;
    window = nullptr;
    prompts = nullptr;
    return left;
}

} // namespace TestWindow
