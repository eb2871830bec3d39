#include "busyplan.h"

#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstdio>

void buildBusyPlan(ProjectDocument &document, int detectors, int obstacles)
{
    const int columns = std::max(1, int(std::ceil(std::sqrt(obstacles * 1.25))));
    const int rows = std::max(1, (obstacles + columns - 1) / columns);
    const double width = columns * 10 + 10;
    const double height = rows * 8 + 8;

    constexpr int kPixelsPerMetre = 20;
    QPixmap image(int(width * kPixelsPerMetre), int(height * kPixelsPerMetre));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        for (int x = 0; x < image.width(); x += 2 * kPixelsPerMetre)
            painter.drawLine(x, 0, x, image.height());
    }
    document.planImage().setScale(1.0 / kPixelsPerMetre);
    document.setPlanImage(image, QPointF(width / 2, height / 2));
    document.plan().setPath(QPolygonF({ { -width / 2, -height / 2 }, { width / 2, -height / 2 },
        { width / 2, height / 2 }, { -width / 2, height / 2 } }));

    for (int i = 0; i < obstacles; ++i) {
        const int row = i / columns;
        const int column = i % columns;
        const int kind
            = (row + column) % 2 == 0 ? ObjectGraphicsItem::Rect : ObjectGraphicsItem::Ellipse;
        auto *obstacle = new ObjectGraphicsItem(kind);
        obstacle->setGeometry(-width / 2 + 10 + column * 10, -height / 2 + 8 + row * 8, 3, 2);
        document.scene().addItem(obstacle);
        document.objects().append(obstacle);
    }
    const int onObstacles = std::min(obstacles, 2 * detectors / 3);
    for (int i = 0; i < detectors; ++i) {
        auto *detector = new SensorGraphicsItem2(document.objects(), &document.plan());
        document.scene().addItem(detector);
        if (i < onObstacles)
            detector->setSurface(document.objects().at(i), i % 4);
        else
            detector->setSurface(&document.plan(), i % 4);
        detector->setPosition(1 + (i % 3), false);
        detector->setSensor(i % 2 ? '4' : '3');
        detector->setAngle((i % 7) * 10 - 30);
        detector->setTilt(i % 3 * 10);
        detector->setZValues();
        detector->updateZone();
        detector->updateLabelText();
        document.sensors().append(detector);
    }
    document.resetHistory();
}

bool loadSampleHall(ProjectDocument &document)
{
    if (document.load(QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj")).loaded())
        return true;
    std::fprintf(stderr, "examples/hall.prj could not be loaded\n");
    return false;
}
