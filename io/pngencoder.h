#pragma once

#include <QByteArray>

class QImage;

// The PNG file of `image`, encoded on all cores. An image with an alpha channel is written as
// 8-bit RGBA, premultiplied pixels unpremultiplied to exactly the values
// QImage::convertToFormat(QImage::Format_ARGB32) gives; any other as 8-bit RGB (formats deeper
// than 8 bits a channel lose the extra bits). The resolution goes into pHYs and the texts into
// tEXt, zTXt or iTXt chunks as Qt's own writer puts them. Rows are filtered one by one (the
// filter with the smallest sum of absolute signed bytes) and compressed at zlib's level 5
// in bands of `bandRows` rows each (0: about a megabyte of pixels a band), several bands at once;
// the band height changes the file by a few bytes a band, never its pixels. An empty array for a
// null image or when memory runs out.
QByteArray encodePng(const QImage &image, int bandRows = 0);
