#include "app/mainwindow.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

bool hasDisplay()
{
    auto isSet = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!hasDisplay()) {
        std::fputs("zor-position: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "run it under a virtual display: xvfb-run -a make run\n",
            stderr);
        return 1;
    }
#ifdef Q_OS_UNIX
    // A save past the file size limit fails and is reported like one onto a
    // full disk, instead of ending the program with the work unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
