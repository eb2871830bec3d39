#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// Where a window first opens: at the size it wants (its client area) when that,
// with the frame around it, fits into the screen's available area; otherwise
// shrunk until it fits. Either way centred in that area. The returned rectangle
// is the client area, as QWidget::setGeometry takes it.
QRect firstWindowGeometry(const QSize &wanted, const QRect &available, const QMargins &frame);
