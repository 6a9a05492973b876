// Option files built byte by byte from their documented layout, independent
// of the code that reads and writes them.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace quillary::test {

class Bytes {
 public:
  Bytes& i16(int v) {
    b_.append(char(v & 0xFF));
    b_.append(char((v >> 8) & 0xFF));
    return *this;
  }
  Bytes& u8(int v) {
    b_.append(char(v));
    return *this;
  }
  Bytes& i32(int32_t v) {
    for (int i = 0; i < 4; ++i) b_.append(char(uint32_t(v) >> (8 * i)));
    return *this;
  }
  // A scrambled string: length byte, then each byte XOR the key.
  Bytes& text(const QByteArray& s) {
    static const uint8_t key[10] = {0x03, 0x09, 0x0C, 0x07, 0x11, 0x04, 0x0A, 0x02, 0x08, 0x0D};
    b_.append(char(s.size()));
    for (int i = 0; i < s.size(); ++i) b_.append(char(uint8_t(s[i]) ^ key[i % 10]));
    return *this;
  }
  // A 264-byte font record; `pad` fills the three padding bytes.
  Bytes& font(const QByteArray& name, int style, int size, uint8_t pad) {
    QByteArray rec(264, '\0');
    rec[0] = char(name.size());
    for (int i = 0; i < name.size(); ++i) rec[1 + i] = name[i];
    rec[256] = char(style);
    rec[257] = char(pad);
    rec[258] = char(pad + 1);
    rec[259] = char(pad + 2);
    for (int i = 0; i < 4; ++i) rec[260 + i] = char(uint32_t(size) >> (8 * i));
    b_.append(rec);
    return *this;
  }
  Bytes& raw(const QByteArray& r) {
    b_.append(r);
    return *this;
  }
  QByteArray bytes() const { return b_; }

 private:
  QByteArray b_;
};

// The 16 fixed fields of a user option file with distinctive values.
inline Bytes UserFixedFields(const QByteArray& lastFile, const QByteArray& lastDir) {
  Bytes b;
  b.i16(2).i16(3).i16(1).i16(1).i16(1).i16(1).i16(-7).i16(2).i16(0).i16(1);
  b.text(lastFile).text(lastDir);
  b.i16(6).i16(1).u8(1).u8(0);
  return b;
}

}  // namespace quillary::test
