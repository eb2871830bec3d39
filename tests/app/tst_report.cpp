#include "common/mainwindowpeek.h"
#include "common/reportpdf.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"
#include "io/designreport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Файл → Отчёт в PDF… as a user runs it: the project opened through the open
// dialog, the report's file named in the save dialog.

namespace {

QAction *action(MainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void inTheFileMenu();
    void writesTheReport();
    void failureIsReported();

private:
    QTemporaryDir dir;
    QString project;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestReport::initTestCase()
{
    QVERIFY(dir.isValid());
    project = dir.filePath(QStringLiteral("hall.prj"));
    QVERIFY(QFile::copy(QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj"), project));
}

void TestReport::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts);
    QVERIFY(window);
    prompts->answerOpenFile(project);
    action(*window, "actionOpen")->trigger();
    QCOMPARE(MainWindowPeek(*window).document().sensors().size(), 6);
}

void TestReport::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

// Right after "Экспорт схемы в PDF", naming the program as the About box does.
void TestReport::inTheFileMenu()
{
    QAction *report = action(*window, "actionExportReport");
    QVERIFY(report);
    QCOMPARE(report->text(), QStringLiteral("Отчёт в PDF…"));
    QMenu *file = nullptr;
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (menu->title() == QStringLiteral("Файл"))
            file = menu;
    }
    QVERIFY(file);
    const QList<QAction *> actions = file->actions();
    QCOMPARE(actions.indexOf(report), actions.indexOf(action(*window, "actionExportPDF")) + 1);

    const MainWindowPeek peek(*window);
    QCOMPARE(designReportProgram(),
        peek.productName() + peek.internalName() + QStringLiteral(", версия ")
            + peek.productVersion());
}

// The name without a suffix gets ".pdf"; the report is the one the export
// function writes for the project.
void TestReport::writesTheReport()
{
    prompts->answerSaveFile(dir.filePath(QStringLiteral("report")));
    action(*window, "actionExportReport")->trigger();
    const QString written = dir.filePath(QStringLiteral("report.pdf"));
    QVERIFY(QFile::exists(written));
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Отчёт в PDF"));

    const QString text = ReportPdf::text(written);
    QVERIFY(text.contains(QStringLiteral("hall.prj")));
    QVERIFY(text.contains(QStringLiteral("Лист 2 из 2")));
    const QString direct = dir.filePath(QStringLiteral("direct.pdf"));
    QVERIFY(exportDesignReport(MainWindowPeek(*window).document(), project, direct));
    QCOMPARE(text, ReportPdf::text(direct));
}

void TestReport::failureIsReported()
{
    const QString target = dir.filePath(QStringLiteral("none/report.pdf"));
    prompts->answerSaveFile(target).answerCritical();
    action(*window, "actionExportReport")->trigger();
    QVERIFY(!QFile::exists(target));
    const ScriptedPrompts::Call call = prompts->calls().last();
    QCOMPARE(call.kind, ScriptedPrompts::Critical);
    QCOMPARE(call.title, QStringLiteral("Отчёт в PDF"));
    QCOMPARE(call.text,
        QStringLiteral("Не удалось записать отчёт в файл %1.\nФайл, который там был, не изменён.")
            .arg(QDir::toNativeSeparators(target)));

    // Cancelled: nothing is written, nothing asked.
    prompts->answerSaveFile(QString());
    const int calls = prompts->calls().size();
    action(*window, "actionExportReport")->trigger();
    QCOMPARE(prompts->calls().size(), calls + 1);
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
