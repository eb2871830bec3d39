#include "io/treenode.h"
#include "io/treenumbers.h"

#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>

namespace {

std::string writeTree(const TreeNode &root)
{
    std::ostringstream out;
    root.write(out, -1);
    return out.str();
}

void readTree(TreeNode &root, const std::string &text)
{
    std::istringstream in(text);
    root.read(in);
}

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), int(s.size()));
}

} // namespace

class TestTreeNode : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void writesTheDocumentedLayout();
    void setterTexts_data();
    void setterTexts();
    void realTextMatchesPrintf();
    void scalarGetters_data();
    void scalarGetters();
    void compositeGetters();
    void parsingStaysInsideTheValue();
    void textRoundTrips_data();
    void textRoundTrips();
    void readsKinds_data();
    void readsKinds();
    void readerRules();
    void closingLines();
    void childLookup();
    void clearKeepsName();
    void deepNestingIsIterative();
    void manyBlankLines();
    void longLinesTakeTheirLength_data();
    void longLinesTakeTheirLength();
    void nodeEndLimit_data();
    void nodeEndLimit();
};

void TestTreeNode::initTestCase()
{
    // QCoreApplication adopts the environment's locale; the tree must not care.
    std::setlocale(LC_ALL, "");
}

void TestTreeNode::writesTheDocumentedLayout()
{
    TreeNode root;
    root.addChild("App").setText("x");
    root.addChild("Surface").setInteger(5);
    root.addChild("Objects").addChild("Rect").setReal(1.5);
    const std::string text = writeTree(root);
    QCOMPARE(bytes(text),
        QByteArray("App=\"x\"\r\nSurface=5\r\n<Objects>\r\n\tRect=1.500000\r\n</>\r\n"));

    TreeNode back;
    readTree(back, text);
    QCOMPARE(back.childCount(), std::size_t(3));
    QCOMPARE(back.childAt(0)->kind(), TreeNode::Text);
    QCOMPARE(bytes(back.childAt(0)->value()), QByteArray("x"));
    QCOMPARE(back.childAt(1)->kind(), TreeNode::Integer);
    QCOMPARE(back.childAt(1)->toInteger(), 5LL);
    const TreeNode *objects = back.child("Objects");
    QVERIFY(objects && objects->hasChildList());
    QCOMPARE(objects->childCount(), std::size_t(1));
    QCOMPARE(objects->childAt(0)->kind(), TreeNode::Real);
    QCOMPARE(objects->childAt(0)->toReal(), 1.5);
    QCOMPARE(bytes(writeTree(back)), bytes(text));
}

void TestTreeNode::setterTexts_data()
{
    QTest::addColumn<int>("setter");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("integer -1") << 0 << QByteArray("-1");
    QTest::newRow("integer min") << 1 << QByteArray("-9223372036854775808");
    // Six decimals would make these 0: they are written exactly instead.
    QTest::newRow("real 0.0000004") << 2 << QByteArray("4e-07");
    QTest::newRow("real -0.0000004") << 3 << QByteArray("-4e-07");
    QTest::newRow("real 1e20") << 4 << QByteArray("100000000000000000000.000000");
    QTest::newRow("point of floats") << 5 << QByteArray("0.010000,123.456787");
    QTest::newRow("point and value") << 6 << QByteArray("1.000000,0.000000,0.010000");
    QTest::newRow("rect") << 7 << QByteArray("1.000000,2.000000,3.000000,4.000000");
    QTest::newRow("rect and value")
        << 8 << QByteArray("2.000000,3.000000,2.000000,-2.000000,-0.500000");
}

void TestTreeNode::setterTexts()
{
    QFETCH(int, setter);
    QFETCH(QByteArray, expected);
    TreeNode node("n");
    switch (setter) {
    case 0:
        node.setInteger(-1);
        break;
    case 1:
        node.setInteger(std::numeric_limits<long long>::min());
        break;
    case 2:
        node.setReal(0.0000004);
        break;
    case 3:
        node.setReal(-0.0000004);
        break;
    case 4:
        node.setReal(1e20);
        break;
    case 5:
        node.setPoint({ 0.01f, 123.456789f });
        break;
    case 6:
        node.setPointAndValue({ 1, 0 }, 0.01f);
        break;
    case 7:
        node.setRect({ 1, 2, 4, 6 });
        break;
    case 8:
        node.setRectAndValue({ 2, 3, 4, 1 }, -0.5f);
        break;
    }
    QCOMPARE(bytes(node.value()), expected);
    QCOMPARE(node.kind(), setter < 2 ? TreeNode::Integer : TreeNode::Real);
}

void TestTreeNode::realTextMatchesPrintf()
{
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> plain(-1e7, 1e7);
    const double special[]
        = { 0.0078125, -0.0, 2.5e-7, 0.5e-6, 1.4e-6, -4.9e-4, 5.1e-4, 1e308, -1e-320,
              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity() };
    // printf's text wherever it holds the value to a thousandth of itself (minus
    // zero as 0); otherwise a text that reads back exactly.
    auto check = [](double v) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%f", v == 0 ? 0.0 : v);
        const std::string actual = TreeNumbers::formatReal(v);
        const double printed = std::strtod(expected, nullptr);
        if (std::isfinite(v) && std::fabs(printed - v) > std::fabs(v) * 1e-3) {
            if (std::strtod(actual.c_str(), nullptr) != v || actual.size() > 24)
                QFAIL(
                    qPrintable(QString("%1 does not read back as %2").arg(actual.c_str()).arg(v)));
        } else if (actual != expected) {
            QFAIL(qPrintable(QString("%1 instead of %2").arg(actual.c_str(), expected)));
        }
    };
    for (double v : special)
        check(v);
    for (int i = 0; i < 200000; ++i) {
        check(plain(random));
        check(double(float(plain(random))));
        check(std::ldexp(double(random() % 1000003), -int(random() % 40)));
    }
    std::setlocale(LC_ALL, "");
}

void TestTreeNode::scalarGetters_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qlonglong>("integer");
    QTest::addColumn<double>("real");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("empty") << QByteArray() << 0LL << 0.0;
    QTest::newRow("words") << QByteArray("abc") << 0LL << 0.0;
    QTest::newRow("leading blanks, trailing junk") << QByteArray(" \t12.75xyz") << 12LL << 12.75;
    QTest::newRow("plus sign") << QByteArray("+7") << 7LL << 7.0;
    QTest::newRow("two signs") << QByteArray("+-7") << 0LL << 0.0;
    QTest::newRow("exponent") << QByteArray("-3e2") << -3LL << -300.0;
    QTest::newRow("dangling exponent") << QByteArray("5e") << 5LL << 5.0;
    QTest::newRow("point first") << QByteArray(".5") << 0LL << 0.5;
    QTest::newRow("comma is no point") << QByteArray("2,5") << 2LL << 2.0;
    QTest::newRow("hexadecimal") << QByteArray("0x1.8p1") << 0LL << 3.0;
    QTest::newRow("zero x") << QByteArray("0xg") << 0LL << 0.0;
    QTest::newRow("inf") << QByteArray("inf") << 0LL << inf;
    QTest::newRow("-Infinity") << QByteArray("-Infinity") << 0LL << -inf;
    QTest::newRow("overflow") << QByteArray("99999999999999999999") << LLONG_MAX << 1e20;
    QTest::newRow("negative overflow") << QByteArray("-99999999999999999999") << LLONG_MIN << -1e20;
    QTest::newRow("huge exponent") << QByteArray("1e999") << 1LL << inf;
    QTest::newRow("huge negative") << QByteArray("-12e99999999999999999999") << -12LL << -inf;
    QTest::newRow("underflow") << QByteArray("0.0001e-400") << 0LL << 0.0;
    QTest::newRow("integer limit")
        << QByteArray("9223372036854775807") << LLONG_MAX << 9223372036854775807.0;
}

void TestTreeNode::scalarGetters()
{
    QFETCH(QByteArray, value);
    QFETCH(qlonglong, integer);
    QFETCH(double, real);
    TreeNode node;
    node.setText(value.toStdString());
    QCOMPARE(node.toInteger(), integer);
    QCOMPARE(node.toReal(), real);
}

void TestTreeNode::compositeGetters()
{
    TreeNode node;
    node.setText("3.500000,-2.000000");
    TreePoint p = node.toPoint();
    QCOMPARE(p.x, 3.5f);
    QCOMPARE(p.y, -2.0f);

    node.setText("1,2,3,4");
    TreeRect r = node.toRect();
    QCOMPARE(r.left, 1.0f);
    QCOMPARE(r.top, 2.0f);
    QCOMPARE(r.right, 4.0f);
    QCOMPARE(r.bottom, 6.0f);

    // Missing components read as 0; the separator may be any single byte.
    node.setText("7;8");
    float value = -1;
    r = node.toRectAndValue(value);
    QCOMPARE(r.left, 7.0f);
    QCOMPARE(r.top, 8.0f);
    QCOMPARE(r.right, 7.0f);
    QCOMPARE(r.bottom, 8.0f);
    QCOMPARE(value, 0.0f);

    node.setText("");
    p = node.toPointAndValue(value);
    QCOMPARE(p.x, 0.0f);
    QCOMPARE(value, 0.0f);

    node.setText("nan,inf,1e300");
    p = node.toPointAndValue(value);
    QVERIFY(std::isnan(p.x));
    QVERIFY(std::isinf(p.y));
    QVERIFY(std::isinf(value));

    // The setters and getters are inverse up to the printed decimals.
    node.setRectAndValue({ -12.25f, 3.5f, 100.125f, 4.75f }, 0.01f);
    r = node.toRectAndValue(value);
    QCOMPARE(r.left, -12.25f);
    QCOMPARE(r.top, 3.5f);
    QCOMPARE(r.right, 100.125f);
    QCOMPARE(r.bottom, 4.75f);
    QCOMPARE(value, 0.01f);
    node.setPointAndValue({ 1.5f, -0.25f }, 2.0f);
    p = node.toPointAndValue(value);
    QCOMPARE(p.x, 1.5f);
    QCOMPARE(p.y, -0.25f);
    QCOMPARE(value, 2.0f);
}

void TestTreeNode::parsingStaysInsideTheValue()
{
    // The digits after the given end must not be taken.
    const char text[] = "1234";
    const char *stop = nullptr;
    QCOMPARE(TreeNumbers::parseReal(text, text + 2, &stop), 12.0);
    QCOMPARE(stop, text + 2);
    QCOMPARE(TreeNumbers::parseInteger(text, text + 3, &stop), 123LL);
    QCOMPARE(stop, text + 3);
    const char exponent[] = "5e12";
    QCOMPARE(TreeNumbers::parseReal(exponent, exponent + 2, &stop), 5.0);
    QCOMPARE(stop, exponent + 1);
    const char sign[] = "-5";
    QCOMPARE(TreeNumbers::parseReal(sign, sign + 1, &stop), 0.0);
    QCOMPARE(stop, sign);
    QVERIFY(!TreeNumbers::isWholeReal(text, text));
}

void TestTreeNode::textRoundTrips_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("inch sign") << QByteArray("ШТ1\"") << QByteArray("In1=\"ШТ1\\\"\"\r\n");
    QTest::newRow("backslashes") << QByteArray("C:\\dir\\")
                                 << QByteArray("In1=\"C:\\\\dir\\\\\"\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray("In1\r\n");
    QTest::newRow("blanks kept") << QByteArray("  a  ") << QByteArray("In1=\"  a  \"\r\n");
    QTest::newRow("line breaks") << QByteArray("a\r\nb\nc") << QByteArray("In1=\"a\r\nb\nc\"\r\n");
    QTest::newRow("brackets and equals")
        << QByteArray("</>=<x>") << QByteArray("In1=\"</>=<x>\"\r\n");
    QTest::newRow("number as text") << QByteArray("12") << QByteArray("In1=\"12\"\r\n");
}

void TestTreeNode::textRoundTrips()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, line);
    TreeNode root;
    root.addChild("In1").setText(value.toStdString());
    root.addChild("After").setInteger(1);
    const std::string text = writeTree(root);
    QVERIFY(bytes(text).startsWith(line));
    TreeNode back;
    readTree(back, text);
    QCOMPARE(back.childCount(), std::size_t(2));
    QCOMPARE(bytes(back.childAt(0)->value()), value);
    QCOMPARE(back.childAt(0)->kind(), TreeNode::Text);
    QCOMPARE(back.childAt(1)->toInteger(), 1LL);
}

void TestTreeNode::readsKinds_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("kind");
    QTest::newRow("integer") << QByteArray("A=12") << QByteArray("12") << int(TreeNode::Integer);
    QTest::newRow("real") << QByteArray("A=12.5") << QByteArray("12.5") << int(TreeNode::Real);
    QTest::newRow("exponent") << QByteArray("A=-3e2") << QByteArray("-3e2") << int(TreeNode::Real);
    QTest::newRow("pair") << QByteArray("A=1.000000,2.000000") << QByteArray("1.000000,2.000000")
                          << int(TreeNode::Text);
    QTest::newRow("quoted number")
        << QByteArray("A=\"12\"") << QByteArray("12") << int(TreeNode::Text);
    QTest::newRow("bare name") << QByteArray("A") << QByteArray() << int(TreeNode::Text);
    QTest::newRow("nan") << QByteArray("A=nan") << QByteArray("nan") << int(TreeNode::Real);
    QTest::newRow("trimmed") << QByteArray("  A   =   value  ") << QByteArray("value")
                             << int(TreeNode::Text);
    QTest::newRow("second equals")
        << QByteArray("A=b=c") << QByteArray("b=c") << int(TreeNode::Text);
    QTest::newRow("inner blanks") << QByteArray("A = a b ") << QByteArray("a b")
                                  << int(TreeNode::Text);
    QTest::newRow("quoted blanks")
        << QByteArray("A=\"  a  \"") << QByteArray("  a  ") << int(TreeNode::Text);
}

void TestTreeNode::readsKinds()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, value);
    QFETCH(int, kind);
    TreeNode root;
    readTree(root, line.toStdString() + "\r\n");
    QCOMPARE(root.childCount(), std::size_t(1));
    QCOMPARE(bytes(root.childAt(0)->name()), QByteArray("A"));
    QCOMPARE(bytes(root.childAt(0)->value()), value);
    QCOMPARE(int(root.childAt(0)->kind()), kind);
}

void TestTreeNode::readerRules()
{
    // Blank lines and any mix of CR and LF, no line end at the end of the file.
    TreeNode root;
    readTree(root, "\r\n\n\rA=1\r\r\n\n  \t \nB=2\rC");
    QCOMPARE(root.childCount(), std::size_t(3));
    QCOMPARE(root.childAt(1)->toInteger(), 2LL);
    QCOMPARE(bytes(root.childAt(2)->name()), QByteArray("C"));

    // Text after a head on the same line is its first child line.
    TreeNode sameLine;
    readTree(sameLine, "<Objects>Rect=1\r\n</>\r\nNext");
    QCOMPARE(sameLine.childCount(), std::size_t(2));
    QCOMPARE(sameLine.childAt(0)->childCount(), std::size_t(1));
    QCOMPARE(bytes(sameLine.childAt(0)->childAt(0)->name()), QByteArray("Rect"));

    // A head closed at once gets no child list and is written back as a bare name.
    TreeNode empty;
    readTree(empty, "<Objects>\r\n</>\r\n");
    QCOMPARE(empty.childCount(), std::size_t(1));
    QVERIFY(!empty.childAt(0)->hasChildList());
    QCOMPARE(bytes(writeTree(empty)), QByteArray("Objects\r\n"));

    // An unbalanced quote runs the value to the end of the file.
    TreeNode open;
    readTree(open, "A=\"abc\r\nB=1\r\n");
    QCOMPARE(open.childCount(), std::size_t(1));
    QCOMPARE(bytes(open.childAt(0)->value()), QByteArray("abc\r\nB=1\r\n"));

    // A backslash at the very end finishes the line.
    TreeNode trailing;
    readTree(trailing, "A=x\\");
    QCOMPARE(trailing.childCount(), std::size_t(1));
    QCOMPARE(bytes(trailing.childAt(0)->value()), QByteArray("x"));

    // Escapes count as content, so escaped blanks survive the trimming.
    TreeNode escaped;
    readTree(escaped, "A=\\  x \\ \r\n");
    QCOMPARE(bytes(escaped.childAt(0)->value()), QByteArray("  x  "));

    // The root's own name and value are never touched by reading.
    QVERIFY(root.name().empty() && root.value().empty());
}

void TestTreeNode::closingLines()
{
    TreeNode root;
    readTree(root,
        "<Sensors>\r\n\t<Sensor>\r\n\t\tTag=\"a\"\r\n\t</Sensor>\r\n</Sensors>\r\nAfter=1\r\n");
    QCOMPARE(root.childCount(), std::size_t(2));
    const TreeNode *sensors = root.child("Sensors");
    QVERIFY(sensors);
    QCOMPARE(sensors->childCount(), std::size_t(1));
    QCOMPARE(sensors->childAt(0)->childCount(), std::size_t(1));
    QCOMPARE(root.childAt(1)->toInteger(), 1LL);

    // Without closing lines every later line nests into the last open head.
    TreeNode unclosed;
    readTree(unclosed, "<A>\r\nx=1\r\n<B>\r\ny=2\r\nz=3\r\n");
    QCOMPARE(unclosed.childCount(), std::size_t(1));
    const TreeNode *a = unclosed.childAt(0);
    QCOMPARE(a->childCount(), std::size_t(2));
    QCOMPARE(a->childAt(1)->childCount(), std::size_t(2));

    // The rest of a closing line belongs to the enclosing level; a closing
    // line at the top ends the reading.
    TreeNode rest;
    readTree(rest, "<A>\r\nx=1\r\n</>y=2\r\n</>\r\nignored=3\r\n");
    QCOMPARE(rest.childCount(), std::size_t(2));
    QCOMPARE(bytes(rest.childAt(1)->name()), QByteArray("y"));
}

void TestTreeNode::childLookup()
{
    TreeNode node("Objects");
    QCOMPARE(node.child("Rect", false), nullptr);
    QVERIFY(!node.hasChildList());
    QCOMPARE(node.childAt(0), nullptr);
    TreeNode *created = node.child("Rect", true);
    QVERIFY(created);
    QVERIFY(node.hasChildList());
    QCOMPARE(node.childCount(), std::size_t(1));
    QCOMPARE(bytes(created->name()), QByteArray("Rect"));
    // Names repeat; lookup takes the first one, create does not add another.
    TreeNode &second = node.addChild("Rect");
    QCOMPARE(node.child("Rect", true), created);
    QCOMPARE(node.childAt(1), &second);
    QCOMPARE(node.childCount(), std::size_t(2));
    QCOMPARE(node.childAt(2), nullptr);
    QCOMPARE(node.child("rect", false), nullptr);
}

void TestTreeNode::clearKeepsName()
{
    TreeNode node("Sensor");
    node.setInteger(4);
    node.addChild("Tag").setText("t");
    node.clear();
    QCOMPARE(bytes(node.name()), QByteArray("Sensor"));
    QVERIFY(node.value().empty());
    QCOMPARE(node.kind(), TreeNode::Text);
    QVERIFY(!node.hasChildList());
    QCOMPARE(node.childCount(), std::size_t(0));
}

void TestTreeNode::deepNestingIsIterative()
{
    const int depth = 300000;
    std::string text;
    text.reserve(depth * 4 + 16);
    for (int i = 0; i < depth; ++i)
        text += "<a>\n";
    text += "leaf=1\n";
    {
        TreeNode root;
        readTree(root, text);
        const TreeNode *node = &root;
        int levels = 0;
        while (node->childCount() == 1 && node->childAt(0)->hasChildList()) {
            node = node->childAt(0);
            ++levels;
        }
        QCOMPARE(levels, depth);
        QCOMPARE(node->childAt(0)->toInteger(), 1LL);

        // Writing such a tree needs no recursion either: 300,000 opening and
        // 300,000 closing lines plus the leaf, with the indentation capped so
        // that the text stays proportional to the tree.
        const std::string written = writeTree(root);
        QCOMPARE(std::count(written.begin(), written.end(), '\n'), long(2 * depth + 1));
        QVERIFY(written.size() < std::size_t(100) * (2 * depth + 1));
        QVERIFY(bytes(written).endsWith("</>\r\n"));
        TreeNode again;
        readTree(again, written);
        const TreeNode *deepest = &again;
        for (int i = 0; i < depth && deepest; ++i)
            deepest = deepest->childAt(0);
        QVERIFY(deepest && deepest->childAt(0));
        QCOMPARE(bytes(deepest->childAt(0)->name()), QByteArray("leaf"));
        // Leaving the scope destroys the tree, again without recursion.
    }
    // Closing lines that outnumber the heads stop at the top level.
    std::string closing;
    for (int i = 0; i < 1000; ++i)
        closing += "<a>\n";
    for (int i = 0; i < 2000; ++i)
        closing += "</>\n";
    TreeNode root;
    readTree(root, closing + "after=1\n");
    QCOMPARE(root.childCount(), std::size_t(1));
    QCOMPARE(root.child("after"), nullptr);
}

void TestTreeNode::manyBlankLines()
{
    std::string text(10000000, '\n');
    for (std::size_t i = 0; i < text.size(); i += 3)
        text[i] = '\r';
    text += "A=1";
    TreeNode root;
    readTree(root, text);
    QCOMPARE(root.childCount(), std::size_t(1));
    QCOMPARE(root.childAt(0)->toInteger(), 1LL);
}

QTEST_GUILESS_MAIN(TestTreeNode)
void TestTreeNode::longLinesTakeTheirLength_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("isName");
    QTest::newRow("name") << QByteArray("App=\"x\"\r\n") << QByteArray("\r\n") << true;
    QTest::newRow("quoted value") << QByteArray("Image=\"") << QByteArray("\"\r\nA=1\r\n") << false;
    QTest::newRow("value, much file after it")
        << QByteArray("Image=") << ("\r\n" + QByteArray(24 << 20, ' ') + "A=1\r\n") << false;
}

// A line of 20 MB is read into about 20 MB, not grown by doubling, and not copied
// into its node.
void TestTreeNode::longLinesTakeTheirLength()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, isName);
    const std::size_t length = (20 << 20) + 12345;
    std::string text = before.toStdString() + std::string(length, 'n') + after.toStdString();
    std::istringstream in(std::move(text));
    TreeNode root;
    QVERIFY(root.read(in, 1000));
    const TreeNode *node = root.childAt(isName ? 1 : 0);
    QVERIFY(node);
    const std::string &read = isName ? node->name() : node->value();
    QCOMPARE(read.size(), length);
    QVERIFY2(read.capacity() < length + length / 8, qPrintable(QString::number(read.capacity())));
}

void TestTreeNode::nodeEndLimit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("withinLimit");
    // Breaks and '>' count wherever they stand, quoted values included.
    QTest::newRow("at the limit") << QByteArray("<A>\r\nB=\"\n\n\"\r\n") << true; // seven
    QTest::newRow("one over") << QByteArray("<A>\r\nB=\"\n\n>\"\r\n") << false;
    QTest::newRow("one over, after a long quoted run")
        << ("B=\"" + QByteArray(200000, 'q') + "\n\n\n\n\r\n\"\r\n") << false;
    QTest::newRow("one over, after the closing line that ends the reading")
        << ("</>\r\n" + QByteArray(200000, ' ') + ">>>>>") << false;
}

void TestTreeNode::nodeEndLimit()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, withinLimit);
    std::istringstream in(text.toStdString());
    TreeNode root;
    QCOMPARE(root.read(in, 7), withinLimit);
    std::istringstream again(text.toStdString());
    TreeNode unlimited;
    QVERIFY(unlimited.read(again));
}

#include "tst_treenode.moc"
