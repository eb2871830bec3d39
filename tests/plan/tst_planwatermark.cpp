#include "plan/planwatermark.h"
#include "plan/planwatermarkitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

namespace {

// The watermark as it was painted into a copy of the plan before the item
// existed, kept here as the reference.
QPixmap referenceWatermark(const QPixmap &image, const QImage &logo)
{
    QPixmap shown = image;
    if (image.isNull() || logo.isNull())
        return shown;
    const float W = image.width();
    const float H = image.height();
    const float sx = W / logo.width();
    const float sy = H / logo.height();
    if (sx == 0 || sy == 0)
        return shown;
    const float s = qMin(sx, sy);
    const float tileWidth = logo.width() * s;
    const float tileHeight = logo.height() * s;
    float x0 = (W - tileWidth) / 2;
    float y0 = (H - tileHeight) / 2;
    QPainter painter(&shown);
    painter.setOpacity(0.05);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto tile
        = [&](float x, float y) { painter.drawImage(QRectF(x, y, tileWidth, tileHeight), logo); };
    if (sx < sy) {
        if (int(sy / sx) % 2 == 0)
            y0 -= tileHeight / 2;
        for (float y = y0; y >= 0; y -= tileHeight)
            tile(x0, y);
        for (float y = y0 + tileHeight; y + tileHeight <= H; y += tileHeight)
            tile(x0, y);
    } else {
        if (int(sx / sy) % 2 == 0)
            x0 -= tileWidth / 2;
        for (float x = x0; x >= 0; x -= tileWidth)
            tile(x, y0);
        for (float x = x0 + tileWidth; x + tileWidth <= W; x += tileWidth)
            tile(x, y0);
    }
    return shown;
}

// A plan with lines and shades, so that a misplaced tile shows.
QPixmap plan(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(200 + (x * 7 + y * 3) % 56, 230 - (x + y) % 40, 250));
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(5, 5, width - 11, height - 11);
    return QPixmap::fromImage(image);
}

// The scene drawn at the given scale: the plain plan under the watermark item.
QImage drawnWithItem(const QPixmap &image, double scale)
{
    QGraphicsScene scene;
    auto *shown = new QGraphicsPixmapItem(image);
    shown->setTransformationMode(Qt::SmoothTransformation);
    scene.addItem(shown);
    auto *watermark = new PlanWatermarkItem(shown);
    watermark->setImageSize(image.size());
    const QSize size(qRound(image.width() * scale), qRound(image.height() * scale));
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    scene.render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), image.size()));
    return out;
}

// The copy drawn the same way.
QImage drawnCopy(const QPixmap &copy, double scale)
{
    QGraphicsScene scene;
    auto *shown = new QGraphicsPixmapItem(copy);
    shown->setTransformationMode(Qt::SmoothTransformation);
    scene.addItem(shown);
    const QSize size(qRound(copy.width() * scale), qRound(copy.height() * scale));
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    scene.render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), copy.size()));
    return out;
}

// The largest and the mean difference of the colour channels.
QPair<int, double> difference(const QImage &a, const QImage &b)
{
    int largest = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int d : { qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q) }) {
                largest = qMax(largest, qAbs(d));
                sum += qAbs(d);
            }
        }
    }
    return { largest, sum / (3.0 * a.width() * a.height()) };
}

} // namespace

class TestPlanWatermark : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void samePixels_data();
    void samePixels();
    void itemTakesNoClicks();

private:
    QImage logo;
};

void TestPlanWatermark::initTestCase()
{
    logo = watermarkLogo();
    QVERIFY(!logo.isNull());
}

void TestPlanWatermark::samePixels_data()
{
    // Sizes giving one tile, an odd and an even count, stacked and side by side.
    QTest::addColumn<QSize>("size");
    QTest::newRow("one tile") << QSize(720, 240);
    QTest::newRow("two stacked") << QSize(300, 200);
    QTest::newRow("three stacked") << QSize(240, 260);
    QTest::newRow("side by side, even") << QSize(900, 100);
    QTest::newRow("side by side, odd") << QSize(1000, 70);
    QTest::newRow("odd pixels") << QSize(333, 777);
}

void TestPlanWatermark::samePixels()
{
    QFETCH(QSize, size);
    const QPixmap image = plan(size.width(), size.height());
    const QImage reference
        = referenceWatermark(image, logo).toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(reference != image.toImage().convertToFormat(QImage::Format_RGB32));
    // The copy is painted as before, and the item paints the same pixels.
    QCOMPARE(
        watermarkedPlan(image, logo).toImage().convertToFormat(QImage::Format_RGB32), reference);
    QCOMPARE(watermarkedPlan(image).toImage().convertToFormat(QImage::Format_RGB32), reference);
    QCOMPARE(drawnWithItem(image, 1.0), reference);
    // Drawn smaller, as an export or a zoomed-out view draws it, the two
    // differ only by blending before or after scaling: never by more than the
    // watermark's own strength (5 % of 255), and next to nothing on the whole.
    const QPair<int, double> half
        = difference(drawnWithItem(image, 0.5), drawnCopy(referenceWatermark(image, logo), 0.5));
    QVERIFY2(half.first <= 13 && half.second < 0.5,
        qPrintable(QStringLiteral("%1 at most, %2 on average").arg(half.first).arg(half.second)));
}

void TestPlanWatermark::itemTakesNoClicks()
{
    QGraphicsScene scene;
    auto *shown = new QGraphicsPixmapItem(plan(100, 50));
    scene.addItem(shown);
    auto *watermark = new PlanWatermarkItem(shown);
    watermark->setImageSize(QSizeF(100, 50));
    QCOMPARE(watermark->boundingRect(), QRectF(0, 0, 100, 50));
    QCOMPARE(watermark->acceptedMouseButtons(), Qt::NoButton);
    QCOMPARE(watermark->parentItem(), shown);
}

QTEST_MAIN(TestPlanWatermark)
#include "tst_planwatermark.moc"
