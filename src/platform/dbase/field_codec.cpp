#include "platform/dbase/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/dbase/bytes.h"
#include "platform/dbase/errors.h"

namespace quillary::dbase {

std::string_view TrimBlanks(std::string_view s, bool both) {
  // Wide text fields are mostly padding: drop it 32, then 8 bytes at a time.
  constexpr uint64_t kBlanks = 0x2020202020202020ull;
  auto word = [&](size_t from_end) {
    uint64_t w;
    std::memcpy(&w, s.data() + s.size() - from_end, 8);
    return w;
  };
  while (s.size() >= 32 && ((word(32) ^ kBlanks) | (word(24) ^ kBlanks) | (word(16) ^ kBlanks) | (word(8) ^ kBlanks)) == 0)
    s.remove_suffix(32);
  while (s.size() >= 8 && word(8) == kBlanks) s.remove_suffix(8);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  if (both)
    while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  return s;
}

bool IsBlank(std::string_view s) { return TrimBlanks(s).empty(); }

std::optional<double> ParseNumber(std::string_view stored) {
  std::string_view t = TrimBlanks(stored, true);
  if (t.empty()) return std::nullopt;
  if (t.front() == '+') t.remove_prefix(1);
  std::string buf(t);
  for (auto& c : buf)
    if (c == ',') c = '.';  // some writers use a decimal comma
  double v = 0;
  auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
  if (ec != std::errc() || ptr != buf.data() + buf.size() || !std::isfinite(v))
    throw ValueError("unreadable number \"" + std::string(t) + "\"");
  return v;
}

std::string FormatNumber(double value, int width, int decimals) {
  if (!std::isfinite(value)) throw ValueError("not a finite number");
  char buf[64];
  // to_chars in fixed notation writes what printf's %.*f writes, without
  // the cost of the format machinery; right-aligned here. Anything it
  // cannot write into the buffer is too wide for any field anyway.
  int n = -1;
  if (width > 0 && width < int(sizeof buf) && decimals >= 0 && decimals < int(sizeof buf)) {
    char digits[64];
    // Whole numbers without decimals (record numbers, counters) as integers.
    const bool whole = decimals == 0 && std::fabs(value) < 1e15 && value == std::trunc(value) &&
                       !(value == 0 && std::signbit(value));
    auto [end, ec] = whole ? std::to_chars(digits, digits + sizeof digits, int64_t(value))
                           : std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (ec == std::errc()) {
      int len = int(end - digits);
      n = std::max(len, width);
      if (n < int(sizeof buf)) {
        std::memset(buf, ' ', size_t(n - len));
        std::memcpy(buf + (n - len), digits, size_t(len));
        buf[n] = '\0';
      } else {
        n = -1;
      }
    }
  }
  if (n < 0) n = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
  if (n < 0 || n > width) {
    throw ValueError("the number " + std::string(buf) + " does not fit a field of width " + std::to_string(width));
  }
  std::string s(buf, size_t(n));
  // A negative value that rounds to zero would read back as "-0".
  if (s.find_first_of("123456789") == std::string::npos) {
    auto minus = s.find('-');
    if (minus != std::string::npos) s[minus] = ' ';
  }
  return s;
}

std::optional<std::chrono::year_month_day> ParseDate(std::string_view stored) {
  if (IsBlank(stored)) return std::nullopt;
  if (stored.size() != 8) throw ValueError("unreadable date");
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (stored[size_t(i)] < '0' || stored[size_t(i)] > '9') {
      // An all-zero or partly blank date counts as empty, as peers write.
      if (TrimBlanks(stored, true).find_first_not_of("0") == std::string_view::npos) return std::nullopt;
      throw ValueError("unreadable date \"" + std::string(stored) + "\"");
    }
    v[i] = stored[size_t(i)] - '0';
  }
  int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  unsigned m = unsigned(v[4] * 10 + v[5]), d = unsigned(v[6] * 10 + v[7]);
  if (y == 0 && m == 0 && d == 0) return std::nullopt;
  std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)};
  if (!ymd.ok()) throw ValueError("impossible date \"" + std::string(stored) + "\"");
  return ymd;
}

std::string FormatDate(const std::chrono::year_month_day& d) {
  const int y = int(d.year());
  const unsigned m = unsigned(d.month()), day = unsigned(d.day());
  if (y < 0 || y > 9999 || m > 99 || day > 99) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", y, m, day);
    return std::string(buf, 8);
  }
  const char buf[8] = {char('0' + y / 1000),   char('0' + y / 100 % 10), char('0' + y / 10 % 10),
                       char('0' + y % 10),     char('0' + m / 10),       char('0' + m % 10),
                       char('0' + day / 10),   char('0' + day % 10)};
  return std::string(buf, 8);
}

std::chrono::year_month_day ParseDateText(std::string_view text) {
  char buf[8];
  std::string_view digits;
  std::string_view t = TrimBlanks(text, true);
  if (t.size() == 10 && (t[4] == '-' || t[4] == '/') && t[7] == t[4]) {
    std::memcpy(buf, t.data(), 4);
    std::memcpy(buf + 4, t.data() + 5, 2);
    std::memcpy(buf + 6, t.data() + 8, 2);
    digits = std::string_view(buf, 8);
  } else {
    digits = t;
  }
  auto d = digits.size() == 8 ? ParseDate(digits) : std::nullopt;
  if (!d) throw ValueError("not a date: \"" + std::string(text) + "\"");
  return *d;
}

uint32_t ParseMemoRef(std::string_view stored) {
  if (stored.size() == 4) return GetU32(reinterpret_cast<const uint8_t*>(stored.data()));
  std::string_view t = TrimBlanks(stored, true);
  if (t.empty()) return 0;
  uint64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') throw ValueError("damaged memo reference \"" + std::string(t) + "\"");
    v = v * 10 + uint64_t(c - '0');
    if (v > UINT32_MAX) throw ValueError("damaged memo reference \"" + std::string(t) + "\"");
  }
  return uint32_t(v);
}

std::string FormatMemoRef(uint32_t block, int width) {
  if (width == 4) {
    std::string s(4, '\0');
    PutU32(reinterpret_cast<uint8_t*>(s.data()), block);
    return s;
  }
  if (block == 0) return std::string(size_t(std::max(width, 0)), ' ');
  // Right-aligned decimal digits (all of them when wider than the field).
  char digits[16];
  int len = 0;
  for (uint32_t v = block; v != 0; v /= 10) digits[len++] = char('0' + v % 10);
  std::string s(size_t(std::max(width, len)), ' ');
  for (int i = 0; i < len; ++i) s[s.size() - 1 - size_t(i)] = digits[i];
  return s;
}

std::optional<bool> ParseLogical(char c) {
  switch (c) {
    case 'T': case 't': case 'Y': case 'y': return true;
    case 'F': case 'f': case 'N': case 'n': return false;
    default: return std::nullopt;
  }
}

}  // namespace quillary::dbase
