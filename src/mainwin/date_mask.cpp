// The masked text of a date editor.
#include "mainwin/date_mask.h"

namespace quillary {

namespace {
bool IsPartLetter(QChar c) { return c == 'm' || c == 'd' || c == 'y'; }
bool IsAsciiDigit(QChar c) { return c >= '0' && c <= '9'; }
}  // namespace

DateMask DateMask::FromIndex(int index, const QString& separator) {
  const QString s = separator.isEmpty() ? QString("/") : separator.left(1);
  switch (index) {
    case 1: return DateMask("dd" + s + "mm" + s + "yyyy");
    case 2: return DateMask("yyyy" + s + "mm" + s + "dd");
    case 3: return DateMask("yyyy");
    default: return DateMask("mm" + s + "dd" + s + "yyyy");
  }
}

DateMask::DateMask(const QString& format) {
  // Single-letter runs ("m/d/yy") take two positions so every value fits.
  QString f = format.toLower();
  int i = 0;
  while (i < f.size()) {
    QChar c = f[i];
    if (!IsPartLetter(c)) {
      format_ += c;
      ++i;
      continue;
    }
    int j = i;
    while (j < f.size() && f[j] == c) ++j;
    int width = j - i;
    if (c == 'y') width = width >= 3 ? 4 : 2;
    else width = 2;
    parts_.push_back({c, int(format_.size()), width});
    format_ += QString(width, c);
    i = j;
  }
  if (parts_.empty()) *this = DateMask("mm/dd/yyyy");
}

bool DateMask::IsSeparator(int pos) const {
  return pos >= 0 && pos < Length() && !IsPartLetter(format_[pos]);
}

QString DateMask::EmptyText() const {
  QString t = format_;
  for (int i = 0; i < t.size(); ++i)
    if (!IsSeparator(i)) t[i] = '_';
  return t;
}

bool DateMask::IsEmpty(const QString& text) const {
  const QString n = Normalize(text);
  for (int i = 0; i < n.size(); ++i)
    if (!IsSeparator(i) && n[i] != '_') return false;
  return true;
}

QString DateMask::Normalize(const QString& text) const {
  QString t = EmptyText();
  for (int i = 0; i < t.size() && i < text.size(); ++i)
    if (!IsSeparator(i) && IsAsciiDigit(text[i])) t[i] = text[i];
  return t;
}

DateMask::Edit DateMask::TypeDigit(const QString& text, int caret, QChar digit) const {
  QString t = Normalize(text);
  int pos = std::max(0, caret);
  if (IsSeparator(pos)) ++pos;
  if (pos >= Length() || !IsAsciiDigit(digit)) return {t, std::min(caret, Length())};
  t[pos] = digit;
  ++pos;
  if (IsSeparator(pos)) ++pos;
  return {t, pos};
}

DateMask::Edit DateMask::Backspace(const QString& text, int caret) const {
  QString t = Normalize(text);
  int pos = std::min(caret, Length()) - 1;
  if (IsSeparator(pos)) --pos;
  if (pos < 0) return {t, std::clamp(caret, 0, Length())};
  t[pos] = '_';
  return {t, pos};
}

int DateMask::Left(int caret) const {
  int c = std::clamp(caret - 1, 0, Length());
  if (IsSeparator(c)) c = std::max(0, c - 1);
  return c;
}

int DateMask::Right(int caret) const {
  int c = std::clamp(caret + 1, 0, Length());
  if (IsSeparator(c)) c = std::min(Length(), c + 1);
  return c;
}

int DateMask::Click(int pos) const {
  int c = std::clamp(pos, 0, Length());
  if (IsSeparator(c)) ++c;
  return c;
}

QString DateMask::Complete(const QString& text) const {
  QString t = Normalize(text);
  for (const Part& p : parts_) {
    int firstDigit = -1;
    for (int i = p.start; i < p.start + p.width; ++i)
      if (t[i] != '_') { firstDigit = i; break; }
    if (firstDigit < 0) continue;
    for (int i = p.start; i < firstDigit; ++i) t[i] = '0';
  }
  return t;
}

QDate DateMask::ToDate(const QString& text) const {
  const QString t = Complete(text);
  int year = 1, month = 1, day = 1;
  bool haveYear = false;
  for (const Part& p : parts_) {
    const QString digits = t.mid(p.start, p.width);
    for (QChar c : digits)
      if (!IsAsciiDigit(c)) return {};
    const int v = digits.toInt();
    if (p.kind == 'y') {
      year = v;
      // Two-digit years: 00..49 in this century, 50..99 in the last.
      if (p.width == 2) year += v < 50 ? 2000 : 1900;
      haveYear = true;
    } else if (p.kind == 'm') {
      month = v;
    } else {
      day = v;
    }
  }
  if (!haveYear || year < 1) return {};
  return QDate(year, month, day);  // invalid when the day or month is out of range
}

QString DateMask::FromDate(const QDate& date) const {
  if (!date.isValid() || date.year() < 1 || date.year() > 9999) return EmptyText();
  QString t = format_;
  for (const Part& p : parts_) {
    int v = p.kind == 'y' ? date.year() : p.kind == 'm' ? date.month() : date.day();
    if (p.kind == 'y' && p.width == 2) v %= 100;
    const QString digits = QString::number(v).rightJustified(p.width, '0').right(p.width);
    for (int i = 0; i < p.width; ++i) t[p.start + i] = digits[i];
  }
  return t;
}

}  // namespace quillary
