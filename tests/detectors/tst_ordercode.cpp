#include "detectors/ordercode.h"
#include "detectors/sensorcatalogue.h"
#include "detectors/sensorrecord.h"

#include <QtTest>

class TestOrderCode : public QObject
{
    Q_OBJECT
private slots:
    void orderCode_data();
    void orderCode();
    void everyCatalogueCombination();
};

void TestOrderCode::orderCode_data()
{
    QTest::addColumn<char>("sensor");
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<QString>("in1");
    QTest::addColumn<QString>("in2");
    QTest::addColumn<int>("options"); // bits: hanger, RS1, RS2
    QTest::addColumn<QString>("expected");

    const QString al = QStringLiteral("Алюминиевый сплав");
    const QString steel = QStringLiteral("Нержавеющая сталь");
    const QString none = QStringLiteral("Нет");
    // The expected codes spell the Cyrillic letters out, so that a Latin look-alike fails.
    auto code = [](const char16_t *text) { return QString::fromUtf16(text); };

    QTest::newRow("IR/UV, RS, aluminium") << '4' << "RS" << al << none << none << none << 0
                                          << code(u"ZIR-51\u043C\u0430-RS-329/330-1-\u0410/1-2");
    QTest::newRow("IR, HART, stainless, РМРС, КВБ12, МК2")
        << '3' << "HART" << steel << QStringLiteral("РМРС") << QStringLiteral("КВБ12") << none << 4
        << code(u"ZIR-51\u043C\u0430-RS-HART-330-1-\u041D/1-2, \u0420\u041C\u0420\u0421, "
                u"\u041A\u0412\u041112, \u041C\u041A2");
    QTest::newRow("4-20") << '4' << "4-20" << al << none << none << none << 0
                          << code(u"ZIR-51\u043C\u0430-RS-329/330-1-\u0410/1-2, 4/20\u043C\u0410");
    QTest::newRow("SF, РКО, all options")
        << '3' << "SF" << steel << QStringLiteral("РКО") << none << none << 7
        << code(u"ZIR-51\u043C\u0430-330-1-\u041D/1-2, SF, \u0420\u041A\u041E, "
                u"\u0414\u041A-\u041E\u041F, \u041C\u041A1, \u041C\u041A2");
    QTest::newRow("ДPRO") << '4' << QStringLiteral("ДPRO") << al << none << none << none << 0
                          << code(u"ZIR-51\u043C\u0430-329/330-1-\u0410/1-2, \u0414PRO");
    QTest::newRow("inch signs stay")
        << '4' << "RS" << al << none << QStringLiteral("ШТ1\"") << QStringLiteral("ШТ3/4\"-Н") << 0
        << QStringLiteral("ZIR-51ма-RS-329/330-1-А/1-2, ШТ1\", ШТ3/4\"-Н");
    QTest::newRow("empty entries add a bare separator")
        << '4' << "RS" << al << none << QString() << QString() << 0
        << QStringLiteral("ZIR-51ма-RS-329/330-1-А/1-2, , ");
    QTest::newRow("old code 1 has no model part")
        << '1' << "RS" << al << none << none << none << 0 << QStringLiteral("ZIR-51ма-RS-1-А/1-2");
    QTest::newRow("unknown texts add nothing") << '4' << "rs"
                                               << "" << QStringLiteral("нет") << none << none << 2
                                               << QStringLiteral("ZIR-51м-329/330-1/1-2, МК1");
    QTest::newRow("Latin look-alikes are not the catalogue's")
        << '3' << "RS"
        << "Hержавеющая сталь"
        << "PKO" << none << none << 1 << QStringLiteral("ZIR-51ма-RS-330-1/1-2, ДК-ОП");
}

void TestOrderCode::orderCode()
{
    QFETCH(char, sensor);
    QFETCH(QString, interfaceName);
    QFETCH(QString, body);
    QFETCH(QString, certificate);
    QFETCH(QString, in1);
    QFETCH(QString, in2);
    QFETCH(int, options);
    QFETCH(QString, expected);
    SensorRecord record;
    record.setSensor(sensor);
    record.setInterfaceName(interfaceName);
    record.setBody(body);
    record.setCertificate(certificate);
    record.setIn1(in1);
    record.setIn2(in2);
    record.setOptionHanger(options & 1);
    record.setOptionRS1(options & 2);
    record.setOptionRS2(options & 4);
    // Neither the mode nor the sensitivity takes part.
    record.setAnalysis(3);
    record.setNoiseImmunity(true);
    record.setSensitivity(7);
    QCOMPARE(record.orderCode(), expected);
    QCOMPARE(::orderCode(record), expected);
}

// Every combination of the catalogue gives a code made of the pieces in
// order; checked by rebuilding it from the parts it must contain.
void TestOrderCode::everyCatalogueCombination()
{
    const QStringList &entries = SensorCatalogue::cableEntries();
    int count = 0;
    for (char sensor : { '3', '4' }) {
        for (const QString &iface : SensorCatalogue::interfaces()) {
            for (const QString &body : SensorCatalogue::bodies()) {
                for (const QString &cert : SensorCatalogue::certificates()) {
                    for (int e = 0; e < entries.size(); ++e) {
                        for (int options = 0; options < 8; ++options) {
                            SensorRecord r;
                            r.setSensor(sensor);
                            r.setInterfaceName(iface);
                            r.setBody(body);
                            r.setCertificate(cert);
                            r.setIn1(entries.at(e));
                            r.setIn2(entries.at(entries.size() - 1 - e));
                            r.setOptionHanger(options & 1);
                            r.setOptionRS1(options & 2);
                            r.setOptionRS2(options & 4);
                            const QString code = r.orderCode();
                            QString prefix = "ZIR-51м";
                            prefix += iface == "HART"                ? "а-RS-HART"
                                : (iface == "RS" || iface == "4-20") ? "а-RS"
                                                                     : "а";
                            prefix += sensor == '3' ? "-330-1" : "-329/330-1";
                            prefix += body == SensorCatalogue::bodies().at(0) ? "-А/1-2" : "-Н/1-2";
                            QVERIFY2(code.startsWith(prefix), qPrintable(code));
                            QStringList rest = code.mid(prefix.size()).split(", ");
                            QCOMPARE(rest.takeFirst(), QString());
                            if (iface == "4-20" || iface == "SF" || iface == "ДPRO")
                                QCOMPARE(
                                    rest.takeFirst(), iface == "4-20" ? QString("4/20мА") : iface);
                            if (cert != "Нет")
                                QCOMPARE(rest.takeFirst(), cert);
                            if (e != 0)
                                QCOMPARE(rest.takeFirst(), entries.at(e));
                            if (e != entries.size() - 1)
                                QCOMPARE(rest.takeFirst(), entries.at(entries.size() - 1 - e));
                            if (options & 1)
                                QCOMPARE(rest.takeFirst(), QString("ДК-ОП"));
                            if (options & 2)
                                QCOMPARE(rest.takeFirst(), QString("МК1"));
                            if (options & 4)
                                QCOMPARE(rest.takeFirst(), QString("МК2"));
                            QVERIFY2(rest.isEmpty(), qPrintable(code));
                            ++count;
                        }
                    }
                }
            }
        }
    }
    QCOMPARE(count, 2 * 5 * 2 * 3 * 39 * 8);
}

QTEST_GUILESS_MAIN(TestOrderCode)
#include "tst_ordercode.moc"
