// libFuzzer target: the plain PNG decoder on arbitrary bytes, with Qt's own
// reader as oracle: whatever the decoder reads, Qt's reader reads to the same
// image. Every chunk's CRC is made right first, so that changed bytes reach
// the pixel data instead of stopping at the checksum.
#include "io/pngdecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The loader refuses larger images before decoding (ProjectLimits).
constexpr quint64 maxPixels = quint64(1) << 22;

void fail(const char *what)
{
    std::fprintf(stderr, "decoder and Qt's reader differ: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray png(reinterpret_cast<const char *>(data), int(size));
    if (png.size() < 33)
        return 0;
    const quint64 pixels = quint64(qFromBigEndian<quint32>(png.constData() + 16))
        * qFromBigEndian<quint32>(png.constData() + 20);
    if (pixels > maxPixels)
        return 0;
    for (int at = 8; at + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (length > quint32(png.size() - at - 12))
            break;
        const auto *typed = reinterpret_cast<const Bytef *>(png.constData() + at + 4);
        qToBigEndian(quint32(crc32(crc32(0, Z_NULL, 0), typed, uInt(length) + 4)),
            png.data() + at + 8 + length);
        at += 12 + int(length);
    }

    QImage decoded;
    if (!decodePlainPng(png, &decoded))
        return 0;
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    const QImage expected = reader.read();
    if (expected.isNull())
        fail("Qt's reader refuses the file");
    if (decoded.format() != expected.format())
        fail("format");
    if (decoded != expected)
        fail("pixels");
    if (decoded.dotsPerMeterX() != expected.dotsPerMeterX()
        || decoded.dotsPerMeterY() != expected.dotsPerMeterY())
        fail("resolution");
    return 0;
}
