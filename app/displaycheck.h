#pragma once

#include <QString>

#include <functional>

// The one-line message with which the program declines to start for want of a
// display, or an empty string when it can start. Only a system whose windows go
// through X11 or Wayland (kernelType as QSysInfo::kernelType() names it: not
// "winnt", not "darwin") needs DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM;
// environment reads a variable, empty when unset.
QString missingDisplayMessage(
    const QString &kernelType, const std::function<QByteArray(const char *)> &environment);
