// Picture bytes and picture files: recognising a picture by its content (PNG,
// BMP, JPEG, GIF, PCX), decoding it, the PNG form pictures are stored in, and
// reading and writing files in the format their extension names.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillary::images {

enum class PictureFormat { Unknown, Png, Bmp, Jpeg, Gif, Pcx };

// By content, never by name.
PictureFormat SniffPicture(const QByteArray& data);
// A null image when the bytes are no picture this program reads.
QImage DecodePicture(const QByteArray& data);
// The stored form of a picture field.
QByteArray EncodePng(const QImage& image);

// The file format a save takes from the extension (letter case ignored):
// ".bmp", ".gif", ".jpg", ".png", ".pcx"; Unknown for anything else.
PictureFormat FormatForFileName(const QString& fileName);
// Encoded bytes in a format; JPEG in true colour at quality 75. Empty when
// the format is Unknown or encoding fails.
QByteArray EncodePicture(const QImage& image, PictureFormat format);

QImage ReadPictureFile(const QString& path);
// Writes nothing and returns false for an extension without a format.
bool WritePictureFile(const QImage& image, const QString& path);

}  // namespace quillary::images
