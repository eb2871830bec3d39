#include "io/pngdecoder.h"

#include <QImage>

#include <libdeflate.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

const uchar signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
// The largest width and height the PNG library Qt reads with accepts.
constexpr quint32 maxSide = 1000000;

quint32 bigEndian32(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

struct Chunk
{
    const uchar *type = nullptr;
    const uchar *data = nullptr;
    quint32 length = 0;
};

// Walks the chunks of a file after its signature, each checked against its CRC.
class ChunkReader
{
public:
    ChunkReader(const uchar *at, const uchar *end)
        : m_at(at)
        , m_end(end)
    {
    }
    bool atEnd() const { return m_at == m_end; }
    // False at the end or at a chunk that is cut short or fails its CRC.
    bool next(Chunk &chunk)
    {
        if (m_end - m_at < 12)
            return false;
        const quint32 length = bigEndian32(m_at);
        if (length > quint32(INT_MAX) || quint64(m_end - m_at) - 12 < length)
            return false;
        chunk.type = m_at + 4;
        chunk.data = m_at + 8;
        chunk.length = length;
        const quint32 crc = bigEndian32(m_at + 8 + length);
        if (libdeflate_crc32(0, chunk.type, size_t(length) + 4) != crc)
            return false;
        m_at += 12 + size_t(length);
        return true;
    }

private:
    const uchar *m_at;
    const uchar *m_end;
};

bool isType(const Chunk &chunk, const char *type)
{
    return std::memcmp(chunk.type, type, 4) == 0;
}

// The predictor of the Paeth filter, as the PNG format defines it.
inline int paeth(int left, int up, int upLeft)
{
    const int p = left + up - upLeft;
    const int toLeft = std::abs(p - left);
    const int toUp = std::abs(p - up);
    const int toUpLeft = std::abs(p - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft)
        return left;
    return toUp <= toUpLeft ? up : upLeft;
}

// The pixel of a row's bytes from the channels, as Qt's reader stores it.
// (qRgba and qRgb, without their masks: every channel is a byte already.)
template <int Channels> QRgb pixelOf(const std::array<int, Channels> &c)
{
    const QRgb alpha = Channels == 4 ? QRgb(c[Channels - 1]) << 24 : 0xff000000u;
    return alpha | QRgb(c[0]) << 16 | QRgb(c[1]) << 8 | QRgb(c[2]);
}

// Undoes a row's filter in place and writes its pixels: prior is the row
// above, unfiltered (zeros above the first row). The channels of the pixel to
// the left stay at hand instead of being read back. False for a filter type
// the format does not have.
template <int Channels>
bool unfilterRow(int type, uchar *__restrict row, const uchar *__restrict prior, quint32 width,
    QRgb *__restrict pixels)
{
    std::array<int, Channels> left {};
    std::array<int, Channels> upLeft {};
    switch (type) {
    case 0:
        for (quint32 x = 0; x < width; ++x, row += Channels) {
#pragma GCC unroll 4
            for (int k = 0; k < Channels; ++k)
                left[k] = row[k];
            pixels[x] = pixelOf<Channels>(left);
        }
        return true;
    case 1:
        for (quint32 x = 0; x < width; ++x, row += Channels) {
#pragma GCC unroll 4
            for (int k = 0; k < Channels; ++k)
                row[k] = uchar(left[k] = uchar(row[k] + left[k]));
            pixels[x] = pixelOf<Channels>(left);
        }
        return true;
    case 2:
        for (quint32 x = 0; x < width; ++x, row += Channels, prior += Channels) {
#pragma GCC unroll 4
            for (int k = 0; k < Channels; ++k)
                row[k] = uchar(left[k] = uchar(row[k] + prior[k]));
            pixels[x] = pixelOf<Channels>(left);
        }
        return true;
    case 3:
        for (quint32 x = 0; x < width; ++x, row += Channels, prior += Channels) {
#pragma GCC unroll 4
            for (int k = 0; k < Channels; ++k)
                row[k] = uchar(left[k] = uchar(row[k] + ((left[k] + prior[k]) >> 1)));
            pixels[x] = pixelOf<Channels>(left);
        }
        return true;
    case 4:
        for (quint32 x = 0; x < width; ++x, row += Channels, prior += Channels) {
#pragma GCC unroll 4
            for (int k = 0; k < Channels; ++k) {
                const int up = prior[k];
                row[k] = uchar(left[k] = uchar(row[k] + paeth(left[k], up, upLeft[k])));
                upLeft[k] = up;
            }
            pixels[x] = pixelOf<Channels>(left);
        }
        return true;
    default:
        return false;
    }
}

struct DecompressorDeleter
{
    void operator()(libdeflate_decompressor *decompressor) const
    {
        libdeflate_free_decompressor(decompressor);
    }
};

} // namespace

bool decodePlainPng(const QByteArray &png, QImage *image)
{
    const auto *begin = reinterpret_cast<const uchar *>(png.constData());
    const uchar *end = begin + png.size();
    if (png.size() < 8 || std::memcmp(begin, signature, 8) != 0)
        return false;
    ChunkReader chunks(begin + 8, end);

    Chunk header;
    if (!chunks.next(header) || !isType(header, "IHDR") || header.length != 13)
        return false;
    const quint32 width = bigEndian32(header.data);
    const quint32 height = bigEndian32(header.data + 4);
    const uchar depth = header.data[8];
    const uchar colour = header.data[9];
    // Deflate, adaptive filters, not interlaced.
    if (width == 0 || height == 0 || width > maxSide || height > maxSide || depth != 8
        || (colour != 2 && colour != 6) || header.data[10] != 0 || header.data[11] != 0
        || header.data[12] != 0)
        return false;
    const size_t step = colour == 6 ? 4 : 3;

    // A pHYs chunk, then the pixel data in chunks one after the other, then
    // the end: any other chunk, or one out of that order, is Qt's to read.
    Chunk chunk;
    bool resolution = false;
    int dotsPerMeterX = 0, dotsPerMeterY = 0;
    if (!chunks.next(chunk))
        return false;
    if (isType(chunk, "pHYs")) {
        if (chunk.length != 9)
            return false;
        const quint32 x = bigEndian32(chunk.data);
        const quint32 y = bigEndian32(chunk.data + 4);
        const uchar unit = chunk.data[8];
        if (unit > 1 || x == 0 || y == 0 || x > quint32(INT_MAX) || y > quint32(INT_MAX))
            return false;
        // Qt takes a resolution in dots per metre only.
        resolution = unit == 1;
        dotsPerMeterX = int(x);
        dotsPerMeterY = int(y);
        if (!chunks.next(chunk))
            return false;
    }
    std::vector<Chunk> data;
    while (isType(chunk, "IDAT")) {
        data.push_back(chunk);
        if (!chunks.next(chunk))
            return false;
    }
    if (data.empty() || !isType(chunk, "IEND") || chunk.length != 0 || !chunks.atEnd())
        return false;

    try {
        // The compressed stream, in one piece.
        std::vector<uchar> joined;
        const uchar *stream = data.front().data;
        size_t streamLength = data.front().length;
        if (data.size() > 1) {
            size_t total = 0;
            for (const Chunk &piece : data)
                total += piece.length;
            joined.resize(total);
            size_t at = 0;
            for (const Chunk &piece : data) {
                std::memcpy(joined.data() + at, piece.data, piece.length);
                at += piece.length;
            }
            stream = joined.data();
            streamLength = total;
        }
        // A zlib header for deflate with the full 32 KiB window and no preset
        // dictionary, as Qt's reader would take it whatever distances follow.
        if (streamLength < 2 || stream[0] != 0x78 || (stream[1] & 0x20) != 0)
            return false;

        const size_t rowBytes = size_t(width) * step;
        const size_t rawBytes = (rowBytes + 1) * height;
        std::unique_ptr<uchar[]> raw(new uchar[rawBytes]);
        const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
            libdeflate_alloc_decompressor());
        if (!decompressor)
            return false;
        size_t used = 0, made = 0;
        if (libdeflate_zlib_decompress_ex(
                decompressor.get(), stream, streamLength, raw.get(), rawBytes, &used, &made)
                != LIBDEFLATE_SUCCESS
            || used != streamLength || made != rawBytes)
            return false;

        QImage decoded(
            int(width), int(height), colour == 6 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (decoded.isNull())
            return false;
        const std::vector<uchar> zeros(rowBytes, 0);
        const uchar *prior = zeros.data();
        for (quint32 y = 0; y < height; ++y) {
            uchar *row = raw.get() + size_t(y) * (rowBytes + 1);
            auto *pixels = reinterpret_cast<QRgb *>(decoded.scanLine(int(y)));
            if (!(step == 4 ? unfilterRow<4>(row[0], row + 1, prior, width, pixels)
                            : unfilterRow<3>(row[0], row + 1, prior, width, pixels)))
                return false;
            prior = row + 1;
        }
        if (resolution) {
            decoded.setDotsPerMeterX(dotsPerMeterX);
            decoded.setDotsPerMeterY(dotsPerMeterY);
        }
        *image = std::move(decoded);
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}
