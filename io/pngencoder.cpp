#include "io/pngencoder.h"

#include "scene/allcores.h"

#include <QImage>
#include <QStringList>

#include <zlib.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int bandTargetBytes = 1 << 20;
// The longest distance deflate looks back: a band starts with this much of
// what precedes it as its dictionary, so that cutting bands costs no matches.
constexpr int deflateWindow = 32768;
// Qt compresses texts of this many characters and more.
constexpr int compressedTextLength = 40;
constexpr int maxKeywordLength = 79;

void appendUint32(std::string &out, quint32 value)
{
    const char bytes[4] = { char(value >> 24), char(value >> 16), char(value >> 8), char(value) };
    out.append(bytes, 4);
}

// Appends one chunk of the given type whose data are the pieces one after the
// other, with its length and CRC.
void appendChunk(std::string &png, const char *type, std::initializer_list<std::string_view> pieces)
{
    size_t length = 0;
    for (std::string_view piece : pieces)
        length += piece.size();
    appendUint32(png, quint32(length));
    const size_t start = png.size();
    png.append(type, 4);
    for (std::string_view piece : pieces)
        png.append(piece);
    const auto *typed = reinterpret_cast<const Bytef *>(png.data() + start);
    appendUint32(png, quint32(crc32_z(crc32(0, Z_NULL, 0), typed, png.size() - start)));
}

// The pixels' compression level: below zlib's default (6), whose files for
// a scene image were 3 % smaller still and took 40 % longer to make; at this
// level they are about 4 % smaller than Qt's own writer makes them.
constexpr int kLevel = 5;

std::string zlibCompressed(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef *>(&out[0]), &size,
            reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()),
            Z_DEFAULT_COMPRESSION)
        != Z_OK)
        throw std::bad_alloc();
    out.resize(size);
    return out;
}

// The texts as Qt's writer stores them: the keyword in Latin-1 (other
// characters become "?") and at most 79 long; a Latin-1 value as tEXt, or
// zTXt from 40 characters on; any other value as iTXt in UTF-8, compressed
// from 40 characters on, with "UTF-8" as language and the whole key as the
// translated keyword.
void appendTexts(std::string &png, const QImage &image)
{
    for (const QString &key : image.textKeys()) {
        if (key.isEmpty())
            continue;
        const QString value = image.text(key);
        const QByteArray keyword = key.left(maxKeywordLength).toLatin1();
        const std::string_view keywordEnd(keyword.constData(), size_t(keyword.size()) + 1);
        const bool latin1
            = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 256; });
        const bool compressed = value.size() >= compressedTextLength;
        if (latin1) {
            const QByteArray text = value.toLatin1();
            if (compressed)
                appendChunk(
                    png, "zTXt", { keywordEnd, std::string_view("\0", 1), zlibCompressed(text) });
            else
                appendChunk(png, "tEXt",
                    { keywordEnd, std::string_view(text.constData(), size_t(text.size())) });
            continue;
        }
        const QByteArray text = value.toUtf8();
        const QByteArray translated = key.toUtf8();
        const std::string body = compressed ? zlibCompressed(text) : text.toStdString();
        appendChunk(png, "iTXt",
            { keywordEnd, std::string_view(compressed ? "\1\0" : "\0\0", 2),
                std::string_view("UTF-8", 6),
                std::string_view(translated.constData(), size_t(translated.size()) + 1), body });
    }
}

// Adaptive filtering: each of the five filters of a row, keeping the one
// whose bytes, read as signed, add up to the least in absolute value (the
// first of equal ones). Returns the filter type followed by the filtered row.
class RowFilter
{
public:
    // The sum of the bytes read as signed numbers, in absolute value: the
    // smaller of b and 256 - b for each byte b.
    static quint64 absoluteSum(const uchar *bytes, size_t count)
    {
        quint64 sum = 0;
        size_t i = 0;
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        __m128i sums = zero;
        for (; i + 16 <= count; i += 16) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
            const __m128i magnitude = _mm_min_epu8(b, _mm_sub_epi8(zero, b));
            sums = _mm_add_epi64(sums, _mm_sad_epu8(magnitude, zero));
        }
        sum = quint64(_mm_cvtsi128_si64(sums))
            + quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
        for (; i < count; ++i)
            sum += quint64(std::abs(int(static_cast<signed char>(bytes[i]))));
        return sum;
    }

    RowFilter(size_t rowBytes, int pixelBytes)
        : m_rowBytes(rowBytes)
        , m_pixelBytes(size_t(pixelBytes))
    {
        for (std::vector<uchar> &candidate : m_candidates)
            candidate.resize(rowBytes + 1);
    }

    const std::vector<uchar> &filter(const uchar *row, const uchar *above)
    {
        size_t best = 0;
        quint64 bestSum = ~quint64(0);
        for (size_t type = 0; type < m_candidates.size(); ++type) {
            const quint64 sum = apply(int(type), row, above, bestSum);
            if (sum < bestSum) {
                bestSum = sum;
                best = type;
                if (sum == 0)
                    break;
            }
        }
        return m_candidates[best];
    }

private:
    // Fills the candidate of `type` and returns its sum, or any sum from
    // `limit` on once it is clear the candidate loses.
    quint64 apply(int type, const uchar *row, const uchar *above, quint64 limit)
    {
        uchar *out = m_candidates[size_t(type)].data();
        out[0] = uchar(type);
        ++out;
        const size_t n = m_rowBytes;
        const size_t head = std::min(m_pixelBytes, n);
        switch (type) {
        case 0:
            std::memcpy(out, row, n);
            break;
        case 1:
            std::memcpy(out, row, head);
            for (size_t i = head; i < n; ++i)
                out[i] = uchar(row[i] - row[i - head]);
            break;
        case 2:
            for (size_t i = 0; i < n; ++i)
                out[i] = uchar(row[i] - above[i]);
            break;
        case 3:
            for (size_t i = 0; i < head; ++i)
                out[i] = uchar(row[i] - above[i] / 2);
            for (size_t i = head; i < n; ++i)
                out[i] = uchar(row[i] - (row[i - head] + above[i]) / 2);
            break;
        default:
            for (size_t i = 0; i < head; ++i)
                out[i] = uchar(row[i] - above[i]);
            for (size_t i = head; i < n; ++i) {
                const int a = row[i - head];
                const int b = above[i];
                const int c = above[i - head];
                // The distances of a + b - c from a, b and c.
                const int pa = std::abs(b - c);
                const int pb = std::abs(a - c);
                const int pc = std::abs(a + b - 2 * c);
                const int predicted = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
                out[i] = uchar(row[i] - predicted);
            }
            break;
        }
        quint64 sum = 0;
        constexpr size_t block = 4096;
        for (size_t start = 0; start < n && sum < limit; start += block)
            sum += absoluteSum(out + start, std::min(block, n - start));
        return sum;
    }

    size_t m_rowBytes;
    size_t m_pixelBytes;
    std::array<std::vector<uchar>, 5> m_candidates;
};

// One band of rows compressed as a raw deflate stream: ended by a sync flush
// so that the next band's stream follows on a byte boundary, or finished when
// it is the last.
struct Band
{
    std::string deflated;
    uLong adler = adler32(0, Z_NULL, 0);
    uLong length = 0;
};

class Deflater
{
public:
    explicit Deflater(std::string &out)
        : m_out(out)
    {
        if (deflateInit2(&m_stream, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~Deflater() { deflateEnd(&m_stream); }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    void setDictionary(const uchar *data, size_t size)
    {
        deflateSetDictionary(&m_stream, data, uInt(size));
    }

    void write(const uchar *data, size_t size, int flush)
    {
        m_stream.next_in = const_cast<uchar *>(data);
        m_stream.avail_in = uInt(size);
        for (;;) {
            if (m_used == m_out.size())
                m_out.resize(std::max<size_t>(m_out.size() * 2, 1 << 16));
            m_stream.next_out = reinterpret_cast<Bytef *>(&m_out[m_used]);
            m_stream.avail_out = uInt(m_out.size() - m_used);
            const int status = deflate(&m_stream, flush);
            m_used = m_out.size() - m_stream.avail_out;
            if (status == Z_STREAM_ERROR)
                throw std::bad_alloc();
            if (m_stream.avail_out != 0 && (flush != Z_FINISH || status == Z_STREAM_END))
                break;
        }
    }

    void close() { m_out.resize(m_used); }

private:
    z_stream m_stream {};
    std::string &m_out;
    size_t m_used = 0;
};

class BandEncoder
{
public:
    BandEncoder(const QImage &image, int pixelBytes)
        : m_image(image)
        , m_pixelBytes(pixelBytes)
        , m_rowBytes(size_t(image.width()) * size_t(pixelBytes))
    {
    }

    void encode(int first, int end, bool last, Band &band) const
    {
        // Rows before the band: as many as fill the dictionary, and one more
        // that the first of them is filtered against.
        const int dictionaryRows
            = std::min(first, int((deflateWindow + m_rowBytes) / (m_rowBytes + 1)));
        const int filteredFrom = first - dictionaryRows;
        const int packedFrom = std::max(0, filteredFrom - 1);

        std::vector<uchar> above(m_rowBytes, 0);
        std::vector<uchar> row(m_rowBytes);
        std::vector<uchar> dictionary;
        RowFilter filter(m_rowBytes, m_pixelBytes);
        Deflater deflater(band.deflated);
        for (int y = packedFrom; y < end; ++y) {
            pack(y, row.data());
            if (y >= filteredFrom) {
                const std::vector<uchar> &filtered = filter.filter(row.data(), above.data());
                if (y < first) {
                    dictionary.insert(dictionary.end(), filtered.begin(), filtered.end());
                } else {
                    if (y == first && !dictionary.empty()) {
                        const size_t size = std::min(dictionary.size(), size_t(deflateWindow));
                        deflater.setDictionary(dictionary.data() + dictionary.size() - size, size);
                    }
                    band.adler = adler32_z(band.adler, filtered.data(), filtered.size());
                    band.length += uLong(filtered.size());
                    deflater.write(filtered.data(), filtered.size(), Z_NO_FLUSH);
                }
            }
            above.swap(row);
        }
        deflater.write(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
        deflater.close();
    }

private:
    // Row y in PNG's byte order, alpha straight. Premultiplied rows go through
    // Qt's own conversion one by one: a row fits the cache, and small blocks
    // are reused by the allocator where a band's would be fresh pages.
    void pack(int y, uchar *out) const
    {
        QImage plain;
        const uchar *line = m_image.constScanLine(y);
        if (m_image.format() == QImage::Format_ARGB32_Premultiplied) {
            plain = QImage(line, m_image.width(), 1, m_image.bytesPerLine(), m_image.format())
                        .convertToFormat(QImage::Format_ARGB32);
            if (plain.isNull())
                throw std::bad_alloc();
            line = plain.constScanLine(0);
        }
        const auto *pixels = reinterpret_cast<const QRgb *>(line);
        const int width = m_image.width();
        if (m_pixelBytes == 4) {
            for (int x = 0; x < width; ++x, out += 4) {
                const QRgb p = pixels[x];
                out[0] = uchar(qRed(p));
                out[1] = uchar(qGreen(p));
                out[2] = uchar(qBlue(p));
                out[3] = uchar(qAlpha(p));
            }
        } else {
            for (int x = 0; x < width; ++x, out += 3) {
                const QRgb p = pixels[x];
                out[0] = uchar(qRed(p));
                out[1] = uchar(qGreen(p));
                out[2] = uchar(qBlue(p));
            }
        }
    }

    const QImage &m_image;
    int m_pixelBytes;
    size_t m_rowBytes;
};

QImage in32Bits(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
        return image;
    default:
        return image.convertToFormat(
            image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
}

std::string encode(const QImage &source, int bandRows)
{
    const QImage image = in32Bits(source);
    if (image.isNull())
        throw std::bad_alloc();
    const int width = image.width();
    const int height = image.height();
    const bool alpha = image.hasAlphaChannel();
    const int pixelBytes = alpha ? 4 : 3;
    const size_t rowBytes = size_t(width) * size_t(pixelBytes);
    if (bandRows <= 0)
        bandRows = int(std::max<size_t>(1, bandTargetBytes / (rowBytes + 1)));
    bandRows = std::min(bandRows, height);
    const int bandCount = (height + bandRows - 1) / bandRows;

    std::vector<Band> bands(static_cast<size_t>(bandCount));
    const BandEncoder encoder(image, pixelBytes);
    std::atomic<bool> failed { false };
    runOnAllCores(bandCount, [&](int i) {
        if (failed)
            return;
        const int first = i * bandRows;
        try {
            encoder.encode(
                first, std::min(height, first + bandRows), i == bandCount - 1, bands[size_t(i)]);
        } catch (const std::bad_alloc &) {
            failed = true;
        }
    });
    if (failed)
        throw std::bad_alloc();

    size_t deflatedSize = 0;
    for (const Band &band : bands)
        deflatedSize += band.deflated.size() + 12;
    std::string png;
    png.reserve(deflatedSize + 1024);
    png.append("\x89PNG\r\n\x1a\n", 8);

    std::string header;
    appendUint32(header, quint32(width));
    appendUint32(header, quint32(height));
    header += char(8); // bits a channel
    header += char(alpha ? 6 : 2); // RGBA or RGB
    header.append(3, '\0'); // deflate, adaptive filtering, no interlace
    appendChunk(png, "IHDR", { header });

    if (image.dotsPerMeterX() > 0 || image.dotsPerMeterY() > 0) {
        std::string physical;
        appendUint32(physical, quint32(std::max(0, image.dotsPerMeterX())));
        appendUint32(physical, quint32(std::max(0, image.dotsPerMeterY())));
        physical += char(1); // per metre
        appendChunk(png, "pHYs", { physical });
    }
    appendTexts(png, source);

    // One zlib stream over all bands: its header, the bands' raw streams one
    // after the other, the checksum of everything they hold.
    uLong adler = adler32(0, Z_NULL, 0);
    for (const Band &band : bands)
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
    std::string checksum;
    appendUint32(checksum, quint32(adler));
    const std::string_view zlibHeader("\x78\x5e", 2); // 32 KiB window, a fast level
    for (int i = 0; i < bandCount; ++i) {
        appendChunk(png, "IDAT",
            { i == 0 ? zlibHeader : std::string_view(), bands[size_t(i)].deflated,
                i == bandCount - 1 ? std::string_view(checksum) : std::string_view() });
    }
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace

QByteArray encodePng(const QImage &image, int bandRows)
{
    if (image.isNull())
        return QByteArray();
    try {
        const std::string png = encode(image, bandRows);
        return QByteArray(png.data(), int(png.size()));
    } catch (const std::bad_alloc &) {
        return QByteArray();
    }
}
