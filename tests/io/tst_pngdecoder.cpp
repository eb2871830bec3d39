#include "io/base64.h"
#include "io/pngdecoder.h"
#include "io/pngencoder.h"
#include "io/projectfile.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

#include <cstdlib>

namespace {

// What Qt's own reader makes of a file.
QImage qtRead(const QByteArray &png)
{
    QByteArray bytes = png;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray chunk(const QByteArray &type, const QByteArray &data, quint32 crcFlip = 0)
{
    const QByteArray typed = type + data;
    const auto crc = quint32(crc32(crc32(0, Z_NULL, 0),
                         reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size())))
        ^ crcFlip;
    return bigEndian(quint32(data.size())) + typed + bigEndian(crc);
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// A file written by hand, to be bent in the ways a row of the table asks.
struct Crafted
{
    int width = 5, height = 10;
    int depth = 8, colour = 2, interlace = 0;
    // The filter of row y is filters[y % size]; 5 is none the format has.
    QVector<int> filters { 0, 1, 2, 3, 4 };
    int rowsWritten = -1; // -1: all of them
    int windowBits = 15;
    QByteArray afterStream; // bytes after the compressed stream, in its chunk
    int pixelChunkBytes = 0; // 0: the pixel data in one chunk
    QByteArray beforePixels; // chunks between the header and the pixel data
    QByteArray afterPixels; // between the pixel data and the end
    bool end = true;
    QByteArray afterEnd;
    quint32 pixelCrcFlip = 0;
    int levels = 256; // the values a channel takes: few make the filters' ties

    int channels() const { return colour == 6 ? 4 : colour == 2 ? 3 : 1; }

    // Random pixels, one byte a channel.
    QByteArray pixels() const
    {
        QRandomGenerator random(quint32(width * 31 + height));
        QByteArray bytes(width * height * channels(), '\0');
        for (char &b : bytes)
            b = char(random.bounded(levels));
        return bytes;
    }

    QByteArray file() const
    {
        QByteArray header = bigEndian(quint32(width)) + bigEndian(quint32(height));
        header += char(depth);
        header += char(colour);
        header += QByteArray(2, '\0');
        header += char(interlace);

        const int step = channels();
        const int rowBytes = width * step;
        const QByteArray raw = pixels();
        const int rows = rowsWritten < 0 ? height : rowsWritten;
        QByteArray filtered;
        for (int y = 0; y < rows; ++y) {
            const int filter = filters.at(y % filters.size());
            filtered += char(filter);
            const auto at = [&](int row, int i) {
                const int r = row % height;
                return row < 0 || i < 0 ? 0 : int(uchar(raw.at(r * rowBytes + i)));
            };
            for (int i = 0; i < rowBytes; ++i) {
                const int x = at(y, i), left = at(y, i - step), up = at(y - 1, i),
                          upLeft = at(y - 1, i - step);
                const int predicted = filter == 1 ? left
                    : filter == 2                 ? up
                    : filter == 3                 ? (left + up) / 2
                    : filter == 4                 ? paeth(left, up, upLeft)
                                                  : 0;
                filtered += char(x - predicted);
            }
        }
        z_stream z {};
        deflateInit2(&z, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
        QByteArray stream(int(deflateBound(&z, uLong(filtered.size()))), '\0');
        z.next_in = reinterpret_cast<Bytef *>(filtered.data());
        z.avail_in = uInt(filtered.size());
        z.next_out = reinterpret_cast<Bytef *>(stream.data());
        z.avail_out = uInt(stream.size());
        deflate(&z, Z_FINISH);
        stream.resize(int(z.total_out));
        deflateEnd(&z);
        stream += afterStream;

        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        png += chunk("IHDR", header);
        png += beforePixels;
        const int piece = pixelChunkBytes > 0 ? pixelChunkBytes : stream.size();
        for (int at = 0; at < stream.size(); at += piece)
            png += chunk("IDAT", stream.mid(at, piece), pixelCrcFlip);
        if (pixelChunkBytes > 0)
            png += chunk("IDAT", QByteArray());
        png += afterPixels;
        if (end)
            png += chunk("IEND", QByteArray());
        return png + afterEnd;
    }
};

QByteArray physical(quint32 x, quint32 y, int unit)
{
    return chunk("pHYs", bigEndian(x) + bigEndian(y) + char(unit));
}

// Pictures the program's own encoder writes: "noise", or "smooth" gradients
// on which its filter choice goes past None and Sub.
QImage picture(const QString &content, QSize size, QImage::Format format)
{
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(quint32(size.width() * 7919 + size.height()));
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            line[x] = content == QLatin1String("noise")
                ? random.generate()
                : qRgba(
                    (x * 3 + y) % 256, (x * y / 7) % 256, (x + 2 * y) % 256, 255 - (x + y) % 128);
        }
    }
    return image.convertToFormat(format);
}

} // namespace

class TestPngDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesAsQtDoes_data();
    void decodesAsQtDoes();
    void craftedFiles_data();
    void craftedFiles();
    void planImagesReadThroughEither();
};

void TestPngDecoder::decodesAsQtDoes_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bandRows");
    QTest::addColumn<int>("dotsPerMeter");

    const int opaque = QImage::Format_RGB32;
    const int alpha = QImage::Format_ARGB32;
    QTest::newRow("1x1") << "noise" << QSize(1, 1) << opaque << 0 << 0;
    QTest::newRow("1x1 with alpha") << "noise" << QSize(1, 1) << alpha << 0 << 0;
    QTest::newRow("odd width") << "noise" << QSize(37, 9) << opaque << 0 << 0;
    QTest::newRow("odd width with alpha") << "noise" << QSize(37, 9) << alpha << 2 << 0;
    QTest::newRow("smooth, bands of 7") << "smooth" << QSize(120, 64) << opaque << 7 << 0;
    QTest::newRow("smooth with alpha") << "smooth" << QSize(120, 64) << alpha << 0 << 0;
    QTest::newRow("tall and thin") << "smooth" << QSize(1, 300) << opaque << 7 << 0;
    QTest::newRow("wide and short") << "smooth" << QSize(1001, 2) << alpha << 1 << 0;
    QTest::newRow("150 dpi") << "smooth" << QSize(40, 30) << opaque << 0 << 5906;
    QTest::newRow("one dot a metre") << "noise" << QSize(3, 3) << alpha << 0 << 1;
}

void TestPngDecoder::decodesAsQtDoes()
{
    QFETCH(QString, content);
    QFETCH(QSize, size);
    QFETCH(int, format);
    QFETCH(int, bandRows);
    QFETCH(int, dotsPerMeter);

    QImage source = picture(content, size, QImage::Format(format));
    if (dotsPerMeter > 0) {
        source.setDotsPerMeterX(dotsPerMeter);
        source.setDotsPerMeterY(dotsPerMeter + 1);
    }
    const QByteArray png = encodePng(source, bandRows);
    const QImage expected = qtRead(png);
    QVERIFY(!expected.isNull());
    // The files the program writes are the decoder's own to read.
    QImage decoded;
    QVERIFY(decodePlainPng(png, &decoded));
    QCOMPARE(decoded.format(), expected.format());
    QCOMPARE(decoded, expected);
    QCOMPARE(decoded.dotsPerMeterX(), expected.dotsPerMeterX());
    QCOMPARE(decoded.dotsPerMeterY(), expected.dotsPerMeterY());
    QCOMPARE(decoded.colorSpace(), expected.colorSpace());
    QCOMPARE(decoded.textKeys(), expected.textKeys());
}

void TestPngDecoder::craftedFiles_data()
{
    QTest::addColumn<QByteArray>("png");
    QTest::addColumn<bool>("decoded");

    const Crafted plain;
    QTest::newRow("every filter") << plain.file() << true;
    Crafted c = plain;
    c.colour = 6;
    QTest::newRow("every filter, with alpha") << c.file() << true;
    c = plain;
    c.width = 1;
    c.filters = { 4, 3, 1 };
    QTest::newRow("one pixel a row") << c.file() << true;
    c = plain;
    c.width = 40;
    c.filters = { 4, 3, 4 };
    c.levels = 4;
    QTest::newRow("four values, Paeth's ties") << c.file() << true;
    c = plain;
    c.pixelChunkBytes = 1;
    QTest::newRow("pixel data a byte a chunk, an empty one last") << c.file() << true;
    c = plain;
    c.beforePixels = physical(2835, 2835, 1);
    QTest::newRow("resolution in metres") << c.file() << true;
    c.beforePixels = physical(72, 72, 0);
    QTest::newRow("aspect ratio only") << c.file() << true;

    // Qt's reader judges all of these: the decoder leaves them.
    c = plain;
    c.interlace = 1;
    QTest::newRow("interlaced") << c.file() << false;
    c = plain;
    c.colour = 0;
    QTest::newRow("grey") << c.file() << false;
    c = plain;
    c.depth = 16;
    QTest::newRow("16 bits") << c.file() << false;
    c = plain;
    c.filters = { 1, 5 };
    QTest::newRow("no such filter") << c.file() << false;
    c = plain;
    c.pixelCrcFlip = 1;
    QTest::newRow("pixel data failing its CRC") << c.file() << false;
    c = plain;
    c.beforePixels = chunk("pHYs", bigEndian(2835) + bigEndian(2835) + char(1), 0x100);
    QTest::newRow("resolution failing its CRC") << c.file() << false;
    c = plain;
    c.beforePixels = physical(2835, 2835, 2);
    QTest::newRow("resolution in no known unit") << c.file() << false;
    c = plain;
    c.afterPixels = physical(2835, 2835, 1);
    QTest::newRow("resolution after the pixels") << c.file() << false;
    c = plain;
    c.beforePixels = chunk("tEXt", QByteArray("Title\0Plan", 10));
    QTest::newRow("a text") << c.file() << false;
    c = plain;
    c.beforePixels = chunk("gAMA", bigEndian(45455));
    QTest::newRow("a gamma") << c.file() << false;
    c = plain;
    c.rowsWritten = 9;
    QTest::newRow("a row short") << c.file() << false;
    c = plain;
    c.rowsWritten = 11;
    QTest::newRow("a row too many") << c.file() << false;
    c = plain;
    c.afterStream = "xyz";
    QTest::newRow("bytes after the stream") << c.file() << false;
    c = plain;
    c.windowBits = 9;
    QTest::newRow("a window of 512 bytes") << c.file() << false;
    c = plain;
    c.end = false;
    QTest::newRow("no end") << c.file() << false;
    c = plain;
    c.afterEnd = "junk";
    QTest::newRow("bytes after the end") << c.file() << false;
    c = plain;
    c.width = 1000001;
    c.height = 1;
    c.filters = { 0 };
    QTest::newRow("wider than the PNG library takes") << c.file() << false;
    QByteArray cut = plain.file();
    cut.chop(20);
    QTest::newRow("cut short") << cut << false;
    QTest::newRow("not a PNG") << QByteArray("GIF89a") << false;
}

void TestPngDecoder::craftedFiles()
{
    QFETCH(QByteArray, png);
    QFETCH(bool, decoded);

    QImage image(2, 2, QImage::Format_Mono);
    image.fill(1);
    const QImage before = image;
    QCOMPARE(decodePlainPng(png, &image), decoded);
    if (!decoded) {
        // Left as it was, for Qt's reader to read or refuse.
        QCOMPARE(image, before);
        return;
    }
    const QImage expected = qtRead(png);
    QVERIFY(!expected.isNull());
    QCOMPARE(image.format(), expected.format());
    QCOMPARE(image, expected);
    QCOMPARE(image.dotsPerMeterX(), expected.dotsPerMeterX());
    QCOMPARE(image.dotsPerMeterY(), expected.dotsPerMeterY());
}

void TestPngDecoder::planImagesReadThroughEither()
{
    // A plan image is the same image whichever reader reads it: Qt's own
    // (a text in the file, a file Qt wrote) or the decoder.
    QImage source = picture("smooth", QSize(64, 48), QImage::Format_RGB32);
    source.setDotsPerMeterX(3937);
    source.setDotsPerMeterY(3937);
    QImage withText = source;
    withText.setText("Title", "Plan");
    QByteArray qtWritten;
    QBuffer buffer(&qtWritten);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(QImageWriter(&buffer, "png").write(source));
    for (const QByteArray &png : { encodePng(source), encodePng(withText), qtWritten }) {
        const std::string text = Base64::encode(png.constData(), size_t(png.size()));
        bool tooLarge = true;
        const QImage read = ProjectFile::decodePlanImage(text, &tooLarge);
        QVERIFY(!tooLarge);
        const QImage expected = qtRead(png);
        QCOMPARE(read.format(), expected.format());
        QCOMPARE(read, expected);
        QCOMPARE(read.dotsPerMeterX(), expected.dotsPerMeterX());
        QCOMPARE(read.textKeys(), expected.textKeys());
    }
}

QTEST_GUILESS_MAIN(TestPngDecoder)
#include "tst_pngdecoder.moc"
