// Writing GIF pictures through giflib (Qt reads GIF but cannot write it).
// Pictures of at most 256 colours keep them exactly; others are reduced to a
// 256-colour palette with dithering.
#pragma once

#include <QByteArray>
#include <QImage>

namespace quillary::images {

// Empty on failure.
QByteArray EncodeGif(const QImage& image);

}  // namespace quillary::images
