// Picture bytes and picture files.
#include "platform/images/picture_format.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

#include "platform/images/gif_writer.h"
#include "platform/images/pcx_codec.h"

namespace quillary::images {

namespace {

constexpr qint64 kMaxPictureFile = 256LL * 1024 * 1024;

bool StartsWith(const QByteArray& d, const char* magic, int n) {
  return d.size() >= n && std::memcmp(d.constData(), magic, size_t(n)) == 0;
}

// Some programs store a bitmap in a graphic field behind an 8-byte header
// (1, 0, 0, 0 and the length); the picture follows it.
QByteArray WithoutGraphicHeader(const QByteArray& d) {
  if (d.size() > 10 && StartsWith(d, "\x01\x00\x00\x00", 4)) {
    const QByteArray rest = d.mid(8);
    if (SniffPicture(rest) != PictureFormat::Unknown) return rest;
  }
  return d;
}

}  // namespace

PictureFormat SniffPicture(const QByteArray& d) {
  if (StartsWith(d, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
  if (StartsWith(d, "BM", 2) && d.size() >= 26) return PictureFormat::Bmp;
  if (StartsWith(d, "\xFF\xD8\xFF", 3)) return PictureFormat::Jpeg;
  if (StartsWith(d, "GIF87a", 6) || StartsWith(d, "GIF89a", 6)) return PictureFormat::Gif;
  if (LooksLikePcx(d)) return PictureFormat::Pcx;
  return PictureFormat::Unknown;
}

QImage DecodePicture(const QByteArray& bytes) {
  const QByteArray d = WithoutGraphicHeader(bytes);
  switch (SniffPicture(d)) {
    case PictureFormat::Png: return QImage::fromData(d, "PNG");
    case PictureFormat::Bmp: return QImage::fromData(d, "BMP");
    case PictureFormat::Jpeg: return QImage::fromData(d, "JPEG");
    case PictureFormat::Gif: return QImage::fromData(d, "GIF");
    case PictureFormat::Pcx: return DecodePcx(d);
    case PictureFormat::Unknown: break;
  }
  return {};
}

QByteArray EncodePng(const QImage& image) { return EncodePicture(image, PictureFormat::Png); }

PictureFormat FormatForFileName(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toUpper();
  if (ext == "BMP") return PictureFormat::Bmp;
  if (ext == "GIF") return PictureFormat::Gif;
  if (ext == "JPG") return PictureFormat::Jpeg;
  if (ext == "PNG") return PictureFormat::Png;
  if (ext == "PCX") return PictureFormat::Pcx;
  return PictureFormat::Unknown;
}

QByteArray EncodePicture(const QImage& image, PictureFormat format) {
  if (image.isNull()) return {};
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  bool ok = false;
  switch (format) {
    case PictureFormat::Png: ok = image.save(&buffer, "PNG"); break;
    case PictureFormat::Bmp: ok = image.save(&buffer, "BMP"); break;
    case PictureFormat::Jpeg:
      ok = image.convertToFormat(QImage::Format_RGB888).save(&buffer, "JPEG", 75);
      break;
    case PictureFormat::Gif: return EncodeGif(image);
    case PictureFormat::Pcx: return EncodePcx(image);
    case PictureFormat::Unknown: return {};
  }
  return ok ? out : QByteArray();
}

QImage ReadPictureFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxPictureFile) return {};
  return DecodePicture(f.readAll());
}

bool WritePictureFile(const QImage& image, const QString& path) {
  const PictureFormat format = FormatForFileName(path);
  if (format == PictureFormat::Unknown) return false;
  const QByteArray bytes = EncodePicture(image, format);
  if (bytes.isEmpty()) return false;
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(bytes);
  return f.commit();
}

}  // namespace quillary::images
