#include "detectors/sensorcatalogue.h"
#include "detectors/sensorrecord.h"

#include <QtTest>

namespace {

QString u16(const char16_t *text)
{
    return QString::fromUtf16(text);
}

SensorRanges rounded(const SensorRanges &r)
{
    SensorRanges result;
    for (size_t i = 0; i < r.size(); ++i)
        result[i] = std::round(r[i] * 100) / 100;
    return result;
}

} // namespace

Q_DECLARE_METATYPE(SensorRanges)

namespace {

QVariant readAttribute(const SensorRecord &record, const QString &name)
{
    if (name == QLatin1String("NoiseImmunity"))
        return record.noiseImmunity();
    if (name == QLatin1String("OptionHanger"))
        return record.optionHanger();
    if (name == QLatin1String("OptionRS1"))
        return record.optionRS1();
    if (name == QLatin1String("Analysis"))
        return record.analysis();
    if (name == QLatin1String("Sensitivity"))
        return int(record.sensitivity());
    return QVariant();
}

} // namespace

class TestSensorRecord : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void catalogueLists();
    void typeAndPicture_data();
    void typeAndPicture();
    void modeName_data();
    void modeName();
    void threshold_data();
    void threshold();
    void ranges_data();
    void ranges();
    void tableChoice();
    void angularFactors();
    void panelDistance_data();
    void panelDistance();
    void inheritedDefaults();
    void eachInheritedAttributeCarriesOver_data();
    void eachInheritedAttributeCarriesOver();
};

void TestSensorRecord::init()
{
    SensorRecord::resetInheritedDefaults();
}

void TestSensorRecord::catalogueLists()
{
    const QStringList &entries = SensorCatalogue::cableEntries();
    QCOMPARE(entries.size(), 39);
    QCOMPARE(entries.first(), u16(u"\u041D\u0435\u0442"));
    QCOMPARE(entries.at(29), u16(u"\u0428\u04221\""));
    QCOMPARE(entries.at(30), u16(u"\u0428\u04221\"-\u041D"));
    QCOMPARE(entries.last(), u16(u"\u0428\u04223/4\"-\u041D"));
    QCOMPARE(QStringList(entries).removeDuplicates(), 0);
    QCOMPARE(SensorCatalogue::interfaces(),
        QStringList({ "RS", "4-20", "HART", u16(u"\u0414PRO"), "SF" }));
    QCOMPARE(SensorCatalogue::bodies().size(), 2);
    QCOMPARE(SensorCatalogue::certificates().size(), 3);

    // A new record carries the catalogue's defaults.
    const SensorRecord record;
    QCOMPARE(record.sensor(), '3');
    QCOMPARE(record.sensitivity(), quint16(100));
    QCOMPARE(record.height(), 3.0);
    QCOMPARE(record.section(), -1);
    QCOMPARE(record.in1(), entries.first());
    QCOMPARE(record.body(), SensorCatalogue::bodies().first());
    QCOMPARE(record.interfaceName(), QString("RS"));
    QCOMPARE(record.certificate(), SensorCatalogue::certificates().first());
    QCOMPARE(record.labelOffset(), QPointF(1.0, 0.0));
    QCOMPARE(record.labelScale(), 0.01);
}

void TestSensorRecord::typeAndPicture_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<bool>("stainless");
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<QString>("picture");
    // The infrared name has a Latin a after 51м, the other a Cyrillic а.
    const QString ir = u16(u"ZIR-51\u043Ca-RS-330-1 \"\u0424\u0430\u0440\u0433\u043E\u0441-3 "
                           u"\u0418\u041A\"");
    const QString irUv = u16(u"ZIR-51\u043C\u0430-RS-329/330-1 \"\u0424\u0430\u0440\u0433\u043E"
                             u"\u0441-\u0418\u041A/\u0423\u0424\"");
    QTest::newRow("3 aluminium") << '3' << false << ir << "Sensor3Ir.ico";
    QTest::newRow("3 stainless") << '3' << true << ir << "Sensor3IrN.ico";
    QTest::newRow("1 like 3") << '1' << false << ir << "Sensor3Ir.ico";
    QTest::newRow("4 aluminium") << '4' << false << irUv << "SensorIrUv.ico";
    QTest::newRow("2 like 4, stainless") << '2' << true << irUv << "SensorIrUvN.ico";
    QTest::newRow("unknown code") << '5' << false << QString() << QString();
    QTest::newRow("zero code") << '\0' << true << QString() << QString();
}

void TestSensorRecord::typeAndPicture()
{
    QFETCH(char, sensor);
    QFETCH(bool, stainless);
    QFETCH(QString, typeName);
    QFETCH(QString, picture);
    SensorRecord record;
    record.setSensor(sensor);
    if (stainless)
        record.setBody(SensorCatalogue::bodies().at(1));
    QCOMPARE(record.typeName(), typeName);
    if (picture.isEmpty()) {
        QVERIFY(record.pictureHtml().isEmpty());
        return;
    }
    QCOMPARE(record.pictureHtml(),
        "<html><head/><body><p><img src=\":/icons/Resources/Icons/" + picture
            + "\" width=\"128\" height=\"128\"/ ></p></body></html>");
}

void TestSensorRecord::modeName_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<int>("analysis");
    QTest::addColumn<bool>("noiseImmunity");
    QTest::addColumn<QString>("expected");
    const QString suffix = QStringLiteral(" (повышенная помехозащищенность)");
    QTest::newRow("IR ignores analysis") << '3' << 2 << false << QStringLiteral("ИК");
    QTest::newRow("IR quiet") << '3' << 0 << true << QStringLiteral("ИК") + suffix;
    QTest::newRow("code 1 like IR") << '1' << 3 << false << QStringLiteral("ИК");
    QTest::newRow("IR/UV 0") << '4' << 0 << false << QStringLiteral("ИК и УФ");
    QTest::newRow("IR/UV 0 quiet") << '4' << 0 << true << QStringLiteral("ИК и УФ") + suffix;
    QTest::newRow("IR/UV 1") << '4' << 1 << false << QStringLiteral("ИК");
    QTest::newRow("IR/UV 2") << '2' << 2 << false << QStringLiteral("УФ");
    QTest::newRow("IR/UV 3 quiet, from a file")
        << '4' << 3 << true << QStringLiteral("ИК или УФ") + suffix;
    QTest::newRow("IR/UV 7") << '4' << 7 << false << QString();
    QTest::newRow("other code quiet") << 'x' << 0 << true << suffix;
    QTest::newRow("other code") << 'x' << 0 << false << QString();
}

void TestSensorRecord::modeName()
{
    QFETCH(char, sensor);
    QFETCH(int, analysis);
    QFETCH(bool, noiseImmunity);
    QFETCH(QString, expected);
    SensorRecord record;
    record.setSensor(sensor);
    record.setAnalysis(analysis);
    record.setNoiseImmunity(noiseImmunity);
    QCOMPARE(record.modeName(), expected);
}

void TestSensorRecord::threshold_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<bool>("noiseImmunity");
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<double>("expected");
    QTest::newRow("IR/UV 100") << '4' << false << 100 << 16.0;
    QTest::newRow("IR/UV 150 acts as 100") << '4' << false << 150 << 16.0;
    QTest::newRow("IR/UV 65535") << '4' << false << 65535 << 16.0;
    QTest::newRow("IR/UV 89 between 100 and 78") << '4' << false << 89 << 25.5;
    QTest::newRow("IR/UV 78 breakpoint") << '4' << false << 78 << 35.0;
    QTest::newRow("IR/UV 35 breakpoint") << '4' << false << 35 << 55.0;
    QTest::newRow("IR/UV 10 between 35 and 0") << '4' << false << 10 << 55.0 + 25.0 * 65 / 35;
    QTest::newRow("IR/UV 0") << '4' << false << 0 << 120.0;
    QTest::newRow("IR/UV quiet 50") << '4' << true << 50 << 87.5;
    QTest::newRow("IR/UV quiet 100") << '4' << true << 100 << 55.0;
    QTest::newRow("IR 55 breakpoint") << '3' << false << 55 << 27.0;
    QTest::newRow("IR 40") << '3' << false << 40 << 27.0 + 15.0 * 27 / 31;
    QTest::newRow("IR 24 breakpoint") << '3' << false << 24 << 54.0;
    QTest::newRow("IR 1") << '3' << false << 1 << 117.0 - 63.0 / 24;
    QTest::newRow("IR quiet 0") << '3' << true << 0 << 117.0;
    QTest::newRow("IR quiet 150") << '3' << true << 150 << 54.0;
}

void TestSensorRecord::threshold()
{
    QFETCH(char, sensor);
    QFETCH(bool, noiseImmunity);
    QFETCH(int, sensitivity);
    QFETCH(double, expected);
    const DetectionTable &table = SensorCatalogue::detectionTable(sensor, noiseImmunity);
    QCOMPARE(SensorCatalogue::threshold(table, sensitivity), expected);
    if (sensitivity <= 65535) {
        SensorRecord record;
        record.setSensor(sensor);
        record.setNoiseImmunity(noiseImmunity);
        record.setSensitivity(quint16(sensitivity));
        QCOMPARE(record.threshold(), expected);
    }
}

void TestSensorRecord::ranges_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<bool>("noiseImmunity");
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<SensorRanges>("expected");
    QTest::newRow("IR/UV 100") << '4' << false << 100
                               << SensorRanges { 40, 39.86, 39.36, 34.33, 11.86, 0, 0 };
    QTest::newRow("IR/UV 150 as 100")
        << '4' << false << 150 << SensorRanges { 40, 39.86, 39.36, 34.33, 11.86, 0, 0 };
    QTest::newRow("IR quiet 0") << '3' << true << 0
                                << SensorRanges { 17, 16.9, 16.62, 15.64, 9.79, 0, 0 };
    QTest::newRow("IR/UV 78 reaches 35 m")
        << '4' << false << 78 << SensorRanges { 35, 34.38, 32.28, 25.89, 11.47, 0, 0 };
}

void TestSensorRecord::ranges()
{
    QFETCH(char, sensor);
    QFETCH(bool, noiseImmunity);
    QFETCH(int, sensitivity);
    QFETCH(SensorRanges, expected);
    SensorRecord record;
    record.setSensor(sensor);
    record.setNoiseImmunity(noiseImmunity);
    record.setSensitivity(quint16(sensitivity));
    const SensorRanges r = rounded(record.ranges());
    for (size_t j = 0; j < r.size(); ++j)
        QVERIFY2(r[j] == expected[j],
            qPrintable(QString("r(%1) = %2, expected %3").arg(j).arg(r[j]).arg(expected[j])));
}

void TestSensorRecord::tableChoice()
{
    // Only code '3' has the infrared tables; '1' gets the IR/UV ones.
    QCOMPARE(
        &SensorCatalogue::detectionTable('3', false), &SensorCatalogue::detectionTable('3', false));
    QVERIFY(&SensorCatalogue::detectionTable('1', false)
        == &SensorCatalogue::detectionTable('4', false));
    QVERIFY(
        &SensorCatalogue::detectionTable('2', true) == &SensorCatalogue::detectionTable('4', true));
    QVERIFY(&SensorCatalogue::detectionTable('3', false)
        != &SensorCatalogue::detectionTable('4', false));
    SensorRecord record;
    record.setSensor('1');
    QCOMPARE(record.threshold(), 16.0);
    QCOMPARE(record.ranges()[0], 40.0);
    record.setSensor('3');
    QCOMPARE(record.ranges()[0], 50.0);
    // Analysis does not enter the tables.
    record.setAnalysis(3);
    QCOMPARE(record.ranges()[0], 50.0);
}

void TestSensorRecord::angularFactors()
{
    double sum = 0;
    for (int i = 0; i <= 90; ++i)
        sum += SensorCatalogue::angularFactor(i);
    // 91 ones plus the listed deviations: 29 × 0.001, 4 × 0.002, 5 × 0.003,
    // 5 × 0.004, 2 × 0.005, 0.006, 2 × 0.008, 0.01, and 14 × -0.05.
    QVERIFY(
        qAbs(sum - (91 + 0.029 + 0.008 + 0.015 + 0.02 + 0.01 + 0.006 + 0.016 + 0.01 - 0.7)) < 1e-9);
    for (int i = 0; i <= 90; i += 15)
        QCOMPARE(SensorCatalogue::angularFactor(i), 1.0);
    QCOMPARE(SensorCatalogue::angularFactor(22), 1.0);
    QCOMPARE(SensorCatalogue::angularFactor(23), 1.001);
    QCOMPARE(SensorCatalogue::angularFactor(37), 1.001);
    QCOMPARE(SensorCatalogue::angularFactor(38), 1.003);
    QCOMPARE(SensorCatalogue::angularFactor(44), 1.01);
    QCOMPARE(SensorCatalogue::angularFactor(61), 0.95);
    QCOMPARE(SensorCatalogue::angularFactor(74), 0.95);
    QCOMPARE(SensorCatalogue::angularFactor(76), 1.001);
    QCOMPARE(SensorCatalogue::angularFactor(89), 1.001);
    QCOMPARE(SensorCatalogue::angularFactor(-1), 1.0);
    QCOMPARE(SensorCatalogue::angularFactor(91), 1.0);
}

void TestSensorRecord::panelDistance_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<bool>("noiseImmunity");
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<int>("expected");
    QTest::newRow("IR/UV 78") << '4' << false << 78 << 35;
    QTest::newRow("IR/UV 35 shows 26") << '4' << false << 35 << 26;
    QTest::newRow("IR/UV quiet 50, half up") << '4' << true << 50 << 22;
    QTest::newRow("IR 0") << '3' << false << 0 << 17;
    QTest::newRow("IR 100") << '3' << false << 100 << 50;
    QTest::newRow("IR quiet 150") << '3' << true << 150 << 25;
}

void TestSensorRecord::panelDistance()
{
    QFETCH(char, sensor);
    QFETCH(bool, noiseImmunity);
    QFETCH(int, sensitivity);
    QFETCH(int, expected);
    SensorRecord record;
    record.setSensor(sensor);
    record.setNoiseImmunity(noiseImmunity);
    record.setSensitivity(quint16(sensitivity));
    QCOMPARE(record.panelDistance(), expected);
}

void TestSensorRecord::inheritedDefaults()
{
    SensorRecord first = SensorRecord::fromDefaults();
    first.setTag("T-1");
    first.setAngle(30);
    first.setSection(2);
    first.setPos(4.5);
    first.setAtRight(true);
    first.setHeight(5);
    first.setSensor('4');
    first.setAnalysis(2);
    first.setSensitivity(60);
    first.setTilt(10);
    first.setIn1(SensorCatalogue::cableEntries().at(3));
    first.setIn2(SensorCatalogue::cableEntries().at(29));
    first.setBody(SensorCatalogue::bodies().at(1));
    first.setInterfaceName("HART");
    first.setCertificate(SensorCatalogue::certificates().at(2));
    first.setOptionRS2(true);
    first.setLabelOffset(QPointF(2, 3));

    const SensorRecord next = SensorRecord::fromDefaults();
    QCOMPARE(next.height(), 5.0);
    QCOMPARE(next.sensor(), '4');
    QCOMPARE(next.analysis(), 2);
    QCOMPARE(next.sensitivity(), quint16(60));
    QCOMPARE(next.tilt(), 10);
    QCOMPARE(next.in1(), SensorCatalogue::cableEntries().at(3));
    QCOMPARE(next.in2(), SensorCatalogue::cableEntries().at(29));
    QCOMPARE(next.body(), SensorCatalogue::bodies().at(1));
    QCOMPARE(next.interfaceName(), QString("HART"));
    QCOMPARE(next.certificate(), SensorCatalogue::certificates().at(2));
    QVERIFY(next.optionRS2());
    QVERIFY(!next.optionRS1());
    // Not inherited: tag, placement, turn and label.
    QVERIFY(next.tag().isEmpty());
    QCOMPARE(next.angle(), 0);
    QCOMPARE(next.section(), -1);
    QCOMPARE(next.pos(), 0.0);
    QVERIFY(!next.atRight());
    QCOMPARE(next.labelOffset(), QPointF(1, 0));

    // The most recent assignment wins, whichever detector it was made on.
    SensorRecord other = SensorRecord::fromDefaults();
    other.setHeight(2.5);
    QCOMPARE(SensorRecord::fromDefaults().height(), 2.5);
    QCOMPARE(first.height(), 5.0);

    SensorRecord::resetInheritedDefaults();
    QCOMPARE(SensorRecord::fromDefaults().height(), 3.0);
    QCOMPARE(SensorRecord::fromDefaults().sensor(), '3');
}

namespace {

// Sets the named attribute away from its default; returns how it reads then.
QVariant setAttribute(SensorRecord &record, const QString &name)
{
    if (name == QLatin1String("NoiseImmunity"))
        record.setNoiseImmunity(true);
    else if (name == QLatin1String("OptionHanger"))
        record.setOptionHanger(true);
    else if (name == QLatin1String("OptionRS1"))
        record.setOptionRS1(true);
    else if (name == QLatin1String("Analysis"))
        record.setAnalysis(3);
    else if (name == QLatin1String("Sensitivity"))
        record.setSensitivity(42);
    return readAttribute(record, name);
}

} // namespace

void TestSensorRecord::eachInheritedAttributeCarriesOver_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
        { "NoiseImmunity", "OptionHanger", "OptionRS1", "Analysis", "Sensitivity" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestSensorRecord::eachInheritedAttributeCarriesOver()
{
    QFETCH(QString, name);
    const SensorRecord fresh = SensorRecord::fromDefaults();
    SensorRecord last = SensorRecord::fromDefaults();
    const QVariant set = setAttribute(last, name);
    QVERIFY(set != readAttribute(fresh, name));
    QCOMPARE(readAttribute(SensorRecord::fromDefaults(), name), set);
    SensorRecord::resetInheritedDefaults();
    QCOMPARE(readAttribute(SensorRecord::fromDefaults(), name), readAttribute(fresh, name));
}

QTEST_GUILESS_MAIN(TestSensorRecord)
#include "tst_sensorrecord.moc"
