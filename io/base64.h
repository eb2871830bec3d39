#pragma once

#include <QByteArray>

#include <cstddef>
#include <string>

// Base64 as the project file holds the plan image, table-driven.
namespace Base64 {

// The bytes of text, exactly as QByteArray::fromBase64 gives them with the
// default options: every byte outside the alphabet ('=', spaces, line breaks
// and any other) is skipped wherever it stands, the remaining symbols form one
// bit stream, and bits that do not fill a last byte are dropped. Never fails.
// *canonical, when given, tells whether text is exactly what encode() makes of
// the result: no byte skipped but the padding, '=' only to fill the last group
// of four, and no bit dropped that is not zero.
QByteArray decode(const char *text, std::size_t size, bool *canonical = nullptr);

// The text of size bytes, as QByteArray::toBase64 gives it with the default
// options: four symbols for every three bytes, the last group padded with '='.
std::string encode(const char *data, std::size_t size);

} // namespace Base64
