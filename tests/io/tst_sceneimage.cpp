#include "io/sceneimage.h"

#include <QFile>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class DpiProbe : public QGraphicsRectItem
{
public:
    using QGraphicsRectItem::QGraphicsRectItem;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        deviceDpi = painter->device()->logicalDpiX();
        hints = painter->renderHints();
        QGraphicsRectItem::paint(painter, option, widget);
    }

    int deviceDpi = 0;
    QPainter::RenderHints hints;
};

} // namespace

class TestSceneImage : public QObject
{
    Q_OBJECT

private slots:
    void size_data();
    void size();
    void rendersTheSceneRectangle();
    void savedBySuffix_data();
    void savedBySuffix();
    void refusedNames_data();
    void refusedNames();
    void emptySceneRectWritesNothing();
    void pngHoldsTheRenderedPixels();
};

void TestSceneImage::size_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("room of 10 x 5 m") << QRectF(-5, -2.5, 10, 5) << QSize(1181, 591);
    QTest::newRow("uncalibrated plan of 100 x 70")
        << QRectF(-50, -35, 100, 70) << QSize(9791, 6854);
    QTest::newRow("square over the pixel cap") << QRectF(0, 0, 1000, 1000) << QSize(8192, 8192);
    QTest::newRow("wide over the pixel cap") << QRectF(0, 0, 400, 100) << QSize(16384, 4096);
    QTest::newRow("long thin strip") << QRectF(0, 0, 1e6, 1) << QSize(32767, 1);
    QTest::newRow("long side over the cap") << QRectF(0, 0, 500, 10) << QSize(32767, 655);
    QTest::newRow("tiny") << QRectF(0, 0, 0.001, 0.002) << QSize(1, 1);
    QTest::newRow("empty") << QRectF(0, 0, 0, 5) << QSize();
    QTest::newRow("not a number") << QRectF(0, 0, qQNaN(), 5) << QSize();
    QTest::newRow("infinite") << QRectF(0, 0, qInf(), 5) << QSize();
    QTest::newRow("huge") << QRectF(0, 0, 1e300, 1e300) << QSize(8192, 8192);
    QTest::newRow("overflowing") << QRectF(0, 0, 1e308, 1) << QSize();
}

void TestSceneImage::size()
{
    QFETCH(QRectF, rect);
    QFETCH(QSize, expected);
    const QSize size = sceneImageSize(rect);
    QCOMPARE(size, expected);
    QVERIFY(qint64(size.width()) * size.height() <= sceneImageMaxPixels);
}

void TestSceneImage::rendersTheSceneRectangle()
{
    QGraphicsScene scene;
    auto probe = new DpiProbe(0, 0, 5, 5);
    probe->setPen(Qt::NoPen);
    probe->setBrush(Qt::red);
    scene.addItem(probe);
    scene.addRect(QRectF(100, 100, 1, 1)); // outside the rectangle drawn below
    const QRectF rect(0, 0, 10, 5);

    const QImage image = renderSceneToImage(&scene, rect);
    QCOMPARE(image.size(), QSize(1181, 591));
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    QCOMPARE(image.dotsPerMeterX(), 11811);
    QCOMPARE(image.dotsPerMeterY(), 11811);
    QCOMPARE(probe->deviceDpi, 300);
    QVERIFY(probe->hints.testFlag(QPainter::Antialiasing));
    QVERIFY(probe->hints.testFlag(QPainter::TextAntialiasing));
    QVERIFY(probe->hints.testFlag(QPainter::SmoothPixmapTransform));

    // The left half is the red square, the right half stays transparent.
    QCOMPARE(image.pixel(100, 100), qRgba(255, 0, 0, 255));
    QCOMPARE(image.pixel(580, 580), qRgba(255, 0, 0, 255));
    QCOMPARE(qAlpha(image.pixel(600, 10)), 0);
    QCOMPARE(qAlpha(image.pixel(1180, 590)), 0);
}

void TestSceneImage::savedBySuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");

    QTest::newRow("png") << "scene_export.png" << QByteArray("png");
    QTest::newRow("jpg") << "scene.jpg" << QByteArray("jpeg");
    QTest::newRow("jpeg") << "scene.jpeg" << QByteArray("jpeg");
    QTest::newRow("bmp") << "scene.bmp" << QByteArray("bmp");
    QTest::newRow("capitals") << "SCENE.PNG" << QByteArray("png");
}

void TestSceneImage::savedBySuffix()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);

    QGraphicsScene scene;
    scene.addRect(QRectF(0, 0, 3, 2), QPen(Qt::black, 0), Qt::blue);
    scene.setSceneRect(-1, -1, 5, 4);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(exportSceneImage(&scene, path));

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(591, 472));
    QCOMPARE(image.dotsPerMeterX(), 11811);
    QCOMPARE(image.dotsPerMeterY(), 11811);
    if (format == "png")
        QCOMPARE(qAlpha(image.pixel(5, 5)), 0);
    // Deep inside the blue rectangle, whatever the format.
    const QColor inside = image.pixelColor(300, 250);
    QVERIFY(inside.blue() > 200 && inside.red() < 50 && inside.green() < 50);
}

void TestSceneImage::refusedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("no suffix") << "scene";
    QTest::newRow("other format") << "scene.gif";
    QTest::newRow("missing folder") << "missing/scene.png";
}

void TestSceneImage::refusedNames()
{
    QFETCH(QString, name);
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, 2, 2);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(!exportSceneImage(&scene, path));
    QVERIFY(!QFile::exists(path));
}

void TestSceneImage::emptySceneRectWritesNothing()
{
    QGraphicsScene scene;
    scene.setSceneRect(3, 3, 0, 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scene.png"));
    QVERIFY(!exportSceneImage(&scene, path));
    QVERIFY(!QFile::exists(path));
}

void TestSceneImage::pngHoldsTheRenderedPixels()
{
    // Translucent, overlapping and antialiased: every alpha the renderer
    // gives reaches the file exactly as the plain ARGB image holds it.
    QGraphicsScene scene;
    scene.addEllipse(
        QRectF(0, 0, 3, 2), QPen(QColor(0, 90, 0, 200), 0.05), QColor(200, 30, 30, 70));
    scene.addRect(QRectF(1, 0.5, 3, 2), QPen(Qt::NoPen), QColor(20, 40, 220, 130));
    scene.setSceneRect(-0.5, -0.5, 5, 3.3);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scene.png"));
    QVERIFY(exportSceneImage(&scene, path));

    const QImage rendered = renderSceneToImage(&scene, scene.sceneRect());
    QCOMPARE(rendered.format(), QImage::Format_ARGB32);
    const QImage saved = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(saved.dotsPerMeterX(), sceneImageDotsPerMeter);
    QCOMPARE(saved, rendered);
}

QTEST_MAIN(TestSceneImage)
#include "tst_sceneimage.moc"
