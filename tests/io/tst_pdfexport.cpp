#include "io/pdfexport.h"

#include <QFile>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Remembers where on the device it was painted and at what resolution.
class ProbeItem : public QGraphicsRectItem
{
public:
    using QGraphicsRectItem::QGraphicsRectItem;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        deviceRect = painter->worldTransform().mapRect(rect());
        deviceDpi = painter->device()->logicalDpiX();
        ++paints;
        QGraphicsRectItem::paint(painter, option, widget);
    }

    QRectF deviceRect;
    int deviceDpi = 0;
    int paints = 0;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The media boxes of every page of a PDF written by this program, in points.
QVector<QRectF> mediaBoxes(const QByteArray &pdf)
{
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])"));
    QVector<QRectF> boxes;
    auto it = box.globalMatch(QString::fromLatin1(pdf.constData(), pdf.size()));
    while (it.hasNext()) {
        const auto match = it.next();
        const double x0 = match.captured(1).toDouble(), y0 = match.captured(2).toDouble();
        boxes << QRectF(
            QPointF(x0, y0), QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
    }
    return boxes;
}

int pageCount(const QByteArray &pdf)
{
    return QString::fromLatin1(pdf.constData(), pdf.size())
        .count(QRegularExpression(QStringLiteral(R"(/Type\s*/Page\b)")));
}

} // namespace

class TestPdfExport : public QObject
{
    Q_OBJECT

private slots:
    void fitTopLeft_data();
    void fitTopLeft();
    void pageSizeAndOrientation_data();
    void pageSizeAndOrientation();
    void printerKeepsItsLayout();
    void widePlanFillsThePrintableWidth();
    void tallPlanFillsThePrintableHeight();
    void nameWithoutSuffixStillPdf();
    void unwritablePath();
};

void TestPdfExport::fitTopLeft_data()
{
    QTest::addColumn<QRectF>("source");
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("wide into tall")
        << QRectF(-50, -10, 100, 20) << QRectF(0, 0, 200, 300) << QRectF(0, 0, 200, 40);
    QTest::newRow("tall into wide")
        << QRectF(3, 4, 10, 40) << QRectF(5, 6, 400, 200) << QRectF(5, 6, 50, 200);
    QTest::newRow("same shape") << QRectF(0, 0, 2, 1) << QRectF(0, 0, 20, 10)
                                << QRectF(0, 0, 20, 10);
    QTest::newRow("empty source") << QRectF(0, 0, 0, 5) << QRectF(1, 2, 20, 10)
                                  << QRectF(1, 2, 0, 0);
}

void TestPdfExport::fitTopLeft()
{
    QFETCH(QRectF, source);
    QFETCH(QRectF, area);
    QFETCH(QRectF, expected);
    QCOMPARE(::fitTopLeft(source, area), expected);
}

void TestPdfExport::pageSizeAndOrientation_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSizeF>("points");

    QTest::newRow("A4 portrait") << int(QPageSize::A4) << int(QPageLayout::Portrait)
                                 << QSizeF(595.28, 841.89);
    QTest::newRow("A3 landscape") << int(QPageSize::A3) << int(QPageLayout::Landscape)
                                  << QSizeF(1190.55, 841.89);
    QTest::newRow("A2 portrait") << int(QPageSize::A2) << int(QPageLayout::Portrait)
                                 << QSizeF(1190.55, 1683.78);
    QTest::newRow("A1 landscape") << int(QPageSize::A1) << int(QPageLayout::Landscape)
                                  << QSizeF(2383.94, 1683.78);
}

void TestPdfExport::pageSizeAndOrientation()
{
    QFETCH(int, size);
    QFETCH(int, orientation);
    QFETCH(QSizeF, points);

    QGraphicsScene scene;
    scene.addRect(0, 0, 30, 20);
    scene.setSceneRect(0, 0, 30, 20);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan.pdf"));
    QVERIFY(exportScenePdf(&scene, path, QPageSize(QPageSize::PageSizeId(size)),
        QPageLayout::Orientation(orientation)));

    const QByteArray pdf = readAll(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pageCount(pdf), 1);
    const QVector<QRectF> boxes = mediaBoxes(pdf);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().topLeft(), QPointF(0, 0));
    QVERIFY2(qAbs(boxes.first().width() - points.width()) < 0.5,
        qPrintable(QString::number(boxes.first().width())));
    QVERIFY2(qAbs(boxes.first().height() - points.height()) < 0.5,
        qPrintable(QString::number(boxes.first().height())));
}

void TestPdfExport::printerKeepsItsLayout()
{
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, 10, 10);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Landscape);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("first.pdf"));
    QVERIFY(exportScenePdf(&scene, &printer, path));
    QCOMPARE(printer.outputFileName(), path);
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A3);
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);

    // The same printer writes the next file with the same page.
    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    QVERIFY(exportScenePdf(&scene, &printer, second));
    const QVector<QRectF> boxes = mediaBoxes(readAll(second));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(qRound(boxes.first().width()), 1191);
    QCOMPARE(qRound(boxes.first().height()), 842);
}

void TestPdfExport::widePlanFillsThePrintableWidth()
{
    QGraphicsScene scene;
    auto probe = new ProbeItem(-50, -10, 100, 20);
    scene.addItem(probe);
    scene.setSceneRect(-50, -10, 100, 20);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    QTemporaryDir dir;
    QVERIFY(exportScenePdf(&scene, &printer, dir.filePath(QStringLiteral("wide.pdf"))));

    QCOMPARE(probe->paints, 1);
    QCOMPARE(probe->deviceDpi, 1200);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QRectF drawn = probe->deviceRect;
    QVERIFY2(qAbs(drawn.left()) < 1 && qAbs(drawn.top()) < 1,
        qPrintable(QStringLiteral("%1 %2").arg(drawn.left()).arg(drawn.top())));
    QVERIFY(qAbs(drawn.width() - printable.width()) < 1);
    QVERIFY(qAbs(drawn.height() - printable.width() / 5) < 1);
    // The lower part of the page stays blank.
    QVERIFY(drawn.bottom() < printable.height() / 2);
}

void TestPdfExport::tallPlanFillsThePrintableHeight()
{
    QGraphicsScene scene;
    auto probe = new ProbeItem(0, 0, 10, 40);
    scene.addItem(probe);
    scene.setSceneRect(0, 0, 10, 40);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Landscape);
    QTemporaryDir dir;
    QVERIFY(exportScenePdf(&scene, &printer, dir.filePath(QStringLiteral("tall.pdf"))));

    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QRectF drawn = probe->deviceRect;
    QVERIFY(qAbs(drawn.left()) < 1 && qAbs(drawn.top()) < 1);
    QVERIFY(qAbs(drawn.height() - printable.height()) < 1);
    QVERIFY(qAbs(drawn.width() - printable.height() / 4) < 1);
}

void TestPdfExport::nameWithoutSuffixStillPdf()
{
    QGraphicsScene scene;
    scene.addEllipse(0, 0, 5, 5);
    scene.setSceneRect(0, 0, 5, 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plan"));
    QVERIFY(exportScenePdf(&scene, path, QPageSize(QPageSize::A4), QPageLayout::Portrait));
    QVERIFY(!QFile::exists(path + QStringLiteral(".pdf")));
    QVERIFY(readAll(path).startsWith("%PDF-"));
}

void TestPdfExport::unwritablePath()
{
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, 5, 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/plan.pdf"));
    QVERIFY(!exportScenePdf(&scene, path, QPageSize(QPageSize::A4), QPageLayout::Portrait));
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(TestPdfExport)
#include "tst_pdfexport.moc"
