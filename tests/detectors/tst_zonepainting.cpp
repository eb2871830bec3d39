#include "detectors/zonegraphicsitem.h"
#include "scene/geometry.h"

#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>

namespace {

// A zone of 1,300 vertices: a disc of radius 3 with a square hole.
QVector<QPolygonF> discWithHole(double radius = 3)
{
    QPolygonF disc;
    for (int i = 0; i < 1300; ++i)
        disc << radius * QPointF(std::cos(i * 2 * M_PI / 1300), std::sin(i * 2 * M_PI / 1300));
    const QPolygonF hole({ { -1, -1 }, { 1, -1 }, { 1, 1 }, { -1, 1 } });
    return { disc, hole };
}

QPen zonePen()
{
    QPen pen(QBrush(Qt::red), 0.2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    return pen;
}

const QBrush kZoneBrush(QColor(255, 0, 0, 64));

// A white image of `dpi` for the scene rectangle of side 8 at `pixelsPerUnit`.
QImage blankImage(int dpi, double pixelsPerUnit)
{
    const int side = qRound(8 * pixelsPerUnit);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    return image;
}

// An image of `dpi` with the scene rectangle of side 8 around `centre` drawn
// into it at `pixelsPerUnit`, as the image export draws the scene.
QImage sceneImage(
    QGraphicsScene &scene, int dpi, double pixelsPerUnit, const QPointF &centre = QPointF())
{
    QImage image = blankImage(dpi, pixelsPerUnit);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(image.rect()), QRectF(centre - QPointF(4, 4), QSizeF(8, 8)));
    return image;
}

// The same pieces stroked and filled by the toolkit in one call.
QImage directImage(const QVector<QPolygonF> &pieces, int dpi, double pixelsPerUnit)
{
    QImage image = blankImage(dpi, pixelsPerUnit);
    const int side = image.width();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(side / 2.0, side / 2.0);
    painter.scale(pixelsPerUnit, pixelsPerUnit);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const QPolygonF &piece : pieces) {
        path.addPolygon(piece);
        path.closeSubpath();
    }
    QPen pen = zonePen();
    pen.setWidthF(cosmeticPenWidth(pen, &painter));
    painter.setPen(pen);
    painter.setBrush(kZoneBrush);
    painter.drawPath(path);
    return image;
}

struct Difference
{
    double mean = 0; // per channel, of 255
    double share = 0; // of the pixels that differ by more than 64 in a channel
};

Difference difference(const QImage &a, const QImage &b)
{
    Difference d;
    qint64 sum = 0;
    qint64 large = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            int most = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const int channel = qAbs(int((pa[x] >> shift) & 255) - int((pb[x] >> shift) & 255));
                sum += channel;
                most = qMax(most, channel);
            }
            large += most > 64;
        }
    }
    const double pixels = double(a.width()) * a.height();
    d.mean = sum / (4 * pixels);
    d.share = large / pixels;
    return d;
}

} // namespace

class TestZonePainting : public QObject
{
    Q_OBJECT

private slots:
    void looksAsTheToolkitDrawsIt_data();
    void looksAsTheToolkitDrawsIt();
    void followsNewPiecesAndZoom();
};

void TestZonePainting::looksAsTheToolkitDrawsIt_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<double>("pixelsPerUnit");
    // The print image: a 2.4 pixel outline, drawn in short runs.
    QTest::newRow("300 dpi, 1:100") << 300 << 118.11;
    // A screen: a thin outline.
    QTest::newRow("96 dpi") << 96 << 40.0;
}

// The item draws fewer vertices and the wide outline in pieces; the picture is
// the one a single call draws, up to the antialiasing of a few edge pixels.
void TestZonePainting::looksAsTheToolkitDrawsIt()
{
    QFETCH(int, dpi);
    QFETCH(double, pixelsPerUnit);
    QGraphicsScene scene;
    auto *zone = new ZoneGraphicsItem(zonePen(), kZoneBrush);
    zone->setPieces(discWithHole());
    scene.addItem(zone);

    const QImage drawn = sceneImage(scene, dpi, pixelsPerUnit);
    const QImage direct = directImage(discWithHole(), dpi, pixelsPerUnit);
    const Difference d = difference(drawn, direct);
    QVERIFY2(d.mean < 0.2 && d.share < 0.0005,
        qPrintable(QStringLiteral("mean %1, share %2").arg(d.mean).arg(d.share)));
    // Each pixel on the outline, all round and at the hole's corners, is the
    // toolkit's but for where two runs of the outline meet (a quarter of a
    // pixel's coverage at most), and the hole stays white.
    const int side = drawn.width();
    QCOMPARE(drawn.pixelColor(side / 2, side / 2), QColor(Qt::white));
    QPolygonF onOutline({ { -1, -1 }, { 1, -1 }, { 1, 1 }, { -1, 1 } });
    for (int degrees = 0; degrees < 360; degrees += 7) {
        const double angle = qDegreesToRadians(double(degrees));
        onOutline << 3 * QPointF(std::cos(angle), std::sin(angle));
    }
    for (const QPointF &point : qAsConst(onOutline)) {
        const QPointF at = QPointF(side / 2.0, side / 2.0) + point * pixelsPerUnit;
        const QPoint pixel(int(std::floor(at.x())), int(std::floor(at.y())));
        const QColor mine = drawn.pixelColor(pixel);
        const QColor theirs = direct.pixelColor(pixel);
        QVERIFY2(theirs.green() < 200, "not a pixel of the outline");
        QVERIFY2(qAbs(mine.green() - theirs.green()) <= 64 && mine.red() == theirs.red(),
            qPrintable(QStringLiteral("(%1, %2): %3 against %4")
                           .arg(point.x())
                           .arg(point.y())
                           .arg(mine.name(), theirs.name())));
    }
}

// What the item prepares for one transform is dropped when the pieces or the
// scale change, and serves wherever the zone lies on the device.
void TestZonePainting::followsNewPiecesAndZoom()
{
    QGraphicsScene scene;
    auto *zone = new ZoneGraphicsItem(zonePen(), kZoneBrush);
    zone->setPieces(discWithHole());
    scene.addItem(zone);
    sceneImage(scene, 300, 118.11);

    zone->setPieces(discWithHole(2));
    QGraphicsScene fresh;
    auto *other = new ZoneGraphicsItem(zonePen(), kZoneBrush);
    other->setPieces(discWithHole(2));
    fresh.addItem(other);
    QCOMPARE(sceneImage(scene, 300, 118.11), sceneImage(fresh, 300, 118.11));
    QCOMPARE(sceneImage(scene, 300, 50), sceneImage(fresh, 300, 50));
    QVERIFY(sceneImage(scene, 300, 50) != sceneImage(fresh, 96, 50));
    const QPointF scrolled(0.537, -1.25);
    const QImage moved = sceneImage(scene, 300, 50, scrolled);
    QVERIFY(moved != sceneImage(scene, 300, 50));
    QGraphicsScene third;
    auto *unprepared = new ZoneGraphicsItem(zonePen(), kZoneBrush);
    unprepared->setPieces(discWithHole(2));
    third.addItem(unprepared);
    QCOMPARE(moved, sceneImage(third, 300, 50, scrolled));
}

QTEST_MAIN(TestZonePainting)
#include "tst_zonepainting.moc"
