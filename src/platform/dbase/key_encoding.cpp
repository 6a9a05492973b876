#include "platform/dbase/key_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillary::dbase {

namespace {

__int128 Pow10(int n) {
  __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

int DigitCount(__int128 v) {  // v >= 0
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

std::string Digits(__int128 v) {  // v >= 0
  if (v == 0) return "0";
  std::string s;
  while (v > 0) {
    s.push_back(char('0' + int(v % 10)));
    v /= 10;
  }
  std::reverse(s.begin(), s.end());
  return s;
}

std::string PlainDecimal(const Decimal& v) {
  bool neg = v.units < 0;
  std::string d = Digits(neg ? -v.units : v.units);
  if (v.scale > 0) {
    if (int(d.size()) <= v.scale) d.insert(0, size_t(v.scale + 1 - d.size()), '0');
    const size_t point = d.size() - size_t(v.scale);
    d = d.substr(0, point) + '.' + d.substr(point);
  }
  bool zero = v.units == 0;
  return (neg && !zero ? "-" : "") + d;
}

}  // namespace

Decimal Rescale(const Decimal& v, int scale) {
  if (scale == v.scale) return v;
  if (scale > v.scale) return {v.units * Pow10(scale - v.scale), scale};
  __int128 div = Pow10(v.scale - scale);
  __int128 q = v.units / div, r = v.units % div;
  if (r * 2 >= div) ++q;
  else if (r * 2 <= -div) --q;
  return {q, scale};
}

Decimal SubDecimal(const Decimal& a, const Decimal& b) {
  int s = std::max(a.scale, b.scale);
  return {Rescale(a, s).units - Rescale(b, s).units, s};
}
Decimal AddDecimal(const Decimal& a, const Decimal& b) {
  int s = std::max(a.scale, b.scale);
  return {Rescale(a, s).units + Rescale(b, s).units, s};
}

int CompareDecimal(const Decimal& a, const Decimal& b) {
  const int sa = a.units < 0 ? -1 : (a.units > 0 ? 1 : 0), sb = b.units < 0 ? -1 : (b.units > 0 ? 1 : 0);
  if (sa != sb) return sa < sb ? -1 : 1;
  if (sa == 0) return 0;
  const __int128 x = sa < 0 ? -a.units : a.units, y = sb < 0 ? -b.units : b.units;
  // The usual case: both fit one scale without leaving 128 bits.
  const int s = std::max(a.scale, b.scale);
  const int dx = DigitCount(x) + (s - a.scale), dy = DigitCount(y) + (s - b.scale);
  int c;
  if (dx <= 37 && dy <= 37) {
    __int128 p = Rescale({x, a.scale}, s).units, q = Rescale({y, b.scale}, s).units;
    c = p < q ? -1 : (p > q ? 1 : 0);
  } else {
    // Magnitudes far apart in scale: by the place of the first digit, then
    // digit by digit.
    const int ex = DigitCount(x) - a.scale, ey = DigitCount(y) - b.scale;
    if (ex != ey) {
      c = ex < ey ? -1 : 1;
    } else {
      std::string mx = Digits(x), my = Digits(y);
      while (mx.size() > 1 && mx.back() == '0') mx.pop_back();
      while (my.size() > 1 && my.back() == '0') my.pop_back();
      int m = mx.compare(my);
      c = m < 0 ? -1 : (m > 0 ? 1 : 0);
    }
  }
  return sa < 0 ? -c : c;
}

int32_t JulianDay(int y, int m, int d) {
  int a = (14 - m) / 12;
  int yy = y + 4800 - a;
  int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void CivilFromJulian(int32_t jd, int& year, int& month, int& day) {
  int a = jd + 32044;
  int b = (4 * a + 3) / 146097;
  int c = a - 146097 * b / 4;
  int d = (4 * c + 3) / 1461;
  int e = c - 1461 * d / 4;
  int m = (5 * e + 2) / 153;
  day = e - (153 * m + 2) / 5 + 1;
  month = m + 3 - 12 * (m / 10);
  year = 100 * b + d - 4800 + m / 10;
}

int32_t ParseDateField(std::string_view s) {
  if (s.size() < 8) return 0;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (s[i] < '0' || s[i] > '9') return 0;
    v[i] = s[i] - '0';
  }
  int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  int m = v[4] * 10 + v[5], d = v[6] * 10 + v[7];
  if (y == 0 || m < 1 || m > 12 || d < 1 || d > 31) return 0;
  return JulianDay(y, m, d);
}

std::string Dtos(int32_t jd) {
  if (jd <= 0) return std::string(8, ' ');
  int y, m, d;
  CivilFromJulian(jd, y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y % 10000, m, d);
  return std::string(buf, 8);
}

Decimal ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\0')) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  Decimal v;
  int digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      if (digits < 30) {
        v.units = v.units * 10 + (c - '0');
        if (point) ++v.scale;
        if (v.units != 0) ++digits;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else if ((c == 'e' || c == 'E') && i + 1 < text.size()) {
      // Floats may be written with an exponent.
      int exp = 0;
      bool eneg = false;
      size_t j = i + 1;
      if (text[j] == '-' || text[j] == '+') eneg = text[j++] == '-';
      for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) exp = std::min(exp * 10 + (text[j] - '0'), 40);
      if (eneg) v.scale += exp;
      else {
        int drop = std::min(exp, v.scale);
        v.scale -= drop;
        exp -= drop;
        if (exp > 20) return {};
        v.units *= Pow10(exp);
      }
      break;
    } else {
      break;
    }
  }
  if (v.scale > 30) v = Rescale(v, 30);
  if (neg) v.units = -v.units;
  return v;
}

std::string FormatStr(const Decimal& value, int width, int decimals) {
  if (width < 1) width = 1;
  decimals = std::clamp(decimals, 0, std::max(0, width - 2));
  // dBASE gives up decimals before it gives up on the number.
  for (int dec = decimals; dec >= 0; --dec) {
    std::string s = PlainDecimal(Rescale(value, dec));
    if (int(s.size()) <= width) return std::string(size_t(width) - s.size(), ' ') + s;
  }
  return std::string(size_t(width), '*');
}

std::string EncodeNumericKey(const Decimal& value) {
  // dBASE IV numeric keys: byte 0 is 0x34 plus the count of digits before
  // the decimal point, byte 1 holds the sign (0x80) and the count of
  // significant digits times 4, bytes 2..11 the digits in packed BCD.
  std::string key(12, '\0');
  Decimal v = value;
  bool neg = v.units < 0;
  if (neg) v.units = -v.units;
  if (v.units == 0) {
    key[0] = char(0x34);
    key[1] = char(0x04);
    return key;
  }
  std::string d = Digits(v.units);
  int int_digits = int(d.size()) - v.scale;
  while (!d.empty() && d.back() == '0') d.pop_back();
  size_t lead = d.find_first_not_of('0');
  d = d.substr(lead);
  if (d.size() > 20) d.resize(20);
  key[0] = char(0x34 + int_digits);
  key[1] = char((neg ? 0x80 : 0) | (int(d.size()) << 2));
  for (size_t i = 0; i < d.size(); ++i) {
    uint8_t nib = uint8_t(d[i] - '0');
    key[2 + i / 2] = char(uint8_t(key[2 + i / 2]) | (i % 2 ? nib : uint8_t(nib << 4)));
  }
  return key;
}

Decimal DecodeNumericKey(std::string_view key) {
  if (key.size() < 12) return {};
  int int_digits = int(uint8_t(key[0])) - 0x34;
  int count = std::min((uint8_t(key[1]) & 0x7F) >> 2, 20);
  bool neg = uint8_t(key[1]) & 0x80;
  // Numeric fields hold at most 20 digits and 18 decimals; a key claiming
  // more before or after the point is damaged and is read as the nearest
  // such value (which also keeps every scale within 128 bits).
  int_digits = std::clamp(int_digits, -18, 20);
  Decimal v;
  for (int i = 0; i < count; ++i) {
    uint8_t b = uint8_t(key[2 + i / 2]);
    v.units = v.units * 10 + (i % 2 ? (b & 0x0F) : (b >> 4)) % 10;
  }
  if (v.units == 0) return {};
  // value = 0.digits * 10^int_digits
  int scale = count - int_digits;
  if (scale < 0) {
    v.units *= Pow10(-scale);
    scale = 0;
  }
  v.scale = scale;
  if (neg) v.units = -v.units;
  return v;
}

std::string EncodeDateKey(int32_t julian_day) {
  double d = julian_day;
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[i] = char(uint8_t(bits >> (8 * i)));
  return key;
}

double DecodeDateKey(std::string_view key) {
  if (key.size() < 8) return 0;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t(uint8_t(key[i])) << (8 * i);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

int CompareKeys(char key_type, std::string_view a, std::string_view b) {
  if (key_type == 'N') return CompareDecimal(DecodeNumericKey(a), DecodeNumericKey(b));
  if (key_type == 'D') {
    double x = DecodeDateKey(a), y = DecodeDateKey(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace quillary::dbase
