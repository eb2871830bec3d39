#include "app/windowplacement.h"

#include <QtGlobal>

QRect firstWindowGeometry(const QSize &wanted, const QRect &available, const QMargins &frame)
{
    const QRect inside = available.marginsRemoved(frame);
    const QSize size(qMin(wanted.width(), inside.width()), qMin(wanted.height(), inside.height()));
    QRect placed(QPoint(), size);
    placed.moveCenter(inside.center());
    return placed;
}
