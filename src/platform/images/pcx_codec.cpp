// PCX pictures: run-length coded scan lines, one plane after the other.
#include "platform/images/pcx_codec.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace quillary::images {

namespace {

constexpr int kHeaderSize = 128;
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

uint16_t U16(const QByteArray& d, int at) {
  return uint16_t(uint8_t(d[at]) | (uint8_t(d[at + 1]) << 8));
}
void PutU16(QByteArray& d, int at, int v) {
  d[at] = char(v & 0xFF);
  d[at + 1] = char((v >> 8) & 0xFF);
}

struct Header {
  int version, encoding, bpp, planes, bytesPerLine, width, height;
};

bool ReadHeader(const QByteArray& d, Header* h) {
  if (d.size() < kHeaderSize || uint8_t(d[0]) != 0x0A) return false;
  h->version = uint8_t(d[1]);
  h->encoding = uint8_t(d[2]);
  h->bpp = uint8_t(d[3]);
  const int xmin = U16(d, 4), ymin = U16(d, 6), xmax = U16(d, 8), ymax = U16(d, 10);
  h->planes = uint8_t(d[65]);
  h->bytesPerLine = U16(d, 66);
  if (xmax < xmin || ymax < ymin) return false;
  h->width = xmax - xmin + 1;
  h->height = ymax - ymin + 1;
  if (h->version > 5 || h->version == 1 || h->encoding > 1) return false;
  if (h->bpp != 1 && h->bpp != 2 && h->bpp != 4 && h->bpp != 8) return false;
  if (h->planes < 1 || h->planes > 4) return false;
  if (qint64(h->bytesPerLine) * 8 < qint64(h->width) * h->bpp) return false;
  return true;
}

}  // namespace

bool LooksLikePcx(const QByteArray& data) {
  Header h;
  return ReadHeader(data, &h);
}

QImage DecodePcx(const QByteArray& d) {
  Header h;
  if (!ReadHeader(d, &h)) return {};
  if (qint64(h.width) * h.height > kMaxPixels) return {};
  const bool planar1 = h.bpp == 1 && h.planes > 1;
  const bool packed = h.planes == 1;
  const bool truecolor = h.bpp == 8 && (h.planes == 3 || h.planes == 4);
  if (!planar1 && !packed && !truecolor) return {};

  // Runs may cross scan lines in files from some writers, so the whole
  // picture is decoded as one stream.
  const qint64 lineBytes = qint64(h.planes) * h.bytesPerLine;
  const qint64 total = lineBytes * h.height;
  std::vector<uint8_t> raw(static_cast<size_t>(total));
  qint64 out = 0;
  qint64 in = kHeaderSize;
  const qint64 end = d.size();
  if (h.encoding == 0) {
    if (end - in < total) return {};
    std::memcpy(raw.data(), d.constData() + in, size_t(total));
  } else {
    while (out < total) {
      if (in >= end) return {};
      uint8_t b = uint8_t(d[in++]);
      int count = 1;
      if ((b & 0xC0) == 0xC0) {
        count = b & 0x3F;
        if (in >= end) return {};
        b = uint8_t(d[in++]);
      }
      for (int i = 0; i < count && out < total; ++i) raw[size_t(out++)] = b;
    }
  }

  QRgb palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = qRgb(i, i, i);
  if (h.bpp == 8 && packed) {
    const qint64 at = d.size() - 769;
    if (h.version >= 5 && at >= in && uint8_t(d[at]) == 0x0C)
      for (int i = 0; i < 256; ++i)
        palette[i] = qRgb(uint8_t(d[at + 1 + i * 3]), uint8_t(d[at + 2 + i * 3]),
                          uint8_t(d[at + 3 + i * 3]));
  } else if (h.bpp == 1 && packed) {
    palette[0] = qRgb(0, 0, 0);
    palette[1] = qRgb(255, 255, 255);
  } else if (!truecolor) {
    for (int i = 0; i < 16; ++i)
      palette[i] = qRgb(uint8_t(d[16 + i * 3]), uint8_t(d[17 + i * 3]), uint8_t(d[18 + i * 3]));
  }

  QImage image(h.width, h.height, h.planes == 4 && truecolor ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < h.height; ++y) {
    const uint8_t* line = raw.data() + size_t(y * lineBytes);
    QRgb* px = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < h.width; ++x) {
      if (truecolor) {
        const int bpl = h.bytesPerLine;
        const uint8_t a = h.planes == 4 ? line[3 * bpl + x] : 255;
        px[x] = qRgba(line[x], line[bpl + x], line[2 * bpl + x], a);
      } else if (packed) {
        const int bit = x * h.bpp;
        const int shift = 8 - h.bpp - (bit % 8);
        const int index = (line[bit / 8] >> shift) & ((1 << h.bpp) - 1);
        px[x] = palette[index];
      } else {
        int index = 0;
        for (int p = 0; p < h.planes; ++p)
          index |= ((line[p * h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
        px[x] = palette[index];
      }
    }
  }
  return image;
}

QByteArray EncodePcx(const QImage& source) {
  if (source.isNull() || source.width() > 65535 || source.height() > 65535) return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  const int bpl = w + (w & 1);  // scan line planes are an even number of bytes

  QByteArray out(kHeaderSize, '\0');
  out[0] = char(0x0A);
  out[1] = 5;
  out[2] = 1;
  out[3] = 8;
  PutU16(out, 8, w - 1);
  PutU16(out, 10, h - 1);
  const int dpiX = image.dotsPerMeterX() > 0 ? int(image.dotsPerMeterX() * 0.0254 + 0.5) : 96;
  const int dpiY = image.dotsPerMeterY() > 0 ? int(image.dotsPerMeterY() * 0.0254 + 0.5) : 96;
  PutU16(out, 12, std::min(dpiX, 65535));
  PutU16(out, 14, std::min(dpiY, 65535));
  out[65] = 3;
  PutU16(out, 66, bpl);
  PutU16(out, 68, 1);

  std::vector<uint8_t> plane(static_cast<size_t>(bpl));
  for (int y = 0; y < h; ++y) {
    const QRgb* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int p = 0; p < 3; ++p) {
      for (int x = 0; x < bpl; ++x) {
        if (x >= w) { plane[size_t(x)] = 0; continue; }
        plane[size_t(x)] = uint8_t(p == 0 ? qRed(px[x]) : p == 1 ? qGreen(px[x]) : qBlue(px[x]));
      }
      for (int x = 0; x < bpl;) {
        const uint8_t v = plane[size_t(x)];
        int run = 1;
        while (x + run < bpl && run < 63 && plane[size_t(x + run)] == v) ++run;
        if (run > 1 || (v & 0xC0) == 0xC0) out.append(char(0xC0 | run));
        out.append(char(v));
        x += run;
      }
    }
  }
  return out;
}

}  // namespace quillary::images
