#include "app/commandline.h"
#include "app/displaycheck.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"
#include "app/settingskeys.h"

#include <QApplication>
#include <QSysInfo>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments);
    switch (line.action) {
    case CommandLine::ShowHelp:
        print(stdout, CommandLine::helpText());
        return 0;
    case CommandLine::ShowVersion:
        print(stdout, CommandLine::versionText());
        return 0;
    case CommandLine::Fail:
        print(stderr, QStringLiteral("zor-position: %1\n").arg(line.message));
        print(stderr, CommandLine::helpText());
        return 1;
    case CommandLine::Run:
        break;
    }

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
    // The per-user data folder (recovery files) is named after these.
    QCoreApplication::setOrganizationName(QString::fromUtf8(SettingsKeys::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(SettingsKeys::Application));
    MainWindow window;
    window.placeOnScreen();
    window.openAtStart(line.file);
    window.show();
    return application.exec();
}
