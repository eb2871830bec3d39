#include "treenumbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace TreeNumbers {

namespace {

    constexpr double kFixedTolerance = 1e-3;

    bool isSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }

    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    bool isHexDigit(char c)
    {
        return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }

    // from_chars leaves the value alone when it is out of range; strtod gives an
    // infinity for overflow and 0 for underflow. Which of the two happened follows
    // from the rough magnitude of the text: the position of its first significant
    // digit plus its exponent.
    double outOfRange(const char *begin, const char *end, bool hex)
    {
        const char exponentMark = hex ? 'p' : 'e';
        const int digitWeight = hex ? 4 : 1;
        long long magnitude = 0;
        bool significant = false;
        bool afterPoint = false;
        const char *p = begin;
        for (; p < end && (*p | 0x20) != exponentMark; ++p) {
            if (*p == '.') {
                afterPoint = true;
            } else if (!significant && *p == '0') {
                if (afterPoint)
                    magnitude -= digitWeight;
            } else {
                significant = true;
                if (!afterPoint)
                    magnitude += digitWeight;
            }
        }
        if (p < end) {
            const char *stop = nullptr;
            const long long exponent = parseInteger(p + 1, end, &stop);
            // Saturating keeps the sum meaningful for absurd exponents.
            if (exponent > LLONG_MAX / 2)
                magnitude = LLONG_MAX / 2;
            else if (exponent < LLONG_MIN / 2)
                magnitude = LLONG_MIN / 2;
            else
                magnitude += exponent;
        }
        return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }

} // namespace

long long parseInteger(const char *begin, const char *end, const char **stop)
{
    const char *p = begin;
    while (p < end && isSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !isDigit(*p)) {
        *stop = begin;
        return 0;
    }
    // Accumulated as a magnitude; LLONG_MIN's magnitude is one above LLONG_MAX.
    const unsigned long long limit
        = negative ? static_cast<unsigned long long>(LLONG_MAX) + 1 : LLONG_MAX;
    unsigned long long magnitude = 0;
    bool overflow = false;
    for (; p < end && isDigit(*p); ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (overflow || magnitude > (limit - digit) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    *stop = p;
    if (overflow)
        return negative ? LLONG_MIN : LLONG_MAX;
    if (negative)
        return magnitude == limit ? LLONG_MIN : -static_cast<long long>(magnitude);
    return static_cast<long long>(magnitude);
}

double parseReal(const char *begin, const char *end, const char **stop)
{
    const char *p = begin;
    while (p < end && isSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars would take a second sign; strtod does not.
    if (p == end || *p == '+' || *p == '-') {
        *stop = begin;
        return 0;
    }
    bool hex = false;
    if (end - p > 2 && p[0] == '0' && (p[1] | 0x20) == 'x'
        && (isHexDigit(p[2]) || (p[2] == '.' && end - p > 3 && isHexDigit(p[3])))) {
        hex = true;
        p += 2;
    }
    double value = 0;
    const auto result
        = std::from_chars(p, end, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::invalid_argument) {
        *stop = begin;
        return 0;
    }
    if (result.ec == std::errc::result_out_of_range)
        value = outOfRange(p, result.ptr, hex);
    *stop = result.ptr;
    return negative ? -value : value;
}

bool isWholeInteger(const char *begin, const char *end)
{
    const char *stop = nullptr;
    parseInteger(begin, end, &stop);
    return begin != end && stop == end;
}

bool isWholeReal(const char *begin, const char *end)
{
    const char *stop = nullptr;
    parseReal(begin, end, &stop);
    return begin != end && stop == end;
}

std::string formatInteger(long long value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatReal(double value)
{
    if (value == 0)
        value = 0; // no minus zero
    // The longest text is that of -DBL_MAX: 309 digits, the sign, the point and six decimals.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    // Six decimals are kept whenever they hold the value to a thousandth of
    // itself, so that every value read from such a text is written back the
    // same. A smaller value (one that would even read back as 0) is written in
    // the shortest form that reads back exactly.
    if (std::isfinite(value)) {
        const char *stop = nullptr;
        const double back = parseReal(buffer, result.ptr, &stop);
        if (std::fabs(back - value) > std::fabs(value) * kFixedTolerance)
            result = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    return std::string(buffer, result.ptr);
}

} // namespace TreeNumbers
