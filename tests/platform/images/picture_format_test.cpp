// Picture codecs: PCX and GIF written here read back equal, pictures are
// recognised by content, bitmaps written by other programs read, damaged PCX
// files are refused without harm, and file saving follows the extension.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/images/gif_writer.h"
#include "platform/images/pcx_codec.h"
#include "platform/images/picture_format.h"

namespace quillary::images {
namespace {

// Stripes, a gradient and runs longer than 63 bytes, with byte values at and
// above 0xC0 so the run-length escapes are exercised; an odd width pads.
QImage TestPicture(int w = 131, int h = 37, bool manyColours = true) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (x < 70) img.setPixel(x, y, qRgb(0xC5, 0x10 * (y % 4), 0xFF));
      else if (manyColours) img.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 13) & 0xFF, (x * y) & 0xFF));
      else img.setPixel(x, y, qRgb((x % 16) * 16, (y % 8) * 32, 0xC0));
    }
  return img;
}

bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  for (int r = 0; r < x.height(); ++r)
    if (memcmp(x.constScanLine(r), y.constScanLine(r), size_t(x.width()) * 4) != 0) return false;
  return true;
}

void Put16(QByteArray& d, int at, int v) {
  d[at] = char(v & 0xFF);
  d[at + 1] = char(v >> 8);
}
void Put32(QByteArray& d, int at, int v) {
  for (int i = 0; i < 4; ++i) d[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A 3 by 2 bitmap of 24 bits, bottom-up with padded rows, as other programs
// write it.
QByteArray HandMadeBmp() {
  const int rowBytes = 12;  // 9 bytes of pixels, padded to 4
  QByteArray d(54 + 2 * rowBytes, '\0');
  d[0] = 'B';
  d[1] = 'M';
  Put32(d, 2, d.size());
  Put32(d, 10, 54);
  Put32(d, 14, 40);
  Put32(d, 18, 3);
  Put32(d, 22, 2);
  Put16(d, 26, 1);
  Put16(d, 28, 24);
  Put32(d, 34, 2 * rowBytes);
  // Bottom row first, pixels as blue, green, red.
  const uint8_t bottom[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0};          // red green blue
  const uint8_t top[9] = {255, 255, 255, 0, 0, 0, 0x80, 0x80, 0x80};    // white black grey
  for (int i = 0; i < 9; ++i) {
    d[54 + i] = char(bottom[i]);
    d[54 + rowBytes + i] = char(top[i]);
  }
  return d;
}

void ExpectHandMadeBmpPixels(const QImage& img) {
  ASSERT_EQ(img.size(), QSize(3, 2));
  EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(2, 0), qRgb(0x80, 0x80, 0x80));
  EXPECT_EQ(img.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(img.pixel(2, 1), qRgb(0, 0, 255));
}

// A 4 by 2 PCX of 8 bits with its 256-colour palette at the end.
QByteArray HandMadePcx8() {
  QByteArray d(128, '\0');
  d[0] = 0x0A;
  d[1] = 5;
  d[2] = 1;
  d[3] = 8;
  Put16(d, 8, 3);
  Put16(d, 10, 1);
  d[65] = 1;
  Put16(d, 66, 4);
  // Row 0: index 1 four times as one run; row 1: 2, 0xC8 (escaped), 3, 3.
  d.append(char(0xC4)).append(char(1));
  d.append(char(2)).append(char(0xC1)).append(char(0xC8)).append(char(0xC2)).append(char(3));
  QByteArray palette(769, '\0');
  palette[0] = 0x0C;
  auto set = [&](int i, int r, int g, int b) {
    palette[1 + i * 3] = char(r);
    palette[2 + i * 3] = char(g);
    palette[3 + i * 3] = char(b);
  };
  set(1, 10, 20, 30);
  set(2, 200, 100, 50);
  set(3, 0, 0, 255);
  set(0xC8, 7, 8, 9);
  return d + palette;
}

TEST(PictureFormatTest, PcxWrittenHereReadsBackEqual) {
  for (QSize size : {QSize(131, 37), QSize(1, 1), QSize(64, 3), QSize(200, 2)}) {
    const QImage img = TestPicture(size.width(), size.height());
    const QByteArray pcx = EncodePcx(img);
    ASSERT_FALSE(pcx.isEmpty());
    EXPECT_EQ(SniffPicture(pcx), PictureFormat::Pcx);
    EXPECT_TRUE(SamePixels(DecodePcx(pcx), img)) << size.width() << "x" << size.height();
  }
}

TEST(PictureFormatTest, PcxLayoutsOfOtherPrograms) {
  const QImage img = DecodePicture(HandMadePcx8());
  ASSERT_EQ(img.size(), QSize(4, 2));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(img.pixel(x, 0), qRgb(10, 20, 30));
  EXPECT_EQ(img.pixel(0, 1), qRgb(200, 100, 50));
  EXPECT_EQ(img.pixel(1, 1), qRgb(7, 8, 9));
  EXPECT_EQ(img.pixel(3, 1), qRgb(0, 0, 255));

  // One bit, one plane: black and white, most significant bit first; an
  // uncompressed file.
  QByteArray mono(128, '\0');
  mono[0] = 0x0A;
  mono[1] = 3;
  mono[2] = 0;
  mono[3] = 1;
  Put16(mono, 8, 9);  // 10 wide
  Put16(mono, 10, 0);
  mono[65] = 1;
  Put16(mono, 66, 2);
  mono.append(char(0xA0)).append(char(0x40));  // 1010 0000 0100 0000
  const QImage m = DecodePcx(mono);
  ASSERT_EQ(m.size(), QSize(10, 1));
  EXPECT_EQ(m.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(m.pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(m.pixel(2, 0), qRgb(255, 255, 255));
  EXPECT_EQ(m.pixel(9, 0), qRgb(255, 255, 255));
  EXPECT_EQ(m.pixel(8, 0), qRgb(0, 0, 0));
}

TEST(PictureFormatTest, DamagedPcxIsRefusedWithoutHarm) {
  const QByteArray good = EncodePcx(TestPicture(40, 9));
  // Every cut of the file, and headers that lie about the size.
  for (qsizetype n = 0; n < good.size(); n += 7) EXPECT_TRUE(DecodePcx(good.left(n)).isNull()) << n;
  QByteArray huge = good;
  Put16(huge, 8, 0xFFFF);
  Put16(huge, 10, 0xFFFF);
  EXPECT_TRUE(DecodePcx(huge).isNull());
  QByteArray narrow = good;
  Put16(narrow, 66, 1);  // scan lines shorter than the width
  EXPECT_TRUE(DecodePcx(narrow).isNull());
  QByteArray planes = good;
  planes[65] = 9;
  EXPECT_TRUE(DecodePcx(planes).isNull());
}

TEST(PictureFormatTest, GifWrittenHereReadsBackEqual) {
  const QImage few = TestPicture(131, 37, false);
  const QByteArray gif = EncodeGif(few);
  ASSERT_FALSE(gif.isEmpty());
  EXPECT_EQ(SniffPicture(gif), PictureFormat::Gif);
  EXPECT_TRUE(SamePixels(DecodePicture(gif), few));

  QImage clear(5, 4, QImage::Format_ARGB32);
  clear.fill(qRgba(0, 0, 0, 0));
  clear.setPixel(2, 1, qRgba(255, 0, 0, 255));
  const QImage back = DecodePicture(EncodeGif(clear));
  ASSERT_EQ(back.size(), clear.size());
  EXPECT_EQ(qAlpha(back.pixel(0, 0)), 0);
  EXPECT_EQ(back.pixel(2, 1), qRgba(255, 0, 0, 255));

  // More than 256 colours are reduced, the picture keeps its size.
  const QImage many = TestPicture();
  const QImage reduced = DecodePicture(EncodeGif(many));
  EXPECT_EQ(reduced.size(), many.size());
}

TEST(PictureFormatTest, RecognisedByContent) {
  const QImage img = TestPicture(20, 10);
  const struct { PictureFormat format; QByteArray bytes; } cases[] = {
      {PictureFormat::Png, EncodePicture(img, PictureFormat::Png)},
      {PictureFormat::Bmp, EncodePicture(img, PictureFormat::Bmp)},
      {PictureFormat::Jpeg, EncodePicture(img, PictureFormat::Jpeg)},
      {PictureFormat::Gif, EncodePicture(img, PictureFormat::Gif)},
      {PictureFormat::Pcx, EncodePicture(img, PictureFormat::Pcx)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.format));
    EXPECT_EQ(SniffPicture(c.bytes), c.format);
    EXPECT_EQ(DecodePicture(c.bytes).size(), img.size());
  }
  EXPECT_EQ(SniffPicture("hello world"), PictureFormat::Unknown);
  EXPECT_EQ(SniffPicture(QByteArray()), PictureFormat::Unknown);
  EXPECT_TRUE(DecodePicture("BM-not-really-a-bitmap-at-all").isNull());
}

TEST(PictureFormatTest, BitmapOfAnotherProgramReads) {
  ExpectHandMadeBmpPixels(DecodePicture(HandMadeBmp()));
  // The same bitmap behind the 8-byte header of a graphic field.
  QByteArray withHeader(8, '\0');
  withHeader[0] = 1;
  Put32(withHeader, 4, int(HandMadeBmp().size()));
  ExpectHandMadeBmpPixels(DecodePicture(withHeader + HandMadeBmp()));
}

TEST(PictureFormatTest, FilesFollowTheExtension) {
  QTemporaryDir dir;
  const QImage img = TestPicture(30, 20);
  EXPECT_FALSE(WritePictureFile(img, dir.filePath("a.tif")));
  EXPECT_FALSE(QFile::exists(dir.filePath("a.tif")));
  EXPECT_FALSE(WritePictureFile(img, dir.filePath("noextension")));
  const struct { const char* name; PictureFormat format; } cases[] = {
      {"a.BMP", PictureFormat::Bmp}, {"a.gif", PictureFormat::Gif}, {"a.Jpg", PictureFormat::Jpeg},
      {"a.png", PictureFormat::Png}, {"a.pcx", PictureFormat::Pcx},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath(c.name);
    ASSERT_TRUE(WritePictureFile(img, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(SniffPicture(f.readAll()), c.format);
    const QImage back = ReadPictureFile(path);
    EXPECT_EQ(back.size(), img.size());
    if (c.format != PictureFormat::Jpeg) EXPECT_TRUE(SamePixels(back, img));
  }
  EXPECT_TRUE(ReadPictureFile(dir.filePath("missing.png")).isNull());
}

}  // namespace
}  // namespace quillary::images

