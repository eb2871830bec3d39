#include "io/base64.h"

#include "io/memoryadvice.h"

#include <array>
#include <cstdint>

namespace Base64 {

namespace {

    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr std::uint8_t kSkipped = 0x80;

    constexpr std::array<std::uint8_t, 256> makeSymbols()
    {
        std::array<std::uint8_t, 256> table {};
        for (auto &entry : table)
            entry = kSkipped;
        for (int i = 0; i < 64; ++i)
            table[static_cast<unsigned char>(kAlphabet[i])] = std::uint8_t(i);
        return table;
    }

    constexpr std::array<std::uint8_t, 256> kSymbols = makeSymbols();

    // The symbols' values moved to their place in a group of four (the first
    // symbol's six bits highest); kInvalid for bytes outside the alphabet.
    constexpr std::uint32_t kInvalid = 0x80000000u;
    constexpr std::array<std::uint32_t, 256> makePlaced(int shift)
    {
        std::array<std::uint32_t, 256> table {};
        for (int i = 0; i < 256; ++i)
            table[std::size_t(i)] = kSymbols[std::size_t(i)] & kSkipped
                ? kInvalid
                : std::uint32_t(kSymbols[std::size_t(i)]) << shift;
        return table;
    }
    constexpr std::array<std::uint32_t, 256> kPlaced0 = makePlaced(18);
    constexpr std::array<std::uint32_t, 256> kPlaced1 = makePlaced(12);
    constexpr std::array<std::uint32_t, 256> kPlaced2 = makePlaced(6);
    constexpr std::array<std::uint32_t, 256> kPlaced3 = makePlaced(0);

    // Whether [rest, end) is the padding that completes the last group of four
    // after symbols symbols.
    bool isPadding(const unsigned char *rest, const unsigned char *end, std::size_t symbols)
    {
        const std::size_t pad = std::size_t(end - rest);
        if (symbols % 4 == 1 || pad != (4 - symbols % 4) % 4)
            return false;
        for (const unsigned char *p = rest; p < end; ++p)
            if (*p != '=')
                return false;
        return true;
    }

} // namespace

QByteArray decode(const char *text, std::size_t size, bool *canonical)
{
    QByteArray result;
    result.resize(int(size * 3 / 4));
    adviseLargePages(result.data(), std::size_t(result.size()));
    auto *out = reinterpret_cast<unsigned char *>(result.data());
    const auto *in = reinterpret_cast<const unsigned char *>(text);
    const unsigned char *const end = in + size;
    const unsigned char *firstSkipped = nullptr;
    std::size_t symbols = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    while (in < end) {
        // Whole groups of four symbols while the bit stream is at a group start.
        if (bitCount == 0) {
            while (end - in >= 8) {
                const std::uint32_t first
                    = kPlaced0[in[0]] | kPlaced1[in[1]] | kPlaced2[in[2]] | kPlaced3[in[3]];
                const std::uint32_t second
                    = kPlaced0[in[4]] | kPlaced1[in[5]] | kPlaced2[in[6]] | kPlaced3[in[7]];
                if ((first | second) & kInvalid)
                    break;
                out[0] = static_cast<unsigned char>(first >> 16);
                out[1] = static_cast<unsigned char>(first >> 8);
                out[2] = static_cast<unsigned char>(first);
                out[3] = static_cast<unsigned char>(second >> 16);
                out[4] = static_cast<unsigned char>(second >> 8);
                out[5] = static_cast<unsigned char>(second);
                out += 6;
                in += 8;
                symbols += 8;
            }
            while (end - in >= 4) {
                const std::uint32_t a = kSymbols[in[0]];
                const std::uint32_t b = kSymbols[in[1]];
                const std::uint32_t c = kSymbols[in[2]];
                const std::uint32_t d = kSymbols[in[3]];
                if ((a | b | c | d) & kSkipped)
                    break;
                const std::uint32_t group = a << 18 | b << 12 | c << 6 | d;
                out[0] = static_cast<unsigned char>(group >> 16);
                out[1] = static_cast<unsigned char>(group >> 8);
                out[2] = static_cast<unsigned char>(group);
                out += 3;
                in += 4;
                symbols += 4;
            }
            if (in == end)
                break;
        }
        // One byte at a time up to the next group start.
        const std::uint8_t symbol = kSymbols[*in];
        if (symbol & kSkipped) {
            if (!firstSkipped)
                firstSkipped = in;
        } else {
            bits = bits << 6 | symbol;
            bitCount += 6;
            ++symbols;
            if (bitCount >= 8) {
                bitCount -= 8;
                *out++ = static_cast<unsigned char>(bits >> bitCount);
                bits &= (1u << bitCount) - 1;
            }
        }
        ++in;
    }
    result.truncate(int(out - reinterpret_cast<unsigned char *>(result.data())));
    if (canonical)
        *canonical = bits == 0 && isPadding(firstSkipped ? firstSkipped : end, end, symbols);
    return result;
}

std::string encode(const char *data, std::size_t size)
{
    std::string text((size + 2) / 3 * 4, '=');
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    char *out = &text[0];
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3, out += 4) {
        const std::uint32_t group
            = std::uint32_t(in[i]) << 16 | std::uint32_t(in[i + 1]) << 8 | in[i + 2];
        out[0] = kAlphabet[group >> 18];
        out[1] = kAlphabet[(group >> 12) & 63];
        out[2] = kAlphabet[(group >> 6) & 63];
        out[3] = kAlphabet[group & 63];
    }
    if (i < size) {
        std::uint32_t group = std::uint32_t(in[i]) << 16;
        if (i + 1 < size)
            group |= std::uint32_t(in[i + 1]) << 8;
        out[0] = kAlphabet[group >> 18];
        out[1] = kAlphabet[(group >> 12) & 63];
        if (i + 1 < size)
            out[2] = kAlphabet[(group >> 6) & 63];
    }
    return text;
}

} // namespace Base64
