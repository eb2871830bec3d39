#include "io/base64.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray decoded(const QByteArray &text, bool *canonical = nullptr)
{
    return Base64::decode(text.constData(), std::size_t(text.size()), canonical);
}

} // namespace

class TestBase64 : public QObject
{
    Q_OBJECT
private slots:
    void decodesAsQt_data();
    void decodesAsQt();
    void decodesRandomTextAsQt();
    void encodesAsQt();
    void longTextRoundTrips();
};

void TestBase64::decodesAsQt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("canonical");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("one group") << QByteArray("TWFu") << true;
    QTest::newRow("two padded") << QByteArray("TWE=") << true;
    QTest::newRow("one padded") << QByteArray("TQ==") << true;
    QTest::newRow("every symbol") << QByteArray(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                                  << true;
    QTest::newRow("padding left out") << QByteArray("TWE") << false;
    QTest::newRow("one padding of two") << QByteArray("TQ=") << false;
    QTest::newRow("padding too long") << QByteArray("TWE==") << false;
    QTest::newRow("padding after a whole group") << QByteArray("TWFu=") << false;
    QTest::newRow("padding in the middle") << QByteArray("TQ==TWFu") << false;
    QTest::newRow("padding in a group") << QByteArray("TW=Fu") << false;
    QTest::newRow("bits left over") << QByteArray("TR==") << false;
    QTest::newRow("lone symbol") << QByteArray("T") << false;
    QTest::newRow("lone symbol after groups") << QByteArray("TWFuT") << false;
    QTest::newRow("line breaks") << QByteArray("TWFu\r\nTWFu\nTQ==\r\n") << false;
    QTest::newRow("spaces and tabs") << QByteArray(" TW Fu\tTWE= ") << false;
    QTest::newRow("line break in the padding") << QByteArray("TQ=\r\n=") << false;
    QTest::newRow("URL symbols") << QByteArray("-_-_TWFu") << false;
    QTest::newRow("high bytes") << QByteArray("TW\xff\x80"
                                              "Fu\xd0\x9f")
                                << false;
    QTest::newRow("zero byte") << QByteArray("TW\0Fu", 5) << false;
    QTest::newRow("only junk") << QByteArray("!!== \r\n") << false;
    QTest::newRow("quote and backslash") << QByteArray("TW\"F\\u") << false;
}

void TestBase64::decodesAsQt()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, canonical);
    bool isCanonical = !canonical;
    QCOMPARE(decoded(text, &isCanonical), QByteArray::fromBase64(text));
    QCOMPARE(isCanonical, canonical);
    QCOMPARE(isCanonical, QByteArray::fromBase64(text).toBase64() == text);
}

void TestBase64::decodesRandomTextAsQt()
{
    // Mostly symbols with junk, padding and line breaks strewn in, at every
    // length around the group size.
    static const char symbols[]
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    static const char others[] = "= \r\n\t\"\\-_!\x80\xff";
    QRandomGenerator random(51);
    for (int round = 0; round < 4000; ++round) {
        QByteArray text;
        const int length = round % 40;
        for (int i = 0; i < length; ++i) {
            const bool junk = random.bounded(8) == 0;
            text += junk ? others[random.bounded(int(sizeof others) - 1)]
                         : symbols[random.bounded(64)];
        }
        bool canonical = false;
        const QByteArray expected = QByteArray::fromBase64(text);
        QCOMPARE(decoded(text, &canonical), expected);
        QCOMPARE(canonical, expected.toBase64() == text);
    }
}

void TestBase64::encodesAsQt()
{
    QRandomGenerator random(7);
    for (int length = 0; length < 64; ++length) {
        QByteArray data(length, Qt::Uninitialized);
        for (char &byte : data)
            byte = char(random.bounded(256));
        const std::string text = Base64::encode(data.constData(), std::size_t(data.size()));
        QCOMPARE(QByteArray::fromStdString(text), data.toBase64());
    }
}

void TestBase64::longTextRoundTrips()
{
    // Long enough for the group loop to carry nearly all of it, with a
    // line break that puts the bit stream off its group start for a while.
    QByteArray data(3 * 100000 + 2, Qt::Uninitialized);
    QRandomGenerator random(3);
    for (char &byte : data)
        byte = char(random.bounded(256));
    const std::string text = Base64::encode(data.constData(), std::size_t(data.size()));
    bool canonical = false;
    QCOMPARE(Base64::decode(text.data(), text.size(), &canonical), data);
    QVERIFY(canonical);
    QByteArray broken = QByteArray::fromStdString(text);
    broken.insert(1001, "\r\n");
    QCOMPARE(decoded(broken, &canonical), data);
    QVERIFY(!canonical);
}

QTEST_APPLESS_MAIN(TestBase64)
#include "tst_base64.moc"
