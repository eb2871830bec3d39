#include "common/reportpdf.h"
#include "io/designreport.h"
#include "io/projectdocument.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The tool's export-report: the figures of info --json, the configurator's own
// report, and the failures a script sees.

namespace {

const QString kHall = QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj");

using Run = ToolRun;

Run runCli(const QStringList &arguments)
{
    return runTool(arguments);
}

// A figure of info --json as the report shows it: one decimal, decimal comma.
QString shown(const QJsonValue &value)
{
    return QString::number(value.toDouble(), 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

// The cells of the line of a page laid out by pdftotext that starts as
// pattern does; cells stand two spaces or more apart.
QStringList rowCells(const QString &layout, const QString &pattern)
{
    const QRegularExpression start(QStringLiteral("^\\s*") + pattern);
    for (const QString &line : layout.split(QLatin1Char('\n'))) {
        if (start.match(line).hasMatch())
            return line.trimmed().split(QRegularExpression(QStringLiteral("\\s{2,}")));
    }
    return QStringList();
}

} // namespace

class TestCliReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void figuresOfInfo();
    void sameAsTheConfigurator();
    void paper();
    void failedWrite();

private:
    QTemporaryDir dir;
};

void TestCliReport::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QFile::exists(kHall));
}

// The coverage rows and each detector's zone figures are those info --json
// prints, at the report's one decimal; the targets are marked as met or not.
void TestCliReport::figuresOfInfo()
{
    const Run info = runCli({ QStringLiteral("info"), QStringLiteral("--json"), kHall });
    QCOMPARE(info.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(info.out).object();
    const QJsonObject coverage = json.value(QStringLiteral("coverage")).toObject();
    QVERIFY(!coverage.isEmpty());

    const QString out = dir.filePath(QStringLiteral("hall.pdf"));
    const Run run = runCli({ QStringLiteral("export-report"), kHall, out });
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.isEmpty());
    const QString page = ReportPdf::text(out, 2, true);

    auto c = [&](const char *key) { return shown(coverage.value(QLatin1String(key))); };
    const QString dash = QStringLiteral("—");
    QCOMPARE(rowCells(page, QStringLiteral("Площадь пола")),
        QStringList(
            { QStringLiteral("Площадь пола без препятствий"), c("floor"), dash, dash, dash }));
    QCOMPARE(rowCells(page, QStringLiteral("Видит хотя бы один")),
        QStringList({ QStringLiteral("Видит хотя бы один извещатель (≥1)"), c("atLeast1"),
            c("atLeast1Percent"), QStringLiteral("90,0"), QStringLiteral("выполнено") }));
    QCOMPARE(rowCells(page, QStringLiteral("Видят два")),
        QStringList({ QStringLiteral("Видят два и более извещателя (≥2)"), c("atLeast2"),
            c("atLeast2Percent"), QStringLiteral("не задана"), dash }));
    QCOMPARE(rowCells(page, QStringLiteral("Не контролируется")),
        QStringList({ QStringLiteral("Не контролируется"), c("notSeen"), c("notSeenPercent"), dash,
            dash }));

    const QJsonArray detectors = json.value(QStringLiteral("detectors")).toArray();
    const QJsonArray zones = coverage.value(QStringLiteral("detectors")).toArray();
    QCOMPARE(detectors.size(), 6);
    QCOMPARE(zones.size(), detectors.size());
    for (int i = 0; i < detectors.size(); ++i) {
        const QString tag = detectors.at(i).toObject().value(QStringLiteral("tag")).toString();
        const QStringList cells = rowCells(page, QStringLiteral("%1\\s+%2\\s").arg(i + 1).arg(tag));
        QVERIFY2(cells.size() > 4, qPrintable(tag));
        const QJsonObject zone = zones.at(i).toObject();
        QCOMPARE(cells.mid(cells.size() - 2),
            QStringList({ shown(zone.value(QStringLiteral("zoneArea"))),
                shown(zone.value(QStringLiteral("onlyArea"))) }));
    }
}

// The tool's report reads as the one the configurator's function writes for
// the same project file.
void TestCliReport::sameAsTheConfigurator()
{
    const QString project = dir.filePath(QStringLiteral("many.prj"));
    {
        QFile file(project);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ReportPdf::hallWithDetectors(kHall, 30));
    }
    const QString byTool = dir.filePath(QStringLiteral("tool.pdf"));
    QCOMPARE(runCli({ QStringLiteral("export-report"), project, byTool }).status, 0);

    ProjectDocument document;
    QCOMPARE(document.load(project).status, ProjectLoadResult::Loaded);
    document.updateSceneRect();
    const QString here = dir.filePath(QStringLiteral("here.pdf"));
    QVERIFY(exportDesignReport(document, project, here));

    const QString text = ReportPdf::text(byTool);
    QVERIFY(text.contains(QStringLiteral("Д-30")));
    QCOMPARE(text, ReportPdf::text(here));
    QCOMPARE(ReportPdf::info(byTool, QStringLiteral("Pages")), QStringLiteral("3"));
}

void TestCliReport::paper()
{
    const QString out = dir.filePath(QStringLiteral("a3.pdf"));
    QCOMPARE(runCli({ QStringLiteral("export-report"), kHall, out, QStringLiteral("--paper"),
                        QStringLiteral("A3") })
                 .status,
        0);
    QCOMPARE(
        ReportPdf::info(out, QStringLiteral("Page size")), QStringLiteral("842 x 1191 pts (A3)"));

    const Run bad
        = runCli({ QStringLiteral("export-report"), kHall, out, QStringLiteral("--paper=B5") });
    QCOMPARE(bad.status, 1);
    QVERIFY(bad.err.startsWith("zor-position-cli: unknown paper \"B5\""));
    const Run landscape
        = runCli({ QStringLiteral("export-report"), kHall, out, QStringLiteral("--landscape") });
    QCOMPARE(landscape.status, 1);

    const Run help = runCli({ QStringLiteral("--help") });
    QVERIFY(help.out.contains(
        "zor-position-cli export-report PROJECT.prj OUT.pdf [--paper A4|A3|A2|A1]\n"));
}

// Status 2 with one line naming the file, and nothing left behind.
void TestCliReport::failedWrite()
{
    const QString out = dir.filePath(QStringLiteral("none/report.pdf"));
    const Run run = runCli({ QStringLiteral("export-report"), kHall, out });
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("zor-position-cli: " + out.toUtf8() + ": "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(!QDir(dir.filePath(QStringLiteral("none"))).exists());
}

QTEST_MAIN(TestCliReport)
#include "tst_clireport.moc"
