#include "io/planscenerect.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/graphicslineitem.h"

#include <QGraphicsPixmapItem>

namespace {

constexpr double kSceneMargin = 1.1;

} // namespace

QRectF detectorsSceneRect(
    const QList<SensorGraphicsItem2 *> &detectors, bool showRays, bool showLabels)
{
    QRectF rect;
    for (const SensorGraphicsItem2 *detector : detectors) {
        rect |= detector->sceneBoundingRect();
        if (detector->zone() && detector->zone()->isVisible())
            rect |= detector->zone()->sceneBoundingRect();
        if (showRays && detector->ray())
            rect |= detector->ray()->sceneBoundingRect();
        if (showLabels && detector->label() && detector->label()->scene())
            rect |= detector->label()->sceneBoundingRect();
    }
    return rect;
}

QRectF planItemsRect(const ProjectParts &parts, bool showRays, bool showLabels)
{
    QRectF rect;
    if (parts.planImage->isVisible())
        rect |= parts.planImage->sceneBoundingRect();
    if (parts.plan->isVisible())
        rect |= parts.plan->sceneBoundingRect();
    if (parts.caliber->isVisible())
        rect |= parts.caliber->linesSceneRect();
    for (const ObjectGraphicsItem *object : qAsConst(*parts.objects))
        rect |= object->sceneBoundingRect();
    rect |= detectorsSceneRect(*parts.sensors, showRays, showLabels);
    return rect;
}

QRectF planSceneRect(const ProjectParts &parts, bool showRays, bool showLabels)
{
    const QRectF rect = planItemsRect(parts, showRays, showLabels);
    return QRectF(rect.topLeft() * kSceneMargin, rect.bottomRight() * kSceneMargin);
}
