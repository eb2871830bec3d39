// Builds the sample project examples/hall.prj over examples/hall.png with the
// program's own plan elements, in the order a user works: the image is loaded
// into a new project, the scale is set on the "24 000" dimension line, the
// hall's inner corners are traced, the equipment gets obstacles and the
// detectors are mounted on walls and an obstacle edge. The pixel coordinates
// come from examples/src/README (80 px per metre).
//
//   zor-makesample examples/hall.png examples/hall.prj

#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"

#include <QApplication>
#include <QPixmap>

#include <cmath>
#include <cstdio>

namespace {

struct Sample : ProjectDocument
{
    // A pixel of the plan image in scene coordinates, to the tenth of a millimetre
    // (the mapping leaves rounding dust such as -0.000000 otherwise).
    QPointF pixel(double x, double y) const
    {
        const QPointF p = planImage().mapToScene(QPointF(x, y));
        return QPointF(std::round(p.x() * 1e4) / 1e4 + 0.0, std::round(p.y() * 1e4) / 1e4 + 0.0);
    }
};

// The first image of a new project: its longer side spans 100 scene units and
// its centre lies on the scene origin.
void loadImage(Sample &s, const QPixmap &image)
{
    const double scale = 100.0 / qMax(image.width(), image.height());
    s.planPixmap() = image;
    s.planImage().setPixmap(image);
    s.planImage().setScale(scale);
    s.planImage().setPos(-(image.width() / 2) * scale, -(image.height() / 2) * scale);
}

// The scale mark on the dimension line, then the calibration result: the plan
// (only the image so far) shrinks by 1 / k about the origin.
void calibrate(Sample &s)
{
    QObject::connect(&s.caliber(), &CaliberGraphicsItem::caliberSetted, [&s](double k) {
        if (k == 0)
            return;
        const double factor = 1 / k;
        s.planImage().setScale(s.planImage().scale() * factor);
        s.planImage().setPos(s.planImage().pos() * factor);
    });
    const QPointF start = s.pixel(240, 284);
    const QPointF end = s.pixel(2160, 284);
    // The mark's dimension line runs 0.4 m above the printed one, towards the wall.
    s.caliber().setMeasurement(start, end, -0.4 * QLineF(start, end).length() / 24.0);
    s.caliber().applyScale(24.0);
}

void traceOutline(Sample &s)
{
    const QPolygonF corners({ s.pixel(240, 220), s.pixel(2160, 220), s.pixel(2160, 884),
        s.pixel(1664, 884), s.pixel(1664, 1260), s.pixel(240, 1260) });
    s.plan().setPath(corners);
}

ObjectGraphicsItem *addObstacle(Sample &s, int kind, QPointF topLeft, QPointF bottomRight)
{
    const QPointF a = s.pixel(topLeft.x(), topLeft.y());
    const QPointF b = s.pixel(bottomRight.x(), bottomRight.y());
    auto *obstacle = new ObjectGraphicsItem(kind);
    const QPointF centre = (a + b) / 2;
    obstacle->setGeometry(centre.x(), centre.y(), b.x() - a.x(), b.y() - a.y());
    s.objects().append(obstacle);
    s.scene().addItem(obstacle);
    return obstacle;
}

struct DetectorSettings
{
    const char *tag;
    char sensor;
    int analysis;
    bool noiseImmunity;
    int sensitivity;
    double height;
    int angle;
    int tilt;
    const char *interfaceName;
    const char *body;
    const char *in1;
    const char *in2;
    const char *certificate;
    bool hanger;
    bool rs1;
    bool rs2;
    QPointF labelOffset;
};

SensorGraphicsItem2 *addDetector(Sample &s, QGraphicsItem *surface, int section, double pos,
    bool atRight, const DetectorSettings &d)
{
    auto *detector = new SensorGraphicsItem2(s.objects(), &s.plan());
    s.scene().addItem(detector);
    if (!detector->setSurface(surface, section)) {
        std::fprintf(stderr, "zor-makesample: %s: no section %d\n", d.tag, section);
        delete detector;
        return nullptr;
    }
    detector->setPosition(pos, atRight);
    detector->setSensor(d.sensor);
    detector->setAnalysis(d.analysis);
    detector->setNoiseImmunity(d.noiseImmunity);
    detector->setSensitivity(quint16(d.sensitivity));
    detector->setAngle(d.angle);
    detector->setHeight(d.height);
    detector->setTilt(d.tilt);
    detector->setLabelPos(d.labelOffset);
    detector->setLabelScale(0.01);
    detector->setTag(QString::fromUtf8(d.tag));
    detector->setIn1(QString::fromUtf8(d.in1));
    detector->setIn2(QString::fromUtf8(d.in2));
    detector->setBody(QString::fromUtf8(d.body));
    detector->setInterfaceName(QString::fromUtf8(d.interfaceName));
    detector->setCertificate(QString::fromUtf8(d.certificate));
    detector->setOptionHanger(d.hanger);
    detector->setOptionRS1(d.rs1);
    detector->setOptionRS2(d.rs2);
    s.sensors().append(detector);
    return detector;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: zor-makesample PLAN.png OUT.prj\n", stderr);
        return 1;
    }
    const QString imagePath = QString::fromLocal8Bit(argv[1]);
    const QString outPath = QString::fromLocal8Bit(argv[2]);
    const QPixmap image(imagePath);
    if (image.isNull()) {
        std::fprintf(stderr, "zor-makesample: %s: cannot be read\n", argv[1]);
        return 2;
    }

    Sample s;
    loadImage(s, image);
    calibrate(s);
    traceOutline(s);

    const int rect = ObjectGraphicsItem::Rect;
    addObstacle(s, rect, { 360, 340 }, { 600, 460 }); // Станок 1
    addObstacle(s, rect, { 800, 340 }, { 1040, 460 }); // Станок 2
    addObstacle(s, rect, { 1240, 340 }, { 1480, 460 }); // Станок 3
    addObstacle(s, rect, { 1800, 668 }, { 2080, 732 }); // Верстак
    addObstacle(s, rect, { 320, 1164 }, { 960, 1244 }); // Стеллаж 1
    addObstacle(s, rect, { 400, 940 }, { 880, 1020 }); // Стеллаж 2
    addObstacle(s, rect, { 1400, 988 }, { 1600, 1100 }); // Компрессор
    addObstacle(s, ObjectGraphicsItem::Ellipse, { 1820, 360 }, { 2020, 560 }); // Ёмкость
    addObstacle(s, rect, { 704, 724 }, { 736, 756 }); // columns
    ObjectGraphicsItem *column = addObstacle(s, rect, { 1184, 724 }, { 1216, 756 });
    addObstacle(s, rect, { 1664, 724 }, { 1696, 756 });

    // Outline sections, clockwise from the top-left corner: 0 top wall, 1 right
    // wall, 2 and 3 the office partition, 4 bottom wall, 5 left wall. Obstacle
    // sections: 0 top, 1 right, 2 bottom, 3 left.
    addDetector(s, &s.plan(), 0, 1.5, false,
        { "ИП-1", '4', 0, false, 100, 6.0, 40, 30, "RS", "Алюминиевый сплав", "КВБ12", "Нет", "Нет",
            false, false, false, { -5.2, 0.9 } });
    addDetector(s, &s.plan(), 0, 1.5, true,
        { "ИП-2", '4', 3, true, 80, 6.0, -40, 30, "HART", "Нержавеющая сталь", "КВБМ20", "ШТ1/2\"",
            "РМРС", true, false, false, { 1.0, 0.9 } });
    addDetector(s, &s.plan(), 5, 4.0, false,
        { "ИП-3", '3', 0, false, 100, 4.5, 15, 15, "4-20", "Алюминиевый сплав", "КВМ15", "КВМ15-Н",
            "Нет", false, false, false, { 0.6, 0.9 } });
    addDetector(s, &s.plan(), 4, 9.5, false,
        { "ИП-4", '3', 0, true, 60, 5.0, -20, 20, "ДPRO", "Нержавеющая сталь", "ШТ20", "Нет", "РКО",
            false, true, false, { -4.2, -2.4 } });
    addDetector(s, column, 2, 0.2, false,
        { "ИП-5", '4', 2, false, 90, 3.5, 0, 10, "SF", "Алюминиевый сплав", "Нет", "Нет", "Нет",
            false, false, true, { 0.8, 0.6 } });
    addDetector(s, &s.plan(), 3, 1.0, false,
        { "ИП-6", '4', 1, false, 100, 4.0, 10, 25, "RS", "Алюминиевый сплав", "КВО10", "КВО10-Н",
            "РКО", false, false, false, { -4.2, -0.6 } });

    if (!s.save(outPath)) {
        std::fprintf(stderr, "zor-makesample: %s: cannot be written\n", argv[2]);
        return 2;
    }
    return 0;
}
