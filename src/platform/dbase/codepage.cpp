#include "platform/dbase/codepage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstring>
#include <unordered_map>

#include "platform/dbase/errors.h"

namespace quillary::dbase {

namespace {

#include "platform/dbase/codepage_tables.inc"

struct PageInfo {
  CodePage cp;
  const uint16_t* high;  // upper half, bytes 0x80..0xFF; nullptr for UTF-8
  int number;            // Windows/IBM number as used in .cpg files
  const char* name;
  uint8_t driver;        // language-driver byte written for it, 0 if none
};

constexpr PageInfo kPages[] = {
    {CodePage::Utf8, nullptr, 65001, "UTF-8", 0x00},
    {CodePage::Cp437, kCp437, 437, "cp437", 0x01},
    {CodePage::Cp737, kCp737, 737, "cp737", 0x6A},
    {CodePage::Cp850, kCp850, 850, "cp850", 0x02},
    {CodePage::Cp852, kCp852, 852, "cp852", 0x64},
    {CodePage::Cp857, kCp857, 857, "cp857", 0x6B},
    {CodePage::Cp860, kCp860, 860, "cp860", 0x24},
    {CodePage::Cp861, kCp861, 861, "cp861", 0x67},
    {CodePage::Cp863, kCp863, 863, "cp863", 0x1C},
    {CodePage::Cp865, kCp865, 865, "cp865", 0x66},
    {CodePage::Cp866, kCp866, 866, "cp866", 0x65},
    {CodePage::Cp874, kCp874, 874, "cp874", 0x7C},
    {CodePage::Windows1250, kWindows1250, 1250, "Windows-1250", 0xC8},
    {CodePage::Windows1251, kWindows1251, 1251, "Windows-1251", 0xC9},
    {CodePage::Windows1252, kWindows1252, 1252, "Windows-1252", 0x03},
    {CodePage::Windows1253, kWindows1253, 1253, "Windows-1253", 0xCB},
    {CodePage::Windows1254, kWindows1254, 1254, "Windows-1254", 0xCA},
    {CodePage::Windows1255, kWindows1255, 1255, "Windows-1255", 0x7D},
    {CodePage::Windows1256, kWindows1256, 1256, "Windows-1256", 0x7E},
    {CodePage::Windows1257, kWindows1257, 1257, "Windows-1257", 0xCC},
    {CodePage::MacRoman, kMacRoman, 10000, "MacRoman", 0x04},
};

const PageInfo& Info(CodePage cp) {
  for (const auto& p : kPages)
    if (p.cp == cp) return p;
  return kPages[0];
}

// Reverse maps of the single-byte pages, built once on first use.
const std::unordered_map<char32_t, uint8_t>& Reverse(CodePage cp) {
  static const auto maps = [] {
    std::array<std::unordered_map<char32_t, uint8_t>, std::size(kPages)> m;
    for (size_t i = 0; i < std::size(kPages); ++i) {
      if (!kPages[i].high) continue;
      for (int b = 0x7F; b >= 0; --b) m[i][char32_t(b)] = uint8_t(b);
      // Iterate downwards so that a code point that two bytes share maps to
      // the lower byte.
      for (int b = 127; b >= 0; --b) m[i][kPages[i].high[b]] = uint8_t(0x80 + b);
    }
    return m;
  }();
  for (size_t i = 0; i < std::size(kPages); ++i)
    if (kPages[i].cp == cp) return maps[i];
  return maps[0];
}

char32_t ByteToCode(const PageInfo& info, uint8_t b) {
  return b < 0x80 ? char32_t(b) : char32_t(info.high[b - 0x80]);
}

std::string Trim(std::string_view s) {
  size_t a = 0, e = s.size();
  while (a < e && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (e > a && (std::isspace(static_cast<unsigned char>(s[e - 1])) || s[e - 1] == '\0')) --e;
  std::string out(s.substr(a, e - a));
  for (auto& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::optional<CodePage> CodePageFromLanguageDriver(uint8_t d) {
  switch (d) {
    case 0x01: case 0x09: case 0x0B: case 0x0D: case 0x0F: case 0x11: case 0x15:
    case 0x18: case 0x19: case 0x1B:
      return CodePage::Cp437;
    case 0x02: case 0x0A: case 0x0E: case 0x10: case 0x12: case 0x14: case 0x16:
    case 0x1A: case 0x1D: case 0x25: case 0x37:
      return CodePage::Cp850;
    case 0x03: case 0x57: case 0x58: case 0x59:
      return CodePage::Windows1252;
    case 0x04: return CodePage::MacRoman;
    case 0x08: case 0x17: case 0x66: return CodePage::Cp865;
    case 0x1C: return CodePage::Cp863;
    case 0x1F: case 0x22: case 0x23: case 0x40: case 0x64: case 0x87: return CodePage::Cp852;
    case 0x24: return CodePage::Cp860;
    case 0x26: case 0x65: return CodePage::Cp866;
    case 0x50: case 0x7C: return CodePage::Cp874;
    case 0x67: return CodePage::Cp861;
    case 0x6A: case 0x86: return CodePage::Cp737;
    case 0x6B: case 0x88: return CodePage::Cp857;
    case 0x7D: return CodePage::Windows1255;
    case 0x7E: return CodePage::Windows1256;
    case 0xC8: return CodePage::Windows1250;
    case 0xC9: return CodePage::Windows1251;
    case 0xCA: return CodePage::Windows1254;
    case 0xCB: return CodePage::Windows1253;
    case 0xCC: return CodePage::Windows1257;
    default: return std::nullopt;
  }
}

uint8_t LanguageDriverFor(CodePage cp) { return Info(cp).driver; }

std::optional<CodePage> CodePageFromCpgText(std::string_view text) {
  std::string t = Trim(text);
  if (t == "UTF-8" || t == "UTF8" || t == "65001") return CodePage::Utf8;
  // Strip the prefixes writers put in front of the number.
  for (const char* prefix : {"ANSI ", "OEM ", "WINDOWS-", "WINDOWS", "CP-", "CP", "IBM", "DOS"}) {
    std::string p(prefix);
    if (t.rfind(p, 0) == 0) {
      t = t.substr(p.size());
      break;
    }
  }
  if (t == "MACROMAN" || t == "MAC" || t == "10000") return CodePage::MacRoman;
  if (t == "ISO-8859-1" || t == "ISO8859-1" || t == "LATIN1" || t == "88591") return CodePage::Windows1252;
  if (t.empty() || t.size() > 6 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int n = std::stoi(t);
  for (const auto& p : kPages)
    if (p.number == n) return p.cp;
  return std::nullopt;
}

std::string CpgTextFor(CodePage cp) {
  const PageInfo& i = Info(cp);
  return i.cp == CodePage::Utf8 ? std::string("UTF-8") : std::to_string(i.number);
}

std::string CodePageName(CodePage cp) { return Info(cp).name; }

bool IsSingleByte(CodePage cp) { return cp != CodePage::Utf8; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

namespace {
// Length of a well-formed UTF-8 sequence at s[pos], or 0 when malformed.
inline size_t Utf8SeqLength(std::string_view s, size_t pos) {
  const auto b0 = uint8_t(s[pos]);
  size_t n;
  char32_t min;
  if (b0 < 0x80) return 1;
  if ((b0 & 0xE0) == 0xC0) { n = 2; min = 0x80; }
  else if ((b0 & 0xF0) == 0xE0) { n = 3; min = 0x800; }
  else if ((b0 & 0xF8) == 0xF0) { n = 4; min = 0x10000; }
  else return 0;
  if (pos + n > s.size()) return 0;
  char32_t c = b0 & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) {
    const auto b = uint8_t(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
  return n;
}

// Position past the ASCII bytes from pos on, eight at a time (text is
// mostly ASCII).
inline size_t SkipAscii(std::string_view s, size_t pos) {
  const size_t size = s.size();
  while (pos + 8 <= size) {
    uint64_t w;
    std::memcpy(&w, s.data() + pos, 8);
    if (uint64_t high = w & 0x8080808080808080ull) {
      if constexpr (std::endian::native == std::endian::little) return pos + size_t(std::countr_zero(high)) / 8;
      break;
    }
    pos += 8;
  }
  while (pos < size && uint8_t(s[pos]) < 0x80) ++pos;
  return pos;
}

// Length of the well-formed prefix of s.
size_t ValidUtf8Prefix(std::string_view s) {
  size_t pos = 0;
  for (;;) {
    pos = SkipAscii(s, pos);
    if (pos >= s.size()) return pos;
    // Two-byte sequences (accented Latin letters) checked directly: lead
    // byte C2..DF, then one continuation byte.
    const auto b0 = uint8_t(s[pos]);
    if (b0 >= 0xC2 && b0 <= 0xDF && pos + 1 < s.size() && (uint8_t(s[pos + 1]) & 0xC0) == 0x80) {
      pos += 2;
      continue;
    }
    size_t n = Utf8SeqLength(s, pos);
    if (n == 0) return pos;
    pos += n;
  }
}
}  // namespace

bool IsValidUtf8(std::string_view bytes) { return ValidUtf8Prefix(bytes) == bytes.size(); }

char32_t DecodeUtf8(std::string_view s, size_t& pos) {
  size_t n = Utf8SeqLength(s, pos);
  if (n == 0) {
    ++pos;
    return 0xFFFD;
  }
  const auto b0 = uint8_t(s[pos]);
  char32_t c = n == 1 ? b0 : char32_t(b0 & (0x7F >> n));
  for (size_t i = 1; i < n; ++i) c = (c << 6) | (uint8_t(s[pos + i]) & 0x3F);
  pos += n;
  return c;
}

std::string ToUtf8(CodePage cp, std::string_view bytes) {
  std::string out;
  if (cp == CodePage::Utf8) {
    // Well-formed text (the rule in tables written here) is copied whole.
    size_t pos = ValidUtf8Prefix(bytes);
    if (pos == bytes.size()) return std::string(bytes);
    out.reserve(bytes.size() + 8);
    out.append(bytes.substr(0, pos));
    while (pos < bytes.size()) {
      size_t n = Utf8SeqLength(bytes, pos);
      if (n == 0) {
        AppendUtf8(out, 0xFFFD);
        ++pos;
      } else {
        out.append(bytes.substr(pos, n));
        pos += n;
      }
    }
    return out;
  }
  const PageInfo& info = Info(cp);
  size_t ascii = SkipAscii(bytes, 0);
  if (ascii == bytes.size()) return std::string(bytes);
  out.reserve(bytes.size() + bytes.size() / 4);
  out.append(bytes.substr(0, ascii));
  for (char ch : bytes.substr(ascii)) AppendUtf8(out, ByteToCode(info, uint8_t(ch)));
  return out;
}

std::string FromUtf8(CodePage cp, std::string_view utf8) {
  if (cp == CodePage::Utf8) {
    if (!IsValidUtf8(utf8)) throw ValueError("text is not valid UTF-8");
    return std::string(utf8);
  }
  size_t pos = SkipAscii(utf8, 0);
  if (pos == utf8.size()) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  out.append(utf8.substr(0, pos));
  const auto& rev = Reverse(cp);
  while (pos < utf8.size()) {
    if (Utf8SeqLength(utf8, pos) == 0) throw ValueError("text is not valid UTF-8");
    char32_t c = DecodeUtf8(utf8, pos);
    auto it = rev.find(c);
    if (it == rev.end()) {
      std::string ch;
      AppendUtf8(ch, c);
      throw ValueError("the character \"" + ch + "\" cannot be stored in code page " + CodePageName(cp));
    }
    out += char(it->second);
  }
  return out;
}

char32_t UpperCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c > 0xFFFF) return c;
  const auto* begin = std::begin(kUpperPairs);
  const auto* end = std::end(kUpperPairs);
  const auto* it = std::lower_bound(begin, end, c, [](const uint16_t(&p)[2], char32_t v) { return p[0] < v; });
  if (it != end && (*it)[0] == c) return (*it)[1];
  return c;
}

namespace {
// Upper-cases an ASCII run in place, eight bytes at a time: in a word of
// bytes below 0x80, adding 0x1F sets the high bit of the bytes from 'a' on
// and adding 0x05 that of the bytes past 'z' (no carry crosses a byte);
// the lower-case letters lose their 0x20 bit.
void UpperAscii(char* d, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, d + i, 8);
    const uint64_t from_a = w + 0x1F1F1F1F1F1F1F1Full;
    const uint64_t past_z = w + 0x0505050505050505ull;
    w ^= ((from_a & ~past_z) & 0x8080808080808080ull) >> 2;
    std::memcpy(d + i, &w, 8);
  }
  for (; i < n; ++i)
    if (d[i] >= 'a' && d[i] <= 'z') d[i] = char(d[i] - 32);
}

void AppendUpperAscii(std::string& out, const char* p, size_t n) {
  const size_t at = out.size();
  out.append(p, n);
  UpperAscii(out.data() + at, n);
}
}  // namespace

void UpperUtf8InPlace(std::string& text) {
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    const size_t run = SkipAscii(text, pos);
    UpperAscii(text.data() + pos, run - pos);
    pos = run;
    if (pos >= size) return;
    const size_t n = Utf8SeqLength(text, pos);
    if (n == 0) {  // stray bytes stay as they are
      ++pos;
      continue;
    }
    size_t next = pos;
    std::string up;
    AppendUtf8(up, UpperCodePoint(DecodeUtf8(text, next)));
    if (up.size() != n) {
      // The capital is longer or shorter: the rest is rebuilt.
      std::string rest = UpperBytes(CodePage::Utf8, std::string_view(text).substr(pos));
      text.resize(pos);
      text += rest;
      return;
    }
    std::memcpy(text.data() + pos, up.data(), n);
    pos = next;
  }
}

std::string UpperBytes(CodePage cp, std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  if (cp == CodePage::Utf8) {
    const size_t size = bytes.size();
    size_t pos = 0;
    while (pos < size) {
      // Runs of ASCII (most of any text) are copied and upper-cased in place.
      size_t run = SkipAscii(bytes, pos);
      if (run > pos) {
        AppendUpperAscii(out, bytes.data() + pos, run - pos);
        pos = run;
        if (pos >= size) break;
      }
      size_t n = Utf8SeqLength(bytes, pos);
      if (n == 0) {  // keep stray bytes as they are
        out += bytes[pos++];
        continue;
      }
      char32_t c = DecodeUtf8(bytes, pos);
      AppendUtf8(out, UpperCodePoint(c));
    }
    return out;
  }
  const PageInfo& info = Info(cp);
  const auto& rev = Reverse(cp);
  const size_t ascii = SkipAscii(bytes, 0);
  AppendUpperAscii(out, bytes.data(), ascii);
  for (char ch : bytes.substr(ascii)) {
    auto b = uint8_t(ch);
    if (b < 0x80) {
      out += (b >= 'a' && b <= 'z') ? char(b - 32) : ch;
      continue;
    }
    char32_t up = UpperCodePoint(ByteToCode(info, b));
    auto it = rev.find(up);
    out += it == rev.end() ? ch : char(it->second);
  }
  return out;
}

size_t CharLength(CodePage cp, std::string_view bytes, size_t pos) {
  if (pos >= bytes.size()) return 0;
  if (cp != CodePage::Utf8) return 1;
  size_t n = Utf8SeqLength(bytes, pos);
  return n == 0 ? 1 : n;
}

size_t CutOnBoundary(CodePage cp, std::string_view bytes, size_t max_bytes) {
  if (bytes.size() <= max_bytes) return bytes.size();
  if (cp != CodePage::Utf8) return max_bytes;
  size_t n = max_bytes;
  // Step back over continuation bytes to the start of the cut character.
  while (n > 0 && (uint8_t(bytes[n]) & 0xC0) == 0x80) --n;
  return n;
}

size_t CharCount(CodePage cp, std::string_view bytes) {
  if (cp != CodePage::Utf8) return bytes.size();
  size_t count = 0;
  for (size_t pos = 0; pos < bytes.size(); pos += CharLength(cp, bytes, pos)) ++count;
  return count;
}

size_t ByteOffsetOfChar(CodePage cp, std::string_view bytes, size_t index) {
  if (cp != CodePage::Utf8) return std::min(index, bytes.size());
  size_t pos = 0;
  while (index > 0 && pos < bytes.size()) {
    pos += CharLength(cp, bytes, pos);
    --index;
  }
  return pos;
}

}  // namespace quillary::dbase
