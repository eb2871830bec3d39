#include "detectors/sensorgraphicsitem2.h"
#include "detectors/zonegraphicsitem.h"
#include "io/projectdocument.h"
#include "io/sceneimage.h"
#include "io/zonebands.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QtMath>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kHall = QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj");

// A ring of `count` vertices around centre whose radius wobbles with the
// angle, so that neighbouring zones overlap in irregular ways.
QPolygonF wobblyRing(QPointF centre, double radius, int count, double wobble, double phase)
{
    QPolygonF ring;
    for (int i = 0; i < count; ++i) {
        const double angle = 2 * M_PI * i / count;
        const double r = radius * (1 + wobble * std::sin(5 * angle + phase));
        ring << centre + QPointF(r * std::cos(angle), r * std::sin(angle));
    }
    return ring;
}

ZoneGraphicsItem *addZone(QGraphicsScene &scene, const QVector<QPolygonF> &pieces,
    const QColor &fill, double penWidth = 0.2, bool cosmetic = true)
{
    QPen pen(QColor(fill.red(), fill.green(), fill.blue()), penWidth);
    pen.setCosmetic(cosmetic);
    auto *zone = new ZoneGraphicsItem(pen, QBrush(fill));
    zone->setPieces(pieces);
    zone->setZValue(1);
    scene.addItem(zone);
    return zone;
}

// A scene the test owns, with the rectangle it is drawn over.
struct Fixture
{
    std::unique_ptr<ProjectDocument> document;
    std::unique_ptr<QGraphicsScene> ownScene;
    QGraphicsScene *scene = nullptr;
    QRectF rect;
    QVector<ZoneGraphicsItem *> zones;

    QGraphicsScene &newScene(const QRectF &over)
    {
        ownScene = std::make_unique<QGraphicsScene>();
        scene = ownScene.get();
        rect = over;
        return *scene;
    }
};

// A plan below the zones and marks above them, as the program stacks them.
void addPlanAndMarks(QGraphicsScene &scene, const QRectF &rect)
{
    auto *plan = scene.addRect(
        rect.adjusted(0.5, 0.5, -0.5, -0.5), QPen(Qt::black, 0.05), QBrush(QColor(240, 235, 220)));
    plan->setZValue(0);
    auto *outline = scene.addRect(
        rect.adjusted(1, 1, -1, -1), QPen(QColor(0, 0, 160), 0.08), QBrush(Qt::NoBrush));
    outline->setZValue(2);
    auto *obstacle = scene.addRect(QRectF(rect.center(), QSizeF(1.3, 0.7)),
        QPen(Qt::darkGray, 0.03), QBrush(QColor(90, 90, 90, 200)));
    obstacle->setZValue(3);
    auto *label = scene.addSimpleText(QStringLiteral("Д1 ИП-2"));
    label->setScale(0.02);
    label->setPos(rect.topLeft() + QPointF(2, 2));
    label->setZValue(4);
}

void manyOverlapping(Fixture &f)
{
    QGraphicsScene &scene = f.newScene(QRectF(0, 0, 12, 7));
    addPlanAndMarks(scene, f.rect);
    for (int i = 0; i < 36; ++i) {
        const QPointF centre(1 + (i * 7 % 11), 1 + (i * 5 % 6) * 1.02);
        QVector<QPolygonF> pieces { wobblyRing(centre, 1.2 + 0.1 * (i % 5), 120, 0.3, i) };
        if (i % 4 == 0) // a hole
            pieces << wobblyRing(centre + QPointF(0.1, 0.05), 0.4, 40, 0.2, -i);
        const QColor fill = QColor::fromHsv(i * 37 % 360, 255, 230, 40 + i * 5 % 80);
        f.zones << addZone(scene, pieces, fill, i % 3 == 0 ? 0.4 : 0.2);
    }
}

void zonesTransformedAndOdd(Fixture &f)
{
    QGraphicsScene &scene = f.newScene(QRectF(-4, -3, 8, 6));
    addPlanAndMarks(scene, f.rect);
    const QVector<QPolygonF> star { wobblyRing(QPointF(0, 0), 1.5, 60, 0.4, 0.3) };
    ZoneGraphicsItem *turned = addZone(scene, star, QColor(255, 0, 0, 64));
    turned->setRotation(17.5);
    turned->setPos(-1.3, 0.4);
    ZoneGraphicsItem *scaled = addZone(scene, star, QColor(0, 128, 255, 90), 0.05, false);
    scaled->setScale(0.7);
    scaled->setPos(1.1, -0.6);
    ZoneGraphicsItem *selected = addZone(scene, star, QColor(0, 160, 0, 70));
    selected->setFlag(QGraphicsItem::ItemIsSelectable);
    selected->setSelected(true); // dashed outline
    selected->setPos(1.5, 1.2);
    ZoneGraphicsItem *faded = addZone(scene, star, QColor(128, 0, 128, 200));
    faded->setOpacity(0.35);
    addZone(scene, {}, QColor(255, 0, 0, 64)); // empty
    addZone(scene, star, QColor(0, 0, 0, 255))->setVisible(false);
    addZone(scene, star, QColor(0, 0, 0, 255))->setOpacity(0);
    ZoneGraphicsItem *outside = addZone(scene, star, QColor(0, 0, 0, 255));
    outside->setPos(20, 20);
    f.zones << turned << scaled << selected << faded;
}

// Horizontal edges at every band boundary of `bands` bands, and a little
// above and below, so that a boundary runs through antialiased edge pixels.
void edgesOnBoundaries(Fixture &f, int bands)
{
    QGraphicsScene &scene = f.newScene(QRectF(0, 0, 3, 2));
    addPlanAndMarks(scene, f.rect);
    const double pixel = f.rect.height() / sceneImageSize(f.rect).height();
    const int rows = sceneImageSize(f.rect).height();
    for (int band = 1; band < bands; ++band) {
        const double y = double(rows * band / bands) * pixel;
        for (double offset : { 0.0, 0.3, -0.45 }) {
            const double top = y + offset * pixel;
            f.zones << addZone(scene,
                { QPolygonF({ QPointF(0.2 + band * 0.01, top), QPointF(2.8, top + 0.5 * pixel),
                    QPointF(2.6, top + 9 * pixel), QPointF(0.4, top + 9 * pixel) }) },
                QColor(0, 0, 255, 50));
        }
    }
}

void sampleHall(Fixture &f, bool map)
{
    f.document = std::make_unique<ProjectDocument>();
    QVERIFY(f.document->load(kHall).loaded());
    if (map) {
        f.document->showCoverageMap(true);
        f.document->refreshCoverage();
    }
    f.document->updateSceneRect();
    f.scene = &f.document->scene();
    f.rect = f.scene->sceneRect();
    for (SensorGraphicsItem2 *detector : f.document->sensors())
        f.zones << detector->zone();
    QVERIFY(!f.zones.isEmpty());
}

QImage blankImage(const QRectF &rect)
{
    QImage image(sceneImageSize(rect), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(sceneImageDotsPerMeter);
    image.setDotsPerMeterY(sceneImageDotsPerMeter);
    image.fill(Qt::transparent);
    return image;
}

// How many pixels differ, and by how much at most in any channel.
QString difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    int count = 0;
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (p[x] == q[x])
                continue;
            ++count;
            for (int shift : { 0, 8, 16, 24 })
                most = qMax(most, qAbs(int((p[x] >> shift) & 0xff) - int((q[x] >> shift) & 0xff)));
        }
    }
    return QStringLiteral("%1 pixels differ, by up to %2").arg(count).arg(most);
}

struct ItemState
{
    bool visible;
    qreal opacity;
    bool selected;
    bool operator==(const ItemState &o) const
    {
        return visible == o.visible && opacity == o.opacity && selected == o.selected;
    }
};

QVector<ItemState> statesOf(QGraphicsScene *scene)
{
    QVector<ItemState> states;
    for (QGraphicsItem *item : scene->items(Qt::AscendingOrder))
        states.append({ item->isVisible(), item->opacity(), item->isSelected() });
    return states;
}

using Build = std::function<void(Fixture &)>;

} // namespace

Q_DECLARE_METATYPE(Build)

class TestZoneBands : public QObject
{
    Q_OBJECT

private slots:
    void sameAsOnePass_data();
    void sameAsOnePass();
    void fallsBackUntouched_data();
    void fallsBackUntouched();
    void exportUsesTheBands();
};

void TestZoneBands::sameAsOnePass_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<int>("bands");

    const Build hall = [](Fixture &f) { sampleHall(f, false); };
    QTest::newRow("sample hall") << hall << 0;
    QTest::newRow("sample hall, 3 bands") << hall << 3;
    QTest::newRow("sample hall, coverage map, faded zones")
        << Build([](Fixture &f) { sampleHall(f, true); }) << 0;
    QTest::newRow("overlapping translucent zones") << Build(manyOverlapping) << 0;
    QTest::newRow("overlapping translucent zones, 1 band") << Build(manyOverlapping) << 1;
    QTest::newRow("overlapping translucent zones, 29 bands") << Build(manyOverlapping) << 29;
    QTest::newRow("turned, scaled, selected, faded, empty and hidden zones")
        << Build(zonesTransformedAndOdd) << 11;
    // The group stacks above the zones of its z, and is drawn with what lies above.
    QTest::newRow("a zone in a group") << Build([](Fixture &f) {
        manyOverlapping(f);
        f.scene->createItemGroup({ f.zones.at(5) })->setZValue(1);
    }) << 0;
    for (int bands : { 2, 7, 24 })
        QTest::addRow("edges on the boundaries of %d bands", bands)
            << Build([bands](Fixture &f) { edgesOnBoundaries(f, bands); }) << bands;
    QTest::newRow("a band every row")
        << Build([](Fixture &f) { edgesOnBoundaries(f, 24); }) << 100000;
}

void TestZoneBands::sameAsOnePass()
{
    QFETCH(Build, build);
    QFETCH(int, bands);
    Fixture f;
    build(f);
    if (QTest::currentTestFailed())
        return;

    QImage reference = blankImage(f.rect);
    renderSceneOnePass(f.scene, f.rect, &reference);
    const QVector<ItemState> before = statesOf(f.scene);
    QImage banded = blankImage(f.rect);
    QVERIFY(renderSceneZonesInBands(f.scene, f.rect, &banded, bands));
    QCOMPARE(statesOf(f.scene), before);

    QVERIFY2(banded == reference, qPrintable(difference(banded, reference)));
    // The zones did draw: without them the image is another.
    for (ZoneGraphicsItem *zone : qAsConst(f.zones))
        zone->setVisible(false);
    QImage bare = blankImage(f.rect);
    renderSceneOnePass(f.scene, f.rect, &bare);
    QVERIFY(bare != reference);
}

void TestZoneBands::fallsBackUntouched_data()
{
    QTest::addColumn<Build>("build");

    QTest::newRow("an obstacle between two zones") << Build([](Fixture &f) {
        manyOverlapping(f);
        f.scene->addRect(QRectF(2, 2, 1, 1), QPen(), QBrush(Qt::black))->setZValue(1);
        addZone(*f.scene, { wobblyRing(QPointF(3, 3), 1, 30, 0.1, 0) }, QColor(0, 0, 0, 90));
    });
    QTest::newRow("a zone with a child") << Build([](Fixture &f) {
        manyOverlapping(f);
        new QGraphicsRectItem(QRectF(0, 0, 1, 1), f.zones.first());
    });
    QTest::newRow("a zone filled with an image") << Build([](Fixture &f) {
        manyOverlapping(f);
        QImage tile(4, 4, QImage::Format_ARGB32);
        tile.fill(Qt::red);
        f.zones.at(3)->setBrush(QBrush(tile));
    });
    QTest::newRow("an outline of under a pixel") << Build([](Fixture &f) {
        manyOverlapping(f);
        QPen thin = f.zones.at(7)->pen();
        thin.setWidthF(0.05);
        f.zones.at(7)->setPen(thin);
    });
    QTest::newRow("a background brush") << Build([](Fixture &f) {
        manyOverlapping(f);
        f.scene->setBackgroundBrush(Qt::white);
    });
    QTest::newRow("no zone") << Build(
        [](Fixture &f) { addPlanAndMarks(f.newScene(QRectF(0, 0, 3, 2)), f.rect); });
}

void TestZoneBands::fallsBackUntouched()
{
    QFETCH(Build, build);
    Fixture f;
    build(f);

    const QVector<ItemState> before = statesOf(f.scene);
    const QImage blank = blankImage(f.rect);
    QImage image = blank;
    QVERIFY(!renderSceneZonesInBands(f.scene, f.rect, &image));
    QCOMPARE(statesOf(f.scene), before);
    QVERIFY(image == blank);
    // The export draws the scene all the same, in one pass.
    QCOMPARE(renderSceneToImage(f.scene, f.rect),
        renderSceneToImage(f.scene, f.rect, ZonePainting::OnePass));
    QVERIFY(renderSceneToImage(f.scene, f.rect) != blank.convertToFormat(QImage::Format_ARGB32));
}

void TestZoneBands::exportUsesTheBands()
{
    // A selected item above the zones stays selected: hiding it for a pass
    // would drop its selection.
    Fixture f;
    manyOverlapping(f);
    QGraphicsRectItem *mark = f.scene->addRect(QRectF(4, 4, 1, 1), QPen(), QBrush(Qt::green));
    mark->setZValue(5);
    mark->setFlag(QGraphicsItem::ItemIsSelectable);
    mark->setSelected(true);
    QGraphicsRectItem *hidden = f.scene->addRect(QRectF(5, 4, 1, 1), QPen(), QBrush(Qt::blue));
    hidden->setZValue(3);
    hidden->setVisible(false);
    const QVector<ItemState> before = statesOf(f.scene);
    ZoneGraphicsItem::setDragPainting(f.scene, true);

    const QImage banded = renderScenePremultiplied(f.scene, f.rect);
    QCOMPARE(statesOf(f.scene), before);
    QVERIFY(mark->isSelected());
    QVERIFY(ZoneGraphicsItem::dragPainting(f.scene));
    const QImage reference = renderScenePremultiplied(f.scene, f.rect, ZonePainting::OnePass);
    QCOMPARE(banded.format(), QImage::Format_ARGB32_Premultiplied);
    QVERIFY2(banded == reference, qPrintable(difference(banded, reference)));
}

QTEST_MAIN(TestZoneBands)
#include "tst_zonebands.moc"
