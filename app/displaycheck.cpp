#include "app/displaycheck.h"

#include <QByteArray>

QString missingDisplayMessage(
    const QString &kernelType, const std::function<QByteArray(const char *)> &environment)
{
    // Windows and macOS draw through their own window systems.
    if (kernelType == QLatin1String("winnt") || kernelType == QLatin1String("darwin"))
        return QString();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        if (!environment(name).isEmpty())
            return QString();
    }
    return QStringLiteral("zor-position: no display found (neither DISPLAY nor WAYLAND_DISPLAY "
                          "is set); run it under a virtual display: xvfb-run -a make run");
}
