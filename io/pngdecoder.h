#pragma once

#include <QByteArray>

class QImage;

// Decodes a PNG file of the plain kind encodePng writes for a plan: 8-bit RGB
// or RGBA, not interlaced, with nothing but a pHYs chunk besides its pixels.
// The pixels are inflated whole by libdeflate, some three times as fast as
// Qt's reader does it row by row through zlib, into exactly the image that
// reader gives: the same format, pixels and resolution.
//
// Returns false, leaving *image as it was, for any other kind of file and for
// any file with a fault (a checksum that does not match, too little or too
// much pixel data, a chunk out of place): Qt's reader is the judge of those,
// and the caller reads them with it.
bool decodePlainPng(const QByteArray &png, QImage *image);
