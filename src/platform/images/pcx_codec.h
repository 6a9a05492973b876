// PCX pictures (ZSoft run-length encoded): reading the 1, 2, 4 and 8 bit
// palette layouts, 16-colour planes and 24/32-bit planes; writing 24-bit.
// Every read is bounds-checked: a damaged file gives a null image.
#pragma once

#include <QByteArray>
#include <QImage>

namespace quillary::images {

bool LooksLikePcx(const QByteArray& data);
QImage DecodePcx(const QByteArray& data);
// Three 8-bit planes (red, green, blue); alpha is dropped.
QByteArray EncodePcx(const QImage& image);

}  // namespace quillary::images
