// GIF output through giflib: one image, one global colour map.
#include "platform/images/gif_writer.h"

#include <gif_lib.h>

#include <QHash>
#include <vector>

namespace quillary::images {

namespace {

int WriteToArray(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
  return length;
}

// Pixels as palette indexes; -1 in `transparent` when every pixel is opaque.
struct Indexed {
  std::vector<GifByteType> pixels;
  QList<QRgb> colors;
  int transparent = -1;
};

bool ExactPalette(const QImage& img, Indexed* out) {
  QHash<QRgb, int> index;
  bool anyTransparent = false;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* px = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      if (qAlpha(px[x]) < 128) { anyTransparent = true; continue; }
      const QRgb c = px[x] | 0xFF000000u;
      if (!index.contains(c)) {
        if (index.size() >= 256 - (anyTransparent ? 1 : 0)) return false;
        index.insert(c, int(out->colors.size()));
        out->colors << c;
      }
    }
  }
  if (anyTransparent) {
    if (out->colors.size() >= 256) return false;
    out->transparent = int(out->colors.size());
    out->colors << qRgb(0, 0, 0);
  }
  out->pixels.reserve(size_t(img.width()) * img.height());
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* px = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x)
      out->pixels.push_back(GifByteType(qAlpha(px[x]) < 128 ? out->transparent
                                                            : index.value(px[x] | 0xFF000000u)));
  }
  return true;
}

void ReducedPalette(const QImage& img, Indexed* out) {
  const QImage reduced = img.convertToFormat(QImage::Format_RGB32)
                             .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
  out->colors = reduced.colorTable();
  out->pixels.reserve(size_t(img.width()) * img.height());
  for (int y = 0; y < reduced.height(); ++y) {
    const uchar* line = reduced.constScanLine(y);
    for (int x = 0; x < reduced.width(); ++x) out->pixels.push_back(line[x]);
  }
}

}  // namespace

QByteArray EncodeGif(const QImage& source) {
  if (source.isNull() || source.width() > 65535 || source.height() > 65535) return {};
  const QImage img = source.convertToFormat(QImage::Format_ARGB32);
  Indexed ix;
  if (!ExactPalette(img, &ix)) {
    ix = Indexed();
    ReducedPalette(img, &ix);
  }
  int mapSize = 2, bits = 1;
  while (mapSize < ix.colors.size()) { mapSize *= 2; ++bits; }
  std::vector<GifColorType> colors(static_cast<size_t>(mapSize));
  for (int i = 0; i < ix.colors.size(); ++i)
    colors[size_t(i)] = {GifByteType(qRed(ix.colors[i])), GifByteType(qGreen(ix.colors[i])),
                         GifByteType(qBlue(ix.colors[i]))};

  QByteArray out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToArray, &error);
  if (!gif) return {};
  ColorMapObject* map = GifMakeMapObject(mapSize, colors.data());
  bool ok = map != nullptr;
  EGifSetGifVersion(gif, true);
  ok = ok && EGifPutScreenDesc(gif, img.width(), img.height(), bits, 0, map) == GIF_OK;
  if (ok && ix.transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 0;
    gcb.TransparentColor = ix.transparent;
    GifByteType ext[4];
    const size_t len = EGifGCBToExtension(&gcb, ext);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext) == GIF_OK;
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, img.width(), img.height(), false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < img.height(); ++y)
    ok = EGifPutLine(gif, ix.pixels.data() + size_t(y) * img.width(), img.width()) == GIF_OK;
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  GifFreeMapObject(map);
  return ok ? out : QByteArray();
}

}  // namespace quillary::images
