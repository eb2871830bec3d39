#include "app/displaycheck.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"

#include <QApplication>
#include <QSysInfo>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

int main(int argc, char *argv[])
{
    const QString noDisplay = missingDisplayMessage(
        QSysInfo::kernelType(), [](const char *name) { return qgetenv(name); });
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }
#ifdef Q_OS_UNIX
    // A save past the file size limit fails and is reported like one onto a
    // full disk, instead of ending the program with the work unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication application(argc, argv);
    installQtTranslation(application);
    MainWindow window;
    window.placeOnScreen();
    window.show();
    return application.exec();
}
