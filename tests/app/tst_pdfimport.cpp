#include "app/mainwindow.h"
#include "common/mainwindowpeek.h"
#include "common/scriptedprompts.h"
#include "common/testdrawing.h"
#include "common/testwindow.h"

#include "io/projectdocument.h"
#include "plan/pdfplan.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Fills in the import dialog and presses OK (or Cancel when accept is false).
std::function<void(QDialog *)> importWith(
    int page, int dpi, const QString &scale, bool accept = true)
{
    return [=](QDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Импорт плана из PDF"));
        auto *scaleEdit = dialog->findChild<QLineEdit *>(QStringLiteral("scaleEdit"));
        auto *dpiBox = dialog->findChild<QSpinBox *>(QStringLiteral("dpiBox"));
        auto *pageBox = dialog->findChild<QSpinBox *>(QStringLiteral("pageBox"));
        QVERIFY(scaleEdit && dpiBox && pageBox);
        // The defaults: the first page, 200 dpi, no drawing scale.
        QCOMPARE(pageBox->value(), 1);
        QCOMPARE(dpiBox->value(), 200);
        QVERIFY(scaleEdit->text().isEmpty());
        pageBox->setValue(page);
        dpiBox->setValue(dpi);
        scaleEdit->setText(scale);
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::mouseClick(buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
            Qt::LeftButton);
    };
}

} // namespace

class TestPdfImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void roomAtDrawingScaleMeasuresTrue();
    void withoutDrawingScaleNeedsCalibration();
    void drawingScaleOverACalibratedPlanKeepsTheRest();
    void pageChoice();
    void sizeOverTheCapIsRefused();
    void badFilesLeaveThePlan_data();
    void badFilesLeaveThePlan();

private:
    QString path(const QString &name) const { return scratch.filePath(name); }
    void importPdf(const QString &file, std::function<void(QDialog *)> answer);
    ProjectDocument &document() const { return MainWindowPeek(*window).document(); }

    QTemporaryDir scratch;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestPdfImport::initTestCase()
{
    QVERIFY(scratch.isValid());
    QVERIFY(TestDrawing::writePdf(path("room.pdf"), { TestDrawing::roomAt100() }));
}

void TestPdfImport::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts);
    QVERIFY(window);
}

void TestPdfImport::cleanup()
{
    window->setWindowModified(false);
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

void TestPdfImport::importPdf(const QString &file, std::function<void(QDialog *)> answer)
{
    prompts->answerOpenFile(file).answerDialog(answer);
    window->findChild<QAction *>(QStringLiteral("planImageOpenAction"))->trigger();
}

void TestPdfImport::roomAtDrawingScaleMeasuresTrue()
{
    importPdf(path("room.pdf"), importWith(1, 200, QStringLiteral("100")));
    QCOMPARE(prompts->calls().first().text,
        QStringLiteral("Файлы изображения (*.bmp *.png *.jpg *.pdf)"));
    QCOMPARE(prompts->calls().at(1).text, QStringLiteral("PdfImportDialog"));

    ProjectDocument &project = document();
    const QImage page = project.planPixmap().toImage();
    QCOMPARE(page.size(), QSize(1653, 2339));
    QVERIFY(project.hasScale());
    QVERIFY(window->isWindowModified());

    // The scale mark: 5 m (a quarter of the 21 m page is 5.25 m) near the bottom left.
    const CaliberGraphicsItem &caliber = project.caliber();
    QVERIFY(caliber.isCaliberVisible());
    QVERIFY(qAbs(caliber.length() - 5) < 1e-9);
    QCOMPARE(caliber.text(), QStringLiteral("5 м"));
    const QRectF planRect = project.planImage().sceneBoundingRect();
    QVERIFY(qAbs(caliber.startPoint().x() - (planRect.left() + 1.05)) < 0.01);
    QVERIFY(qAbs(caliber.startPoint().y() - (planRect.bottom() - 1.05)) < 0.01);

    // The outline traced on the room's corners measures 10 × 5 m within 0.1 %.
    const QRectF room = TestDrawing::outlinedRect(page);
    const QGraphicsPixmapItem &image = project.planImage();
    const QPolygonF corners({ image.mapToScene(room.topLeft()), image.mapToScene(room.topRight()),
        image.mapToScene(room.bottomRight()), image.mapToScene(room.bottomLeft()) });
    project.plan().setPath(corners);
    const QPolygonF outline = project.plan().polygon();
    QCOMPARE(outline.size(), 4);
    const double sides[] = { 10, 5, 10, 5 };
    for (int i = 0; i < 4; ++i) {
        const double length = QLineF(outline.at(i), outline.at((i + 1) % 4)).length();
        QVERIFY2(qAbs(length - sides[i]) < sides[i] * 0.001,
            qPrintable(QStringLiteral("side %1: %2 m").arg(i).arg(length, 0, 'g', 9)));
    }
    // The page's own size on the floor: 595 × 842 points at 1:100.
    QVERIFY(qAbs(planRect.width() - 595 * 2.54 / 72) < 0.02);
}

void TestPdfImport::withoutDrawingScaleNeedsCalibration()
{
    importPdf(path("room.pdf"), importWith(1, 100, QString()));
    ProjectDocument &project = document();
    QCOMPARE(project.planPixmap().size(), QSize(826, 1169));
    QVERIFY(!project.hasScale());
    QVERIFY(!project.caliber().isCaliberVisible());
    // Like a first image: the longer side spans 100 scene units.
    QCOMPARE(project.planImage().scale(), 100.0 / 1169);
}

void TestPdfImport::drawingScaleOverACalibratedPlanKeepsTheRest()
{
    // A plan in metres with an outline, then a drawing to scale in its place.
    importPdf(path("room.pdf"), importWith(1, 200, QStringLiteral("100")));
    ProjectDocument &project = document();
    const QPolygonF outline({ { -3, -2 }, { 4, -2 }, { 4, 3 }, { -3, 3 } });
    project.plan().setPath(outline);

    importPdf(path("room.pdf"), importWith(1, 100, QStringLiteral("200")));
    QCOMPARE(project.planPixmap().size(), QSize(826, 1169));
    const QPolygonF kept = project.plan().polygon();
    QCOMPARE(kept.size(), 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY(QLineF(kept.at(i), outline.at(i)).length() < 1e-9);
    // At 1:200 the page spans twice the floor.
    QVERIFY(qAbs(project.planImage().sceneBoundingRect().width() - 2 * 595 * 2.54 / 72) < 0.05);
    QVERIFY(qAbs(project.planImage().scale() - 200 * 0.0254 / 100) < 1e-4);
}

void TestPdfImport::pageChoice()
{
    TestDrawing::Page second;
    second.paperMm = QSizeF(420, 297);
    second.rectsMm << QRectF(100, 50, 200, 100);
    QVERIFY(TestDrawing::writePdf(path("two.pdf"), { TestDrawing::roomAt100(), second }));
    importPdf(path("two.pdf"), [](QDialog *dialog) {
        auto *pageBox = dialog->findChild<QSpinBox *>(QStringLiteral("pageBox"));
        auto *preview = dialog->findChild<QLabel *>(QStringLiteral("preview"));
        QCOMPARE(pageBox->maximum(), 2);
        const QPixmap shown = preview->pixmap(Qt::ReturnByValue);
        QVERIFY(shown.height() > shown.width());
        importWith(2, 200, QStringLiteral("50"))(dialog);
    });
    ProjectDocument &project = document();
    QCOMPARE(project.planPixmap().size(), QSize(3308, 2339));
    // 200 mm at 1:50 is 10 m.
    const QRectF room = TestDrawing::outlinedRect(project.planPixmap().toImage());
    const QGraphicsPixmapItem &image = project.planImage();
    const double width
        = QLineF(image.mapToScene(room.topLeft()), image.mapToScene(room.topRight())).length();
    QVERIFY2(qAbs(width - 10) < 0.01, qPrintable(QString::number(width, 'g', 9)));
}

void TestPdfImport::sizeOverTheCapIsRefused()
{
    importPdf(path("room.pdf"), [](QDialog *dialog) {
        auto *dpiBox = dialog->findChild<QSpinBox *>(QStringLiteral("dpiBox"));
        auto *sizeLabel = dialog->findChild<QLabel *>(QStringLiteral("sizeLabel"));
        QPushButton *ok = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
                              ->button(QDialogButtonBox::Ok);
        QCOMPARE(sizeLabel->text(), QStringLiteral("Изображение: 1653 × 2339 точек"));
        QVERIFY(ok->isEnabled());
        // A4 at 1600 dpi: 13222 × 18711 pixels, 944 MiB.
        dpiBox->setValue(1600);
        QCOMPARE(sizeLabel->text(),
            QStringLiteral("Изображение 13222 × 18711 точек больше допустимого (256 МиБ); "
                           "уменьшите разрешение."));
        QVERIFY(!ok->isEnabled());
        dpiBox->setValue(600);
        QVERIFY(ok->isEnabled());
        // A scale that is no number cannot be accepted either.
        dialog->findChild<QLineEdit *>(QStringLiteral("scaleEdit"))->setText(QStringLiteral("abc"));
        QVERIFY(!ok->isEnabled());
        dialog->reject();
    });
    QVERIFY(!document().hasPlanImage());
    QVERIFY(!window->isWindowModified());
}

void TestPdfImport::badFilesLeaveThePlan_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<QString>("message");
    const QString unreadable = QStringLiteral(
        "Не удалось прочитать чертёж %1: файл повреждён или не является документом PDF.");
    QTest::newRow("damaged") << QByteArray("%PDF-1.7\n%\xe2\xe3\n1 0 obj <<") << false
                             << unreadable;
    QTest::newRow("empty") << QByteArray() << false << unreadable;
    QTest::newRow("password") << QByteArray() << true
                              << QStringLiteral("Чертёж %1 защищён паролем, он не открыт.");
}

void TestPdfImport::badFilesLeaveThePlan()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, encrypted);
    QFETCH(QString, message);
    importPdf(path("room.pdf"), importWith(1, 100, QStringLiteral("100")));
    ProjectDocument &project = document();
    const QImage before = project.planPixmap().toImage();
    const QTransform placed = project.planImage().sceneTransform();
    const double length = project.caliber().length();
    window->setWindowModified(false);

    const QString bad = path(QStringLiteral("bad.pdf"));
    if (encrypted) {
        QVERIFY(TestDrawing::writeEncryptedPdf(bad));
    } else {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    prompts->answerOpenFile(bad).answerWarning();
    window->findChild<QAction *>(QStringLiteral("planImageOpenAction"))->trigger();
    const ScriptedPrompts::Call warning = prompts->calls().last();
    QCOMPARE(warning.kind, ScriptedPrompts::Warning);
    QCOMPARE(warning.title, QStringLiteral("Открыть"));
    QCOMPARE(warning.text, message.arg(bad));
    QVERIFY(project.planPixmap().toImage() == before);
    QCOMPARE(project.planImage().sceneTransform(), placed);
    QCOMPARE(project.caliber().length(), length);
    QVERIFY(!window->isWindowModified());
}

QTEST_MAIN(TestPdfImport)
#include "tst_pdfimport.moc"
