#include "common/reportpdf.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/designreport.h"
#include "io/projectdocument.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kHall = QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj");

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

QString withoutSpaces(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// The schedule's row of detector `number`: its running number and tag alone on
// the first line of the row, as pdftotext gives it in drawing order.
QRegularExpression scheduleRow(int number, const QString &tag)
{
    return QRegularExpression(
        QStringLiteral("^%1 %2$").arg(number).arg(QRegularExpression::escape(tag)),
        QRegularExpression::MultilineOption);
}

} // namespace

class TestDesignReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pages_data();
    void pages();
    void noOutline();
    void failedWrite_data();
    void failedWrite();

private:
    // Loads the project written from bytes; false when it does not load.
    bool load(ProjectDocument &document, const QByteArray &bytes, QString *path);

    QTemporaryDir dir;
};

void TestDesignReport::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(QFile::exists(kHall));
    for (const char *tool : { "pdftotext", "pdfinfo", "pdffonts" })
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
}

bool TestDesignReport::load(ProjectDocument &document, const QByteArray &bytes, QString *path)
{
    *path = dir.filePath(QStringLiteral("project.prj"));
    if (bytes.isEmpty() || !writeFile(*path, bytes))
        return false;
    const bool loaded = document.load(*path).status == ProjectLoadResult::Loaded;
    document.updateSceneRect();
    return loaded;
}

void TestDesignReport::pages_data()
{
    QTest::addColumn<int>("detectors");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("schedulePages");
    // Page 1 the plan; then the coverage, the schedule and the obstacles.
    QTest::newRow("6 detectors") << 6 << 2 << 1;
    QTest::newRow("60 detectors") << 60 << 4 << 2;
}

// Every detector's row, with its order code, on exactly one page; every page
// holding rows begins them with the header row; every page numbered of the count.
void TestDesignReport::pages()
{
    QFETCH(int, detectors);
    QFETCH(int, pages);
    QFETCH(int, schedulePages);
    ProjectDocument document;
    QString project;
    QVERIFY(load(document, ReportPdf::hallWithDetectors(kHall, detectors), &project));
    QCOMPARE(document.sensors().size(), detectors);
    const bool mapShown = document.coverageMapShown();

    const QString out = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QVERIFY2(exportDesignReport(document, project, out, QPageSize(QPageSize::A4), &error),
        qPrintable(error));
    QCOMPARE(document.coverageMapShown(), mapShown);
    QCOMPARE(ReportPdf::info(out, QStringLiteral("Pages")).toInt(), pages);
    QCOMPARE(
        ReportPdf::info(out, QStringLiteral("Page size")), QStringLiteral("595 x 842 pts (A4)"));
    bool embedded = false;
    const QString fonts = ReportPdf::fonts(out, &embedded);
    QVERIFY2(embedded, qPrintable(fonts));

    const QString first = ReportPdf::text(out, 1);
    for (const QString &expected : { QStringLiteral("project.prj"), designReportProgram(),
             QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")),
             QStringLiteral("Карта покрытия"), QStringLiteral("10 м") })
        QVERIFY2(first.contains(expected), qPrintable(expected));

    QVector<int> found(detectors, 0);
    int withRows = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = ReportPdf::text(out, page);
        QVERIFY2(text.contains(QStringLiteral("Лист %1 из %2").arg(page).arg(pages)),
            qPrintable(QString::number(page)));
        if (page == 1)
            continue;
        bool rows = false;
        for (int i = 0; i < detectors; ++i) {
            const SensorRecord &record = document.sensors().at(i)->record();
            if (!text.contains(scheduleRow(i + 1, record.tag())))
                continue;
            rows = true;
            ++found[i];
            QVERIFY2(withoutSpaces(text).contains(withoutSpaces(record.orderCode())),
                qPrintable(record.tag()));
        }
        if (!rows)
            continue;
        ++withRows;
        const QString caption = QStringLiteral("2. Спецификация извещателей");
        QVERIFY2(text.contains(QStringLiteral("Шифр заказа")), qPrintable(QString::number(page)));
        QVERIFY(
            text.contains(withRows == 1 ? caption : caption + QStringLiteral(" (продолжение)")));
    }
    QCOMPARE(found, QVector<int>(detectors, 1));
    QCOMPARE(withRows, schedulePages);
}

// Without an outline the report says so instead of giving shares of no floor;
// a detector on an obstacle is still listed, without zone figures.
void TestDesignReport::noOutline()
{
    QFile hall(kHall);
    QVERIFY(hall.open(QIODevice::ReadOnly));
    QByteArray bytes = hall.readAll();
    const int start = bytes.indexOf("<Outline>");
    bytes.remove(start, bytes.indexOf("</>\r\n", start) + 5 - start);
    ProjectDocument document;
    QString project;
    load(document, bytes, &project);
    QVERIFY(!document.plan().hasPath());
    QCOMPARE(document.sensors().size(), 1);

    const QString out = dir.filePath(QStringLiteral("no-outline.pdf"));
    QVERIFY(exportDesignReport(document, project, out));
    const QString text = ReportPdf::text(out, 2);
    QVERIFY2(text.contains(QStringLiteral("Покрытие не рассчитано: на плане не задан контур "
                                          "помещения. Цели проекта: ≥1 — 90,0 %, ≥2 — не задана.")),
        qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("Доля пола")));
    QVERIFY(!text.contains(QStringLiteral("Карта покрытия")));
    // The row laid out as on the page: its cells apart by two spaces or more.
    const QStringList cells = ReportPdf::text(out, 2, true)
                                  .split(QLatin1Char('\n'))
                                  .filter(QRegularExpression(QStringLiteral("^\\s*1\\s+ИП-5\\s")))
                                  .value(0)
                                  .trimmed()
                                  .split(QRegularExpression(QStringLiteral("\\s{2,}")));
    QVERIFY2(cells.size() > 4, qPrintable(cells.join(QLatin1Char('|'))));
    QCOMPARE(
        cells.mid(cells.size() - 2), QStringList({ QStringLiteral("—"), QStringLiteral("—") }));
}

void TestDesignReport::failedWrite_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("folder that does not exist") << QStringLiteral("none/report.pdf") << false;
    QTest::newRow("read-only file") << QStringLiteral("kept.pdf") << true;
}

// Nothing is left at the target, or the old file stays as it was, and no
// temporary file is left beside it.
void TestDesignReport::failedWrite()
{
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString out = folder.filePath(name);
    if (readOnly) {
        QVERIFY(writeFile(out, "old"));
        QVERIFY(QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    }
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);

    ProjectDocument document;
    QString error;
    QVERIFY(!exportDesignReport(document, QString(), out, QPageSize(QPageSize::A4), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);
    if (readOnly) {
        QFile kept(out);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old"));
    } else {
        QVERIFY(!QFile::exists(out));
    }
}

QTEST_MAIN(TestDesignReport)
#include "tst_designreport.moc"
