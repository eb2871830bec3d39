#include "io/pngencoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace {

struct Chunk
{
    QByteArray type;
    QByteArray data;
    bool crcRight;
};

// The chunks of a PNG file in order; empty when the signature is wrong or a
// chunk runs past the end.
QVector<Chunk> chunksOf(const QByteArray &png)
{
    QVector<Chunk> chunks;
    if (!png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)))
        return chunks;
    int at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint32(png.size() - at - 12))
            return {};
        const auto *typed = reinterpret_cast<const Bytef *>(png.constData() + at + 4);
        const quint32 crc = qFromBigEndian<quint32>(png.constData() + at + 8 + length);
        chunks.append({ png.mid(at + 4, 4), png.mid(at + 8, int(length)),
            crc == quint32(crc32(crc32(0, Z_NULL, 0), typed, length + 4)) });
        at += 12 + int(length);
    }
    if (at != png.size())
        return {};
    return chunks;
}

QByteArray qtPng(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return png;
}

// A premultiplied pixel: every channel at most its alpha.
QRgb premultipliedPixel(QRandomGenerator &random, int alpha)
{
    const auto channel = [&] { return int(random.bounded(alpha + 1)); };
    return qRgba(channel(), channel(), channel(), alpha);
}

// Pictures to encode: "noise" with the alphas 0, 1, 254 and 255 among random
// ones, "flat" areas with a few specks, "pairs" with every channel value under
// every alpha (256 wide).
QImage picture(const QString &content, QSize size, QImage::Format format)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(quint32(size.width() * 7919 + size.height()));
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            if (content == QLatin1String("noise")) {
                static const int alphas[] = { 0, 1, 254, 255 };
                const int pick = int(random.bounded(8));
                line[x] = premultipliedPixel(
                    random, pick < 4 ? alphas[pick] : int(random.bounded(256)));
            } else if (content == QLatin1String("flat")) {
                line[x] = (x / 13 + y / 17) % 3 == 0 ? qRgba(40, 80, 40, 128) : qRgba(0, 0, 0, 0);
                if (random.bounded(50) == 0)
                    line[x] = premultipliedPixel(random, 200);
            } else {
                const int alpha = y % 256;
                const int value = std::min(x, alpha);
                line[x]
                    = qRgba(value, (value * 7) % (alpha + 1), (value * 13) % (alpha + 1), alpha);
            }
        }
    }
    if (format == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(format);
}

} // namespace

class TestPngEncoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesToTheSource_data();
    void decodesToTheSource();
    void chunksAsQtWritesThem_data();
    void chunksAsQtWritesThem();
    void sizeCloseToQt();
    void nullImageGivesNothing();
};

void TestPngEncoder::decodesToTheSource_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bandRows");

    const int premultiplied = QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("1x1") << "noise" << QSize(1, 1) << premultiplied << 0;
    QTest::newRow("1x1 opaque") << "noise" << QSize(1, 1) << int(QImage::Format_RGB32) << 0;
    QTest::newRow("odd width") << "noise" << QSize(37, 9) << premultiplied << 0;
    QTest::newRow("odd width, bands of 2") << "noise" << QSize(37, 9) << premultiplied << 2;
    QTest::newRow("tall and thin, bands of 7") << "noise" << QSize(1, 300) << premultiplied << 7;
    QTest::newRow("wide and short") << "noise" << QSize(1001, 2) << premultiplied << 1;
    // Bands of fewer rows than the deflate window holds: the dictionary of
    // each spans several rows of the band before.
    QTest::newRow("flat, bands of 10") << "flat" << QSize(64, 95) << premultiplied << 10;
    QTest::newRow("flat, one band") << "flat" << QSize(64, 95) << premultiplied << 0;
    QTest::newRow("flat, band of one row at the end")
        << "flat" << QSize(300, 41) << premultiplied << 20;
    // Rows so long that the dictionary is the last 32 KiB of the rows before.
    QTest::newRow("flat, long rows, bands of 30")
        << "flat" << QSize(500, 70) << premultiplied << 30;
    QTest::newRow("flat opaque, bands of 3")
        << "flat" << QSize(50, 31) << int(QImage::Format_RGB32) << 3;
    QTest::newRow("straight alpha") << "noise" << QSize(33, 20) << int(QImage::Format_ARGB32) << 6;
    QTest::newRow("every premultiplied pair") << "pairs" << QSize(256, 256) << premultiplied << 40;
    QTest::newRow("converted from RGB888")
        << "noise" << QSize(19, 11) << int(QImage::Format_RGB888) << 4;
    QTest::newRow("converted from RGBA8888")
        << "noise" << QSize(19, 11) << int(QImage::Format_RGBA8888) << 4;
}

void TestPngEncoder::decodesToTheSource()
{
    QFETCH(QString, content);
    QFETCH(QSize, size);
    QFETCH(int, format);
    QFETCH(int, bandRows);

    const QImage source = picture(content, size, QImage::Format(format));
    const QByteArray png = encodePng(source, bandRows);
    const QVector<Chunk> chunks = chunksOf(png);
    QVERIFY(!chunks.isEmpty());
    QCOMPARE(chunks.first().type, QByteArray("IHDR"));
    const bool alpha = source.hasAlphaChannel();
    QCOMPARE(int(chunks.first().data.at(9)), alpha ? 6 : 2);
    const int bands = bandRows > 0 ? (size.height() + bandRows - 1) / bandRows : 1;
    QCOMPARE(std::count_if(
                 chunks.begin(), chunks.end(), [](const Chunk &c) { return c.type == "IDAT"; }),
        qsizetype(bands));

    const QImage decoded = QImage::fromData(png, "PNG");
    QVERIFY(!decoded.isNull());
    const QImage::Format plain = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    // Unpremultiplied as Qt's conversion does it, whichever way it is called.
    const QImage expected = source.convertToFormat(plain);
    QCOMPARE(decoded.convertToFormat(plain), expected);
    QCOMPARE(decoded.convertToFormat(plain), QImage(source).convertToFormat(plain));
    // Read back as the file Qt's writer makes of it is.
    QCOMPARE(decoded.convertToFormat(plain),
        QImage::fromData(qtPng(source), "PNG").convertToFormat(plain));
}

void TestPngEncoder::chunksAsQtWritesThem_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("dotsPerMeter");

    QTest::newRow("no text") << QStringList() << QStringList() << 11811;
    QTest::newRow("short Latin-1") << QStringList { "Title", "Note" }
                                   << QStringList { "Plan", QString::fromUtf8("café") } << 3780;
    QTest::newRow("long Latin-1") << QStringList { "Description" }
                                  << QStringList { QString(40, 'x') } << 5000;
    QTest::newRow("short Cyrillic")
        << QStringList { "Author" } << QStringList { QString::fromUtf8("Иван") } << 11811;
    QTest::newRow("long Cyrillic")
        << QStringList { "Comment" }
        << QStringList { QString::fromUtf8("длинное описание плана длиннее сорока знаков") }
        << 11811;
    QTest::newRow("Cyrillic key") << QStringList { QString::fromUtf8("Ключ") }
                                  << QStringList { QString::fromUtf8("значение") } << 11811;
    QTest::newRow("long key") << QStringList { QString(90, 'k') } << QStringList { "v" } << 11811;
}

void TestPngEncoder::chunksAsQtWritesThem()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, values);
    QFETCH(int, dotsPerMeter);

    QImage image
        = picture(QStringLiteral("flat"), QSize(40, 30), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter + 1);
    for (int i = 0; i < keys.size(); ++i)
        image.setText(keys.at(i), values.at(i));

    const QByteArray png = encodePng(image, 7);
    const QVector<Chunk> chunks = chunksOf(png);
    QVERIFY(!chunks.isEmpty());
    QByteArrayList types;
    for (const Chunk &chunk : chunks) {
        QVERIFY2(chunk.crcRight, chunk.type.constData());
        if (types.isEmpty() || types.last() != chunk.type || chunk.type != "IDAT")
            types.append(chunk.type);
    }
    QByteArrayList qtTypes;
    for (const Chunk &chunk : chunksOf(qtPng(image)))
        if (qtTypes.isEmpty() || qtTypes.last() != chunk.type || chunk.type != "IDAT")
            qtTypes.append(chunk.type);
    QCOMPARE(types, qtTypes);
    QCOMPARE(types.last(), QByteArray("IEND"));

    const QImage decoded = QImage::fromData(png, "PNG");
    const QImage decodedQt = QImage::fromData(qtPng(image), "PNG");
    QCOMPARE(decoded.dotsPerMeterX(), dotsPerMeter);
    QCOMPARE(decoded.dotsPerMeterY(), dotsPerMeter + 1);
    QCOMPARE(decoded.textKeys(), decodedQt.textKeys());
    QCOMPARE(decoded.textKeys().size(), keys.size());
    for (const QString &key : decodedQt.textKeys())
        QCOMPARE(decoded.text(key), decodedQt.text(key));
}

void TestPngEncoder::sizeCloseToQt()
{
    // Soft shapes on transparency with a band of noise, cut into many bands:
    // the file stays within a few percent of Qt's.
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 40; ++i) {
            painter.setBrush(QColor::fromHsv(i * 9, 200, 220, 60 + i * 4));
            painter.drawEllipse(QPointF(i * 15, 200 + 150 * std::sin(i)), 40, 60);
        }
    }
    QRandomGenerator random(7);
    for (int y = 300; y < 320; ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, premultipliedPixel(random, 255));

    const double ours = encodePng(image, 16).size();
    const double qt = qtPng(image).size();
    QVERIFY2(ours < qt * 1.05 && ours > qt * 0.8,
        qPrintable(QStringLiteral("%1 bytes against %2").arg(ours).arg(qt)));
}

void TestPngEncoder::nullImageGivesNothing()
{
    QVERIFY(encodePng(QImage()).isEmpty());
}

QTEST_MAIN(TestPngEncoder)
#include "tst_pngencoder.moc"
