#include "common/testdrawing.h"
#include "plan/pdfplan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPdfPlan : public QObject
{
    Q_OBJECT

private slots:
    void metresPerPoint_data();
    void metresPerPoint();
    void metresPerPixel();
    void renderedSizeAndCap_data();
    void renderedSizeAndCap();
    void scaleMark_data();
    void scaleMark();
    void roomMeasuresTenByFive();
    void pageChoice();
    void badFiles_data();
    void badFiles();
    void pageOutOfRange();
    void tooLargeIsRefusedBeforeRendering();

private:
    QString path(const QString &name) const { return scratch.filePath(name); }
    QTemporaryDir scratch;
};

void TestPdfPlan::metresPerPoint_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("points");
    QTest::addColumn<double>("metres");
    // 72 points are an inch, 25.4 mm on paper.
    QTest::newRow("1:1, an inch") << 1.0 << 72.0 << 0.0254;
    QTest::newRow("1:100, an inch") << 100.0 << 72.0 << 2.54;
    QTest::newRow("1:200, ten inches") << 200.0 << 720.0 << 50.8;
    QTest::newRow("1:50, 100 mm") << 50.0 << 72.0 / 0.254 << 5.0;
}

void TestPdfPlan::metresPerPoint()
{
    QFETCH(double, scale);
    QFETCH(double, points);
    QFETCH(double, metres);
    QVERIFY(qAbs(PdfPlan::metresPerPoint(scale) * points - metres) < 1e-12);
}

void TestPdfPlan::metresPerPixel()
{
    // 720 × 360 points at 200 dpi: 2000 × 1000 pixels of 0.127 mm, 12.7 mm at 1:100.
    const QSizeF page(720, 360);
    const QSize pixels = PdfPlan::renderedSize(page, 200);
    QCOMPARE(pixels, QSize(2000, 1000));
    QVERIFY(qAbs(PdfPlan::metresPerPixel(100, page, pixels) - 0.0127) < 1e-15);
    // Axes that round differently are averaged.
    QVERIFY(qAbs(PdfPlan::metresPerPixel(100, QSizeF(100, 50), QSize(200, 125)) - 2.54 / 72 * 0.45)
        < 1e-15);
    QCOMPARE(PdfPlan::metresPerPixel(100, page, QSize()), 0.0);
}

void TestPdfPlan::renderedSizeAndCap_data()
{
    QTest::addColumn<QSizeF>("points");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<bool>("fits");
    QTest::newRow("A4 at 200") << QSizeF(595.276, 841.89) << 200.0 << QSize(1654, 2339) << true;
    QTest::newRow("A4 at 72") << QSizeF(595, 842) << 72.0 << QSize(595, 842) << true;
    // 8192 × 8192 × 4 bytes is the cap itself.
    QTest::newRow("at the cap") << QSizeF(8192, 8192) << 72.0 << QSize(8192, 8192) << true;
    QTest::newRow("a pixel over") << QSizeF(8193, 8192) << 72.0 << QSize(8193, 8192) << false;
    QTest::newRow("A0 at 600") << QSizeF(2383.94, 3370.39) << 600.0 << QSize(19866, 28087) << false;
    QTest::newRow("absurd") << QSizeF(14400, 14400) << 1e9 << QSize(INT_MAX, INT_MAX) << false;
    QTest::newRow("no page") << QSizeF() << 200.0 << QSize(0, 0) << false;
}

void TestPdfPlan::renderedSizeAndCap()
{
    QFETCH(QSizeF, points);
    QFETCH(double, dpi);
    QFETCH(QSize, pixels);
    QFETCH(bool, fits);
    QCOMPARE(PdfPlan::renderedSize(points, dpi), pixels);
    QCOMPARE(PdfPlan::fitsCap(pixels), fits);
}

void TestPdfPlan::scaleMark_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<double>("metresPerPixel");
    QTest::addColumn<double>("metres");
    QTest::addColumn<QPointF>("start");
    // 25.4 m wide: a quarter is 6.35 m, so 5 m.
    QTest::newRow("1:100 at 200") << QSize(2000, 1000) << 0.0127 << 5.0 << QPointF(50, 950);
    // 0.9 m wide: 0.2 m.
    QTest::newRow("small") << QSize(900, 1000) << 0.001 << 0.2 << QPointF(45, 955);
    // 40 m wide, exactly 10 m a quarter.
    QTest::newRow("a round quarter") << QSize(2560, 3000) << 1.0 / 64 << 10.0 << QPointF(128, 2872);
    QTest::newRow("2 m") << QSize(1000, 1000) << 0.01 << 2.0 << QPointF(50, 950);
}

void TestPdfPlan::scaleMark()
{
    QFETCH(QSize, pixels);
    QFETCH(double, metresPerPixel);
    QFETCH(double, metres);
    QFETCH(QPointF, start);
    const PdfPlan::ScaleMark mark = PdfPlan::scaleMark(pixels, metresPerPixel);
    QVERIFY(qAbs(mark.metres - metres) < 1e-12);
    QCOMPARE(mark.start, start);
    QCOMPARE(mark.end.y(), start.y());
    QVERIFY(qAbs((mark.end.x() - start.x()) * metresPerPixel - metres) < 1e-9);
    QVERIFY(mark.end.x() < pixels.width());
}

void TestPdfPlan::roomMeasuresTenByFive()
{
    QVERIFY(TestDrawing::writePdf(path("room.pdf"), { TestDrawing::roomAt100() }));
    PdfPlan pdf;
    QCOMPARE(pdf.open(path("room.pdf")), PdfPlan::NoError);
    QCOMPARE(pdf.pageCount(), 1);
    const QSizeF page = pdf.pageSize(1);
    QVERIFY(qAbs(page.width() - 595) < 1 && qAbs(page.height() - 842) < 1);

    PdfPlan::Error error = PdfPlan::RenderFailed;
    const QImage image = pdf.render(1, 200, &error);
    QCOMPARE(error, PdfPlan::NoError);
    QCOMPARE(image.size(), PdfPlan::renderedSize(page, 200));
    QCOMPARE(image.pixel(5, 5), qRgb(255, 255, 255));

    const double perPixel = PdfPlan::metresPerPixel(100, page, image.size());
    const QRectF room = TestDrawing::outlinedRect(image);
    QVERIFY2(qAbs(room.width() * perPixel - 10) < 0.01, qPrintable(QString::number(room.width())));
    QVERIFY2(
        qAbs(room.height() * perPixel - 5) < 0.005, qPrintable(QString::number(room.height())));
}

void TestPdfPlan::pageChoice()
{
    TestDrawing::Page second;
    second.paperMm = QSizeF(420, 297);
    second.rectsMm << QRectF(200, 100, 150, 120);
    QVERIFY(TestDrawing::writePdf(path("two.pdf"), { TestDrawing::roomAt100(), second }));
    PdfPlan pdf;
    QCOMPARE(pdf.open(path("two.pdf")), PdfPlan::NoError);
    QCOMPARE(pdf.pageCount(), 2);
    const QImage image = pdf.render(2, 100);
    QCOMPARE(image.size(), PdfPlan::renderedSize(pdf.pageSize(2), 100));
    QVERIFY(image.width() > image.height());
    // 150 mm at 100 dpi.
    QVERIFY(qAbs(TestDrawing::outlinedRect(image).width() - 150 / 25.4 * 100) < 1);
    const QImage preview = pdf.renderPreview(2, QSize(200, 200));
    QCOMPARE(preview.width(), 200);
    QVERIFY(qAbs(preview.height() - 141) <= 1);
}

void TestPdfPlan::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << int(PdfPlan::Unreadable)
                           << QStringLiteral("Не удалось прочитать чертёж %1: файл повреждён или "
                                             "не является документом PDF.");
    QTest::newRow("damaged") << QByteArray("%PDF-1.4\n1 0 obj\n<< /Type /Catalog")
                             << int(PdfPlan::Unreadable)
                             << QStringLiteral("Не удалось прочитать чертёж %1: файл повреждён или "
                                               "не является документом PDF.");
    QTest::newRow("an image") << QByteArray("\x89PNG\r\n\x1a\n") << int(PdfPlan::Unreadable)
                              << QStringLiteral("Не удалось прочитать чертёж %1: файл повреждён "
                                                "или не является документом PDF.");
    QTest::newRow("password") << QByteArray() << int(PdfPlan::PasswordProtected)
                              << QStringLiteral("Чертёж %1 защищён паролем, он не открыт.");
}

void TestPdfPlan::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    QFETCH(QString, text);
    const QString file = path(QStringLiteral("bad.pdf"));
    if (error == PdfPlan::PasswordProtected) {
        QVERIFY(TestDrawing::writeEncryptedPdf(file));
    } else {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    PdfPlan pdf;
    QCOMPARE(int(pdf.open(file)), error);
    QCOMPARE(pdf.pageCount(), 0);
    QCOMPARE(pdf.errorText(PdfPlan::Error(error)), text.arg(file));
    PdfPlan::Error renderError = PdfPlan::NoError;
    QVERIFY(pdf.render(1, 200, &renderError).isNull());
    QCOMPARE(renderError, PdfPlan::PageOutOfRange);

    PdfPlan missing;
    QCOMPARE(missing.open(path("none.pdf")), PdfPlan::FileNotFound);
}

void TestPdfPlan::pageOutOfRange()
{
    QVERIFY(TestDrawing::writePdf(path("room.pdf"), { TestDrawing::roomAt100() }));
    PdfPlan pdf;
    QCOMPARE(pdf.open(path("room.pdf")), PdfPlan::NoError);
    for (int page : { 0, 2, -1 }) {
        PdfPlan::Error error = PdfPlan::NoError;
        QVERIFY(pdf.render(page, 200, &error).isNull());
        QCOMPARE(error, PdfPlan::PageOutOfRange);
        QVERIFY(pdf.pageSize(page).isEmpty());
    }
    QCOMPARE(pdf.errorText(PdfPlan::PageOutOfRange, 2),
        QStringLiteral("В чертеже %1 нет страницы 2 (страниц: 1).").arg(path("room.pdf")));
}

void TestPdfPlan::tooLargeIsRefusedBeforeRendering()
{
    // 3 × 3 m of paper: at 200 dpi 23622 pixels a side, 2.2 GB decoded.
    TestDrawing::Page huge;
    huge.paperMm = QSizeF(3000, 3000);
    huge.rectsMm << QRectF(100, 100, 1000, 1000);
    QVERIFY(TestDrawing::writePdf(path("huge.pdf"), { huge }));
    PdfPlan pdf;
    QCOMPARE(pdf.open(path("huge.pdf")), PdfPlan::NoError);
    QElapsedTimer timer;
    timer.start();
    PdfPlan::Error error = PdfPlan::NoError;
    QVERIFY(pdf.render(1, 200, &error).isNull());
    QCOMPARE(error, PdfPlan::TooLarge);
    QVERIFY(timer.elapsed() < 1000);
    QCOMPARE(pdf.errorText(PdfPlan::TooLarge, 1, 200),
        QStringLiteral("Страница 1 чертежа %1 при 200 точек на дюйм слишком велика "
                       "(23622 × 23622 точек), она не открыта.")
            .arg(path("huge.pdf")));
    // The same page fits at a lower resolution.
    const QImage small = pdf.render(1, 10, &error);
    QCOMPARE(error, PdfPlan::NoError);
    QCOMPARE(small.size(), QSize(1181, 1181));
}

QTEST_MAIN(TestPdfPlan)
#include "tst_pdfplan.moc"
