#pragma once

#include <string>

// Number conversions of the text tree. They behave like strtoll (base 10),
// strtod and printf's "%lld" and "%f" in the "C" locale, whatever locale the
// process runs in, and never read outside [begin, end).
namespace TreeNumbers {

// Like strtoll with base 10: leading white space, an optional sign, digits;
// saturates at the limits of long long. *stop is the first byte not used, or
// begin when there were no digits.
long long parseInteger(const char *begin, const char *end, const char **stop);

// Like strtod: leading white space, an optional sign, then a decimal number
// with an optional exponent, a hexadecimal one ("0x1.8p3"), "inf", "infinity"
// or "nan" (any case). Overflow gives an infinity, underflow 0.
double parseReal(const char *begin, const char *end, const char **stop);

// True when the whole of [begin, end), which is not empty, is one number.
bool isWholeInteger(const char *begin, const char *end);
bool isWholeReal(const char *begin, const char *end);

std::string formatInteger(long long value);
// printf "%f" (an optional minus, the integer part, a point and six digits)
// when that holds the value to a thousandth of itself, which every value read
// from such a text does; otherwise (values below about 0.0005 in magnitude
// that six decimals would round away) the shortest text that reads back
// exactly, like "1e-07". Minus zero is written as "0.000000".
std::string formatReal(double value);

} // namespace TreeNumbers
