#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "common/testdrawing.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "toolrun.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGraphicsPixmapItem>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The tool's new command, run as a separate program: a project from a plan
// image or a PDF page, the same as the configurator makes it.
namespace {

using Run = ToolRun;

Run runCli(const QStringList &arguments)
{
    return runTool(arguments);
}

struct Project : ProjectDocument
{
    bool load(const QString &path) { return ProjectFile::loadProject(parts(), path).loaded(); }
};

// The room's sides in scene units, measured on the project's plan image.
QSizeF roomSize(const Project &project)
{
    const QRectF room = TestDrawing::outlinedRect(project.planPixmap().toImage());
    const QGraphicsPixmapItem &image = project.planImage();
    return QSizeF(
        QLineF(image.mapToScene(room.topLeft()), image.mapToScene(room.topRight())).length(),
        QLineF(image.mapToScene(room.topLeft()), image.mapToScene(room.bottomLeft())).length());
}

} // namespace

class TestCliNew : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fromPdf_data();
    void fromPdf();
    void sameAsTheConfigurator();
    void fromImage();
    void refused_data();
    void refused();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void TestCliNew::initTestCase()
{
    QVERIFY(dir.isValid());
    TestDrawing::Page second;
    second.paperMm = QSizeF(420, 297);
    second.rectsMm << QRectF(100, 50, 200, 100);
    QVERIFY(TestDrawing::writePdf(path("room.pdf"), { TestDrawing::roomAt100(), second }));
    QVERIFY(TestDrawing::writeEncryptedPdf(path("locked.pdf")));
    QFile damaged(path("damaged.pdf"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("%PDF-1.5\n1 0 obj << /Type /Catalog /Pages 2 0 R");
    damaged.close();
    QImage png(400, 300, QImage::Format_RGB32);
    png.fill(Qt::white);
    QVERIFY(png.save(path("plan.png")));
    QSettings settings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
    settings.setValue(QStringLiteral("never"), true);
}

void TestCliNew::fromPdf_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSizeF>("room"); // metres; empty when the plan has no scale
    QTest::newRow("1:100, defaults")
        << QStringList { "--drawing-scale", "100" } << QSize(1653, 2339) << QSizeF(10, 5);
    QTest::newRow("second page at 1:50, 150 dpi")
        << QStringList { "--page", "2", "--dpi=150", "--drawing-scale=50" } << QSize(2481, 1754)
        << QSizeF(10, 5);
    QTest::newRow("no drawing scale")
        << QStringList { "--dpi", "100" } << QSize(826, 1169) << QSizeF();
}

void TestCliNew::fromPdf()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, pixels);
    QFETCH(QSizeF, room);
    const QString out = path("new.prj");
    QFile::remove(out);
    const Run run = runCli(QStringList { "new", out, "--plan", path("room.pdf") } + options);
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(run.err.isEmpty());

    Project project;
    QVERIFY(project.load(out));
    QCOMPARE(project.planPixmap().size(), pixels);
    const QSizeF measured = roomSize(project);
    if (room.isEmpty()) {
        QVERIFY(!project.hasScale());
        // The project file keeps the image scale to six digits.
        QVERIFY(qAbs(project.planImage().scale() * qMax(pixels.width(), pixels.height()) / 100 - 1)
            < 1e-5);
        return;
    }
    QVERIFY(project.hasScale());
    QVERIFY2(qAbs(measured.width() - room.width()) < room.width() * 0.001,
        qPrintable(QString::number(measured.width(), 'g', 9)));
    QVERIFY2(qAbs(measured.height() - room.height()) < room.height() * 0.001,
        qPrintable(QString::number(measured.height(), 'g', 9)));
    const CaliberGraphicsItem &mark = project.caliber();
    QCOMPARE(mark.text(), QStringLiteral("5 м"));
    QVERIFY(project.planImage().sceneBoundingRect().contains(mark.startPoint()));
}

void TestCliNew::sameAsTheConfigurator()
{
    const QString out = path("tool.prj");
    QCOMPARE(
        runCli({ "new", out, "--plan", path("room.pdf"), "--drawing-scale", "100" }).status, 0);
    Project tool;
    QVERIFY(tool.load(out));

    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    prompts->answerOpenFile(path("room.pdf")).answerDialog([](QDialog *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("scaleEdit"))->setText(QStringLiteral("100"));
        dialog->accept();
    });
    window.findChild<QAction *>(QStringLiteral("planImageOpenAction"))->trigger();
    prompts->answerSaveFile(path("window.prj"));
    window.findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
    window.setWindowModified(false);
    Project configurator;
    QVERIFY(configurator.load(path("window.prj")));

    QVERIFY(tool.planPixmap().toImage() == configurator.planPixmap().toImage());
    QVERIFY(qAbs(tool.planImage().scale() / configurator.planImage().scale() - 1) < 1e-12);
    QVERIFY(QLineF(tool.planImage().pos(), configurator.planImage().pos()).length() < 1e-9);
    QVERIFY(
        QLineF(tool.caliber().startPoint(), configurator.caliber().startPoint()).length() < 1e-9);
    QVERIFY(QLineF(tool.caliber().endPoint(), configurator.caliber().endPoint()).length() < 1e-9);
}

void TestCliNew::fromImage()
{
    const QString out = path("image.prj");
    const Run run = runCli({ "new", out, "--plan", path("plan.png") });
    QVERIFY2(run.status == 0, run.err.constData());
    Project project;
    QVERIFY(project.load(out));
    QCOMPARE(project.planPixmap().size(), QSize(400, 300));
    QCOMPARE(project.planImage().scale(), 0.25);
    QCOMPARE(project.planImage().pos(), QPointF(-50, -37.5));
    QVERIFY(!project.hasScale());
}

void TestCliNew::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QString out = path("refused.prj");
    const QString pdf = path("room.pdf");
    QTest::newRow("no plan") << QStringList { "new", out } << 1
                             << QStringLiteral("zor-position-cli: new needs --plan PLAN");
    QTest::newRow("damaged") << QStringList { "new", out, "--plan", path("damaged.pdf") } << 2
                             << path("damaged.pdf")
            + ": cannot be read: damaged or not a PDF document";
    QTest::newRow("password") << QStringList { "new", out, "--plan", path("locked.pdf") } << 2
                              << path("locked.pdf") + ": is protected by a password; not read";
    QTest::newRow("missing") << QStringList { "new", out, "--plan", path("none.pdf") } << 2
                             << path("none.pdf") + ": no such file";
    QTest::newRow("page out of range") << QStringList { "new", out, "--plan", pdf, "--page", "3" }
                                       << 1 << pdf + ": has no page 3 (pages: 2)";
    QTest::newRow("over the cap") << QStringList { "new", out, "--plan", pdf, "--dpi", "1600" } << 2
                                  << pdf
            + ": page 1 at 1600 dpi is too large (13222 x 18711 pixels); use a lower --dpi";
    QTest::newRow("scale of an image")
        << QStringList { "new", out, "--plan", path("plan.png"), "--drawing-scale", "100" } << 1
        << QStringLiteral("--page, --dpi and --drawing-scale apply to a PDF plan only");
    QTest::newRow("zero scale") << QStringList { "new", out, "--plan", pdf, "--drawing-scale", "0" }
                                << 1 << QStringLiteral("--drawing-scale needs a positive number");
    QTest::newRow("the plan itself")
        << QStringList { "new", pdf, "--plan", pdf } << 1 << pdf + ": is the plan itself";
}

void TestCliNew::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QByteArray pdfBefore = [this] {
        QFile file(path("room.pdf"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const Run run = runCli(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QVERIFY(!QFile::exists(path("refused.prj")));
    QFile file(path("room.pdf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == pdfBefore);
}

QTEST_MAIN(TestCliNew)
#include "tst_clinew.moc"
