#include "detectors/coveragemapitem.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragepage.h"
#include "io/pdfexport.h"
#include "io/projectdocument.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QPolygonF kRoom({ { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } });

// A calibrated 10 × 10 m room with one detector low on its upper wall, turned
// to the side: much of the floor is seen by nobody.
void fill(ProjectDocument &document)
{
    document.caliber().setMeasurement(QPointF(0, 12), QPointF(10, 12), 0.5);
    document.plan().setPath(kRoom);
    auto *detector = new SensorGraphicsItem2(document.objects(), &document.plan());
    document.scene().addItem(detector);
    QVERIFY(detector->setSurface(&document.plan(), 0));
    detector->setPosition(1, false);
    detector->setAngle(-40);
    document.sensors().append(detector);
    detector->updateZone();
    document.updateSceneRect();
}

// Pixels of the not-seen class: its red-purple hatching, outline and fill
// over white (the detectors' red zones have no blue in them).
int notSeenPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            count += r - g > 60 && b - g > 30 ? 1 : 0;
        }
    }
    return count;
}

QImage page(ProjectDocument &document, bool coverageMap)
{
    QImage image(800, 900, QImage::Format_ARGB32);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintProjectPage(document, &painter, QRectF(0, 0, 800, 900), coverageMap);
    painter.end();
    return image;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray withoutDates(QByteArray pdf)
{
    const QByteArray key("/CreationDate");
    for (int at = pdf.indexOf(key); at >= 0; at = pdf.indexOf(key, at)) {
        const int end = pdf.indexOf(')', at);
        if (end < 0)
            break;
        pdf.remove(at, end + 1 - at);
    }
    return pdf;
}

// The PDF's streams, unpacked where they are deflated, as they are elsewhere.
QByteArray unpackedStreams(const QByteArray &pdf)
{
    QByteArray all;
    for (int at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at)) {
        int begin = at + 6;
        if (pdf.mid(begin, 2) == "\r\n")
            begin += 2;
        else if (pdf.mid(begin, 1) == "\n")
            begin += 1;
        const int end = pdf.indexOf("endstream", begin);
        if (end < 0)
            break;
        const QByteArray raw = pdf.mid(begin, end - begin);
        QByteArray unpacked;
        // A zlib stream starts with 0x78; qUncompress wants the size first.
        if (raw.startsWith('\x78')) {
            QByteArray packed = raw;
            const quint32 guess = quint32(raw.size()) * 20 + 1024;
            for (int shift = 0; shift < 32; shift += 8)
                packed.prepend(char((guess >> shift) & 0xff));
            unpacked = qUncompress(packed);
        }
        all += unpacked.isEmpty() ? raw : unpacked;
        at = end + 9;
    }
    return all;
}

} // namespace

class TestCoveragePage : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void targets_data();
    void targets();
    void pageWithAndWithoutTheMap();
    void pdfWithAndWithoutTheMap();
};

void TestCoveragePage::figures_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("share") << 95.34 << QStringLiteral("95,3");
    QTest::newRow("half up") << 62.25 << QStringLiteral("62,3");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0,0");
    QTest::newRow("a hair below zero") << -0.01 << QStringLiteral("0,0");
    QTest::newRow("no grouping") << 1386.04 << QStringLiteral("1386,0");
}

void TestCoveragePage::figures()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(coverageFigure(value), text);
}

void TestCoveragePage::targets_data()
{
    QTest::addColumn<double>("share");
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("met");
    QTest::newRow("exactly") << 0.9 << 90.0 << true;
    QTest::newRow("shown as 90,0") << 0.89951 << 90.0 << true;
    QTest::newRow("shown as 89,9") << 0.8994 << 90.0 << false;
    QTest::newRow("above") << 0.953 << 90.0 << true;
    QTest::newRow("fractional target") << 0.625 << 62.6 << false;
    QTest::newRow("all of it") << 1.0 << 100.0 << true;
    QTest::newRow("nothing asked") << 0.0 << 0.0 << true;
}

void TestCoveragePage::targets()
{
    QFETCH(double, share);
    QFETCH(double, target);
    QFETCH(bool, met);
    QCOMPARE(CoverageSettings::meets(share, target), met);
}

void TestCoveragePage::pageWithAndWithoutTheMap()
{
    ProjectDocument document;
    fill(document);
    const Coverage coverage = document.coverage();
    QVERIFY(coverage.valid);
    QVERIFY(coverage.unseenArea > 10);

    const QImage plain = page(document, false);
    QCOMPARE(notSeenPixels(plain), 0);
    const QImage withMap = page(document, true);
    // The unseen floor is hatched: a good part of the page is red-purple.
    QVERIFY2(notSeenPixels(withMap) > 800 * 900 / 50,
        qPrintable(QString::number(notSeenPixels(withMap))));
    // The map was shown for the page only.
    QVERIFY(!document.coverageMapShown());
    QVERIFY(!document.coverageMap().scene());
    QCOMPARE(document.sensors().first()->zone()->opacity(), 1.0);

    // With the map shown as in the window, the plain page is the plain page
    // still, and the map stays as it was afterwards.
    document.showCoverageMap(true);
    QCOMPARE(page(document, false), plain);
    QVERIFY(document.coverageMapShown());
    QCOMPARE(document.sensors().first()->zone()->opacity(), ProjectDocument::kFadedZoneOpacity);
    QCOMPARE(page(document, true), withMap);
}

void TestCoveragePage::pdfWithAndWithoutTheMap()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProjectDocument document;
    fill(document);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));

    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    const QString plain = dir.filePath(QStringLiteral("plain.pdf"));
    const QString map = dir.filePath(QStringLiteral("map.pdf"));
    QVERIFY(exportScenePdf(&document.scene(), &printer, before));
    document.showCoverageMap(true);
    QVERIFY(exportProjectPdf(document, &printer, plain, false));
    QVERIFY(exportProjectPdf(document, &printer, map, true));
    QVERIFY(document.coverageMapShown());
    // With ZOR_COVERAGE_SHOTS naming a folder the page is kept there to be looked at.
    const QString shots = qEnvironmentVariable("ZOR_COVERAGE_SHOTS");
    if (!shots.isEmpty()) {
        QFile::remove(shots + QStringLiteral("/map.pdf"));
        QFile::copy(map, shots + QStringLiteral("/map.pdf"));
    }

    // Unticked: the page the export wrote before the map existed.
    QCOMPARE(withoutDates(readAll(plain)), withoutDates(readAll(before)));
    // Ticked: the hatching's colour is drawn on the page, and only there.
    static const QRegularExpression hatch(QStringLiteral(R"(0\.666\d* 0 0\.392\d* SCN)"));
    QVERIFY(!QString::fromLatin1(unpackedStreams(readAll(before))).contains(hatch));
    QVERIFY(QString::fromLatin1(unpackedStreams(readAll(map))).contains(hatch));
}

QTEST_MAIN(TestCoveragePage)
#include "tst_coveragepage.moc"
