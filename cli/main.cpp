#include "cli/clicommands.h"

#include <QApplication>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define ZOR_CHECKED_BUILD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZOR_CHECKED_BUILD 1
#endif
#ifdef ZOR_CHECKED_BUILD
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// Where the tool's own messages go: the real stderr, kept aside while the
// libraries below Qt (libpng on a damaged image, for one) write theirs to
// nowhere. -1 while stderr itself is used.
int messageFd = -1;

void writeBytes(std::FILE *stream, int fd, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
#ifdef Q_OS_UNIX
    if (fd >= 0) {
        const char *data = bytes.constData();
        qint64 left = bytes.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, size_t(left));
            if (written <= 0)
                return;
            data += written;
            left -= written;
        }
        return;
    }
#else
    Q_UNUSED(fd)
#endif
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Only the tool's one-line messages reach stderr: the library's traces and
// warnings are no business of a script reading it.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        writeBytes(stderr, messageFd, "zor-position-cli: " + message.toUtf8() + '\n');
}

void silenceStderr()
{
#ifdef Q_OS_UNIX
    std::fflush(stderr);
    const int real = ::dup(STDERR_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (real >= 0 && nowhere >= 0 && ::dup2(nowhere, STDERR_FILENO) >= 0) {
        messageFd = real;
#ifdef ZOR_CHECKED_BUILD
        // A sanitizer's report must reach whoever runs the checked build.
        __sanitizer_set_report_fd(reinterpret_cast<void *>(static_cast<intptr_t>(real)));
#endif
    } else if (real >= 0) {
        ::close(real);
    }
    if (nowhere >= 0)
        ::close(nowhere);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    // No display is needed: the scene is drawn into files only.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    silenceStderr();
    qInstallMessageHandler(quietMessages);
#ifdef Q_OS_UNIX
    // A write past the file size limit then fails like one onto a full disk and
    // is reported, instead of killing the tool half-way.
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    QApplication application(argc, argv);
    // The watermark logo lives in the program's resources.

    Cli::Output output;
    const int status = Cli::run(application.arguments().mid(1), output);
    writeBytes(stdout, -1, output.out);
    writeBytes(stderr, messageFd, output.err);
#ifndef ZOR_CHECKED_BUILD
    // All is written: the process ends here, without taking apart the project
    // read, the application and the libraries piece by piece (15 ms of the
    // info of a project of 300 detectors). The checked builds go the long
    // way, for the leak checker to see everything freed.
    std::fflush(nullptr);
    std::_Exit(status);
#endif
    return status;
}
