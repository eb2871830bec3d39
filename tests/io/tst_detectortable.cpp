#include "io/detectortable.h"

#include "common/filesizelimit.h"
#include "detectors/sensorrecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

// Header and the example detector's line in Windows-1251, as a spreadsheet on a Russian system
// reads them.
const QByteArray header1251 = QByteArray::fromHex(
    "22b920ef2fef223b22d2fde3eee2fbe920b9223b22d2e8ef20e8e7e2e5f9e0f2e5ebff20efebe0ece5ede82028f8e8"
    "f4f029223b22d0e5e6e8ec223b22d7f3e2f1f2e2e8f2e5ebfcedeef1f2fc2c2025223b22c2fbf1eef2e02c20ec223b"
    "22cfeee2eef0eef22ce3f0e0e42e223b22cde0eaebeeed2ce3f0e0e42e220d0a");
const QByteArray example1251 = QByteArray::fromHex(
    "313b224b2d31202222412222223b225a49522d3531ece02d52532d3332392f3333302d312dc02f312d32223b22c8ca"
    "20e820d3d4223b38303b322c353b2d31353b31300d0a");

DetectorTableRow exampleRow()
{
    DetectorTableRow row;
    row.tag = QStringLiteral("K-1 \"A\"");
    row.orderCode = QStringLiteral("ZIR-51ма-RS-329/330-1-А/1-2");
    row.modeName = QStringLiteral("ИК и УФ");
    row.sensitivity = 80;
    row.height = 2.5;
    row.angle = -15;
    row.tilt = 10;
    return row;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

class TestDetectorTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exampleBytes();
    void headerAloneWithoutDetectors();
    void rowFields_data();
    void rowFields();
    void runningNumbersAndLineEnds();
    void rowsFromRecords();
    void utf8HasNoByteOrderMark();
    void fileUsesLocaleEncoding();
    void fileIsTruncated();
    void unwritablePathWritesNothing();
    void failedWriteKeepsThePreviousTable();

private:
    QTextCodec *cp1251 = nullptr;
};

void TestDetectorTable::init()
{
    cp1251 = QTextCodec::codecForName("Windows-1251");
    QVERIFY(cp1251);
}

void TestDetectorTable::exampleBytes()
{
    QCOMPARE(detectorTableBytes({ exampleRow() }, cp1251), header1251 + example1251);
    QCOMPARE(detectorTableText({ exampleRow() }).section(QStringLiteral("\r\n"), 1, 1),
        QStringLiteral(R"(1;"K-1 ""A""";"ZIR-51ма-RS-329/330-1-А/1-2";"ИК и УФ";80;2,5;-15;10)"));
}

void TestDetectorTable::headerAloneWithoutDetectors()
{
    QCOMPARE(detectorTableBytes({}, cp1251), header1251);
    QCOMPARE(detectorTableText({}),
        QStringLiteral("\"№ п/п\";\"Тэговый №\";\"Тип извещателя пламени (шифр)\";\"Режим\";"
                       "\"Чувствительность, %\";\"Высота, м\";\"Поворот,град.\";"
                       "\"Наклон,град.\"\r\n"));
}

void TestDetectorTable::rowFields_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("orderCode");
    QTest::addColumn<QString>("modeName");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("angle");
    QTest::addColumn<QString>("expected");

    QTest::newRow("inch sign in a cable entry")
        << QStringLiteral("Д-7") << QStringLiteral("ZIR-51ма-RS-330-1-А/1-2, ШТ1\", ШТ1/2\"-Н")
        << QStringLiteral("ИК") << 3.0 << 0
        << QStringLiteral(
               R"(1;"Д-7";"ZIR-51ма-RS-330-1-А/1-2, ШТ1"", ШТ1/2""-Н";"ИК";100;3,0;0;5)");
    QTest::newRow("tag of quotes only")
        << QStringLiteral("\"\"") << QStringLiteral("ZIR-51ма-1/1-2") << QString() << 20.0 << 90
        << QStringLiteral(R"(1;"""""";"ZIR-51ма-1/1-2";"";100;20,0;90;5)");
    QTest::newRow("semicolon and comma stay inside quotes")
        << QStringLiteral("a;b") << QStringLiteral("ZIR-51ма-RS-329/330-1-А/1-2, 4/20мА")
        << QStringLiteral("ИК или УФ (повышенная помехозащищенность)") << 0.1 << -90
        << QStringLiteral(R"x(1;"a;b";"ZIR-51ма-RS-329/330-1-А/1-2, 4/20мА";)x"
                          R"x("ИК или УФ (повышенная помехозащищенность)";100;0,1;-90;5)x");
    QTest::newRow("height rounded to one digit")
        << QString() << QString() << QString() << 12.96 << 7
        << QStringLiteral(R"(1;"";"";"";100;13,0;7;5)");
}

void TestDetectorTable::rowFields()
{
    QFETCH(QString, tag);
    QFETCH(QString, orderCode);
    QFETCH(QString, modeName);
    QFETCH(double, height);
    QFETCH(int, angle);
    QFETCH(QString, expected);

    DetectorTableRow row;
    row.tag = tag;
    row.orderCode = orderCode;
    row.modeName = modeName;
    row.sensitivity = 100;
    row.height = height;
    row.angle = angle;
    row.tilt = 5;
    const QStringList lines = detectorTableText({ row }).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1), expected);
    QVERIFY(lines.at(2).isEmpty());
}

void TestDetectorTable::runningNumbersAndLineEnds()
{
    DetectorTableRow second = exampleRow();
    second.tag = QStringLiteral("K-2");
    const QString text = detectorTableText({ exampleRow(), second, exampleRow() });
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 4);
    QCOMPARE(text.count(QLatin1Char('\n')), 4);
    QCOMPARE(text.count(QLatin1Char('\r')), 4);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("1;\"K-1 ")));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("2;\"K-2\";")));
    QVERIFY(lines.at(3).startsWith(QStringLiteral("3;\"K-1 ")));
}

void TestDetectorTable::rowsFromRecords()
{
    SensorRecord example;
    example.setTag(QStringLiteral("K-1 \"A\""));
    example.setSensor('4');
    example.setInterfaceName(QStringLiteral("RS"));
    example.setBody(QStringLiteral("Алюминиевый сплав"));
    example.setIn1(QStringLiteral("Нет"));
    example.setIn2(QStringLiteral("Нет"));
    example.setCertificate(QStringLiteral("Нет"));
    example.setAnalysis(0);
    example.setNoiseImmunity(false);
    example.setSensitivity(80);
    example.setHeight(2.5);
    example.setAngle(-15);
    example.setTilt(10);

    // An infrared detector with an inch-sign cable entry and noise immunity.
    SensorRecord second;
    second.setSensor('3');
    second.setInterfaceName(QStringLiteral("HART"));
    second.setBody(QStringLiteral("Нержавеющая сталь"));
    second.setIn1(QStringLiteral("ШТ1\""));
    second.setIn2(QStringLiteral("Нет"));
    second.setNoiseImmunity(true);
    second.setSensitivity(100);
    second.setHeight(3.0);
    second.setTilt(0);

    const QByteArray bytes
        = detectorTableBytes({ detectorTableRow(example), detectorTableRow(second) }, cp1251);
    QVERIFY(bytes.startsWith(header1251 + example1251));
    QCOMPARE(cp1251->toUnicode(bytes.mid(header1251.size() + example1251.size())),
        QStringLiteral(R"x(2;"";"ZIR-51ма-RS-HART-330-1-Н/1-2, ШТ1""";)x"
                       R"x("ИК (повышенная помехозащищенность)";100;3,0;0;0)x"
                       "\r\n"));
    SensorRecord::resetInheritedDefaults();
}

void TestDetectorTable::utf8HasNoByteOrderMark()
{
    const QByteArray bytes
        = detectorTableBytes({ exampleRow() }, QTextCodec::codecForName("UTF-8"));
    QVERIFY(bytes.startsWith(QByteArray("\"\xE2\x84\x96 ")));
    QCOMPARE(QString::fromUtf8(bytes), detectorTableText({ exampleRow() }));
}

void TestDetectorTable::fileUsesLocaleEncoding()
{
    QTextCodec *previous = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(cp1251);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    const bool written = writeDetectorTableFile(path, { exampleRow() });
    QTextCodec::setCodecForLocale(previous);

    QVERIFY(written);
    QCOMPARE(readAll(path), header1251 + example1251);
}

void TestDetectorTable::fileIsTruncated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 'x'));
    }
    QVERIFY(writeDetectorTableFile(path, {}));
    QCOMPARE(readAll(path), detectorTableBytes({}));
}

void TestDetectorTable::unwritablePathWritesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/table.csv"));
    QVERIFY(!writeDetectorTableFile(path, { exampleRow() }));
    QVERIFY(!QFile::exists(path));
    // A folder in place of the file cannot be opened for writing either.
    QVERIFY(!writeDetectorTableFile(dir.path(), { exampleRow() }));
}

void TestDetectorTable::failedWriteKeepsThePreviousTable()
{
#ifdef Q_OS_UNIX
    // A file size limit stops the write part-way, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(writeDetectorTableFile(path, { exampleRow(), exampleRow() }));
    const QByteArray previous = readAll(path);
    const QVector<DetectorTableRow> rows(5000, exampleRow());
    QVERIFY(detectorTableBytes(rows).size() > 200 * 1024);

    bool written = true;
    QString why;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isSet());
        written = writeDetectorTableFile(path, rows, &why);
    }
    QVERIFY(!written);
    QVERIFY2(why.startsWith(QStringLiteral("cannot be written: ")), qPrintable(why));
    QCOMPARE(readAll(path), previous);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList(QStringLiteral("table.csv")));

    // With the limit lifted the same table replaces it.
    QVERIFY(writeDetectorTableFile(path, rows));
    QCOMPARE(readAll(path), detectorTableBytes(rows));
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_GUILESS_MAIN(TestDetectorTable)
#include "tst_detectortable.moc"
