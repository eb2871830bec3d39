// The plan image's text: what was loaded is written back as it was, and a
// change of the image drops it.
#include "io/projectdocument.h"
#include "io/treefile.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <thread>

namespace {

QByteArray pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QImage plan(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(2, 2, width - 5, height - 5);
    painter.drawLine(0, 0, width, height);
    return image;
}

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The PNG with a private ancillary chunk after its header, which a decoder
// skips and an encoder never writes: it survives only in the original bytes.
QByteArray withPrivateChunk(const QByteArray &png)
{
    const QByteArray type("prVt");
    const QByteArray data("kept by the project file");
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += type + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32Of(type + data), crc.data());
    chunk += crc;
    // Signature (8) and the header chunk (4 + 4 + 13 + 4).
    return png.left(33) + chunk + png.mid(33);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray imageLine(const QByteArray &file)
{
    const int start = file.indexOf("\r\nImage=");
    return start < 0 ? QByteArray() : file.mid(start, file.indexOf("\r\n", start + 2) - start);
}

// A project file with the given "Image" value, as written by hand.
QByteArray projectWithImage(const QByteArray &value)
{
    return "App=\"ZOR-51ma Position\"\r\nImage=\"" + value
        + "\"\r\nCenter=10,5\r\nScale=0.05\r\n<Objects>\r\n</>\r\n<Sensors>\r\n</>\r\n";
}

// The PNG that a saved file holds.
QByteArray savedPng(const QString &path)
{
    TreeFile file(path.toStdU16String());
    if (!file.load())
        return QByteArray("<unreadable>");
    const TreeNode *image = file.root().child("Image");
    return image ? QByteArray::fromBase64(QByteArray::fromStdString(image->value())) : QByteArray();
}

} // namespace

class TestPlanImageText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void loadedBytesAreWrittenBack_data();
    void loadedBytesAreWrittenBack();
    void changingTheImageDropsTheText_data();
    void changingTheImageDropsTheText();
    void undoBringsBackTheText();
    void chosenImageIsEncodedOnce();
    void writeCanRunElsewhere();
    void largePlanIsShownWithoutACopy_data();
    void largePlanIsShownWithoutACopy();

private:
    QTemporaryDir dir;
    QByteArray png;
};

void TestPlanImageText::initTestCase()
{
    QVERIFY(dir.isValid());
    png = withPrivateChunk(pngOf(plan(40, 20)));
    // Still a PNG to Qt, and not what Qt would write for it.
    QCOMPARE(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), plan(40, 20));
    QVERIFY(pngOf(QImage::fromData(png, "PNG")) != png);
}

void TestPlanImageText::loadedBytesAreWrittenBack_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("sameFile");
    const QByteArray text = png.toBase64();
    QTest::newRow("as written") << text << true;
    QByteArray broken = text;
    for (int at = broken.size() - 76; at > 0; at -= 76)
        broken.insert(at, "\r\n");
    QTest::newRow("line breaks") << broken << false;
    QTest::newRow("spaces and junk")
        << (" " + text.left(30) + "!*\t" + text.mid(30) + " ") << false;
    QTest::newRow("padding left out") << QByteArray(text).replace('=', "") << false;
}

void TestPlanImageText::loadedBytesAreWrittenBack()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, sameFile);
    const QString path = dir.filePath(QStringLiteral("in.prj"));
    const QString out = dir.filePath(QStringLiteral("out.prj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(projectWithImage(value));
    file.close();

    ProjectDocument document;
    const ProjectLoadResult result = document.load(path);
    QVERIFY(result.loaded());
    QVERIFY(!result.imageUnreadable);
    QCOMPARE(document.planPixmap().size(), QSize(40, 20));
    QVERIFY(document.planImageText().belongsTo(document.planPixmap()));
    QVERIFY(document.save(out));
    // The PNG of the file, private chunk included, in canonical Base64.
    QCOMPARE(savedPng(out), png);
    QCOMPARE(QByteArray::fromStdString(*document.planImageText().base64), png.toBase64());
    // Text written canonically goes out as it came in, line and all.
    if (sameFile)
        QCOMPARE(imageLine(readAll(out)), imageLine(readAll(path)));
}

void TestPlanImageText::changingTheImageDropsTheText_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("another image") << 0;
    QTest::newRow("painted over") << 1;
    QTest::newRow("cleared project") << 2;
}

void TestPlanImageText::changingTheImageDropsTheText()
{
    QFETCH(int, change);
    const QString path = dir.filePath(QStringLiteral("change.prj"));
    const QString out = dir.filePath(QStringLiteral("changed.prj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(projectWithImage(png.toBase64()));
    file.close();

    ProjectDocument document;
    QVERIFY(document.load(path).loaded());
    QImage expected;
    if (change == 0) {
        expected = plan(30, 30);
        document.setPlanImage(QPixmap::fromImage(expected), QPointF(15, 15));
        QVERIFY(!document.planImageText().base64);
    } else if (change == 1) {
        // Whoever paints over the pixmap makes it another one.
        {
            QPainter painter(&document.planPixmap());
            painter.fillRect(0, 0, 10, 10, Qt::red);
        }
        expected = document.planPixmap().toImage();
        QVERIFY(!document.planImageText().belongsTo(document.planPixmap()));
    } else {
        document.clear();
        QVERIFY(!document.planImageText().base64);
    }
    QVERIFY(document.save(out));
    const QByteArray written = savedPng(out);
    QVERIFY(written != png);
    if (expected.isNull())
        QVERIFY(written.isEmpty());
    else
        QCOMPARE(QImage::fromData(written, "PNG").convertToFormat(QImage::Format_RGB32),
            expected.convertToFormat(QImage::Format_RGB32));
}

void TestPlanImageText::undoBringsBackTheText()
{
    const QString path = dir.filePath(QStringLiteral("undo.prj"));
    const QString out = dir.filePath(QStringLiteral("undone.prj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(projectWithImage(png.toBase64()));
    file.close();

    ProjectDocument document;
    QVERIFY(document.load(path).loaded());
    document.resetHistory();
    document.setPlanImage(QPixmap::fromImage(plan(30, 30)), QPointF(15, 15));
    QVERIFY(document.recordStep());
    QVERIFY(document.undo());
    QCOMPARE(document.planPixmap().size(), QSize(40, 20));
    QVERIFY(document.planImageText().belongsTo(document.planPixmap()));
    QVERIFY(document.save(out));
    QCOMPARE(savedPng(out), png);
}

void TestPlanImageText::chosenImageIsEncodedOnce()
{
    // As the window sets a plan read from a JPEG or BMP file.
    ProjectDocument document;
    document.setPlanImage(QPixmap::fromImage(plan(50, 40)), QPointF(25, 20));
    QVERIFY(!document.planImageText().base64);
    const QString first = dir.filePath(QStringLiteral("first.prj"));
    const QString second = dir.filePath(QStringLiteral("second.prj"));
    QVERIFY(document.save(first));
    const std::shared_ptr<const std::string> text = document.planImageText().base64;
    QVERIFY(text);
    QVERIFY(document.planImageText().belongsTo(document.planPixmap()));
    QCOMPARE(QImage::fromData(savedPng(first), "PNG").convertToFormat(QImage::Format_RGB32),
        plan(50, 40));
    QVERIFY(document.save(second));
    QCOMPARE(document.planImageText().base64, text);
    QCOMPARE(readAll(second), readAll(first));
}

void TestPlanImageText::writeCanRunElsewhere()
{
    // The encoding and writing are handed over whole; the text is kept after.
    ProjectDocument document;
    document.setPlanImage(QPixmap::fromImage(plan(20, 10)), QPointF(10, 5));
    const QString path = dir.filePath(QStringLiteral("elsewhere.prj"));
    int handed = 0;
    const auto elsewhere = [&handed](const std::function<bool()> &write) {
        ++handed;
        bool result = false;
        std::thread thread([&] { result = write(); });
        thread.join();
        return result;
    };
    QVERIFY(document.save(path, elsewhere));
    QCOMPARE(handed, 1);
    QVERIFY(document.planImageText().belongsTo(document.planPixmap()));
    QCOMPARE(QImage::fromData(savedPng(path), "PNG").convertToFormat(QImage::Format_RGB32),
        plan(20, 10));
    // A failed write says so.
    QVERIFY(!document.save(dir.filePath(QStringLiteral("no/such/folder.prj")), elsewhere));
    QCOMPARE(handed, 2);
}

void TestPlanImageText::largePlanIsShownWithoutACopy_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("copied");
    QTest::newRow("small") << QSize(400, 300) << true;
    QTest::newRow("at the limit") << QSize(2000, 2000) << true;
    QTest::newRow("one row more") << QSize(2000, 2001) << false;
}

void TestPlanImageText::largePlanIsShownWithoutACopy()
{
    QFETCH(QSize, size);
    QFETCH(bool, copied);
    ProjectDocument document;
    const QPixmap image = QPixmap::fromImage(plan(size.width(), size.height()));
    document.setPlanImage(image, QPointF(0, 0));
    // A small plan is shown as a copy with the watermark in it; a large one as
    // it is, under the watermark item.
    QCOMPARE(document.planImage().pixmap().cacheKey() != image.cacheKey(), copied);
    QCOMPARE(document.watermark().isVisible(), !copied);
    QCOMPARE(document.watermark().parentItem(), &document.planImage());
    if (!copied)
        QCOMPARE(document.watermark().boundingRect(), QRectF(QPointF(0, 0), QSizeF(size)));
    QCOMPARE(document.planPixmap().cacheKey(), image.cacheKey());
    // Another image, or none, takes the item along.
    document.setPlanImage(QPixmap(), QPointF(0, 0));
    QVERIFY(!document.watermark().isVisible());
}

QTEST_MAIN(TestPlanImageText)
#include "tst_planimagetext.moc"
