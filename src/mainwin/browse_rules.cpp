#include "mainwin/browse_rules.h"

#include <cmath>

#include "mainwin/editor_rules.h"
#include "tables/copy_buffer.h"

namespace quillary {

namespace {

int Index(char letter) { return letter - 'A'; }

bool AnyBefore(const LetterCounts& counts, char letter) {
  for (char l = 'A'; l < letter; ++l)
    if (counts[size_t(Index(l))] > 0) return true;
  return false;
}

bool AnyAfter(const LetterCounts& counts, char letter) {
  for (char l = char(letter + 1); l <= 'Z'; ++l)
    if (counts[size_t(Index(l))] > 0) return true;
  return false;
}

int32_t CountOf(const LetterCounts& counts, char letter) {
  return IsTabLetter(letter) ? counts[size_t(Index(letter))] : 0;
}

}  // namespace

PageMove PgUpMove(const PageState& s) {
  if (s.pageOffset > 0) return {PageMove::Offset, std::max<int64_t>(0, s.pageOffset - s.pageSize), 0, false};
  if (s.tabsActive && IsTabLetter(s.currentLetter) && s.currentLetter > 'A')
    return {PageMove::Letter, 0, char(s.currentLetter - 1), true};
  return {};
}

PageMove PgDnMove(const PageState& s) {
  // One page past the records can be reached when they fill the pages
  // exactly: its buttons start a new record.
  if (s.count >= s.pageOffset + s.pageSize) return {PageMove::Offset, s.pageOffset + s.pageSize, 0, false};
  if (s.tabsActive && IsTabLetter(s.currentLetter) && s.currentLetter < 'Z')
    return {PageMove::Letter, 0, char(s.currentLetter + 1), false};
  return {};
}

int64_t LastPageOffset(int64_t count, int pageSize) {
  const int64_t size = std::max(1, pageSize);
  const int64_t d = size * (count / size);
  return (d > 0 && d == count) ? d - size : d;
}

int64_t PageOffsetOf(int64_t position, int pageSize) {
  const int64_t size = std::max(1, pageSize);
  return position < 1 ? 0 : size * ((position - 1) / size);
}

PageButtons PageButtonStates(const PageState& s) {
  PageButtons b;
  const bool lettersBefore = s.tabsActive && s.currentLetter != 'A';
  const bool lettersAfter = s.tabsActive && s.currentLetter != 'Z';
  b.first = s.pageOffset != 0;
  b.last = s.pageOffset + s.pageSize < s.count;
  b.pgUp = s.pageOffset > 0 || lettersBefore;
  b.pgDn = s.count >= s.pageOffset + s.pageSize || lettersAfter;
  return b;
}

RecordButtons RecordButtonStates(const RecordState& s) {
  if (s.readOnlyWithoutRecord) return {};
  RecordButtons b;
  const bool isFirst = !s.newRecordMode && s.recordNo == 1 &&
                       (!s.tabsActive || s.recordLetter == 'A' || !IsTabLetter(s.recordLetter) ||
                        !AnyBefore(s.letters, s.recordLetter));
  const int64_t lastNo = s.tabsActive ? CountOf(s.letters, s.recordLetter) : s.rangeCount;
  const bool isLast = !s.newRecordMode && s.recordNo == lastNo &&
                      (!s.tabsActive || s.recordLetter == 'Z' || !IsTabLetter(s.recordLetter) ||
                       !AnyAfter(s.letters, s.recordLetter));
  b.previous = !isFirst;
  b.next = !isLast;
  return b;
}

std::optional<MoveTarget> PreviousTarget(const RecordState& s) {
  const int64_t n = s.recordNo;
  if (!s.tabsActive) {
    if (s.rangeCount <= 0) return std::nullopt;
    return MoveTarget{0, std::clamp<int64_t>(n - 2, 0, s.rangeCount - 1)};
  }
  const char from = s.newRecordMode || !IsTabLetter(s.recordLetter) ? s.currentLetter : s.recordLetter;
  if (!IsTabLetter(from)) return std::nullopt;
  const int64_t target = n - 2;
  if (target >= 0 && CountOf(s.letters, from) > 0)
    return MoveTarget{from, std::min<int64_t>(target, CountOf(s.letters, from) - 1)};
  for (char l = char(from - 1); l >= 'A'; --l)
    if (CountOf(s.letters, l) > 0) return MoveTarget{l, CountOf(s.letters, l) - 1};
  for (char l = 'A'; l <= 'Z'; ++l)
    if (CountOf(s.letters, l) > 0) return MoveTarget{l, CountOf(s.letters, l) - 1};
  return std::nullopt;
}

std::optional<MoveTarget> NextTarget(const RecordState& s) {
  const int64_t n = s.recordNo;
  if (!s.tabsActive) {
    if (s.rangeCount <= 0) return std::nullopt;
    return MoveTarget{0, std::clamp<int64_t>(n, 0, s.rangeCount - 1)};
  }
  const char from = s.newRecordMode || !IsTabLetter(s.recordLetter) ? s.currentLetter : s.recordLetter;
  if (!IsTabLetter(from)) return std::nullopt;
  // A new record stands after every record of its letter: the next one is
  // in a later letter.
  if (!s.newRecordMode && n < CountOf(s.letters, from)) return MoveTarget{from, std::max<int64_t>(0, n)};
  for (char l = char(from + 1); l <= 'Z'; ++l)
    if (CountOf(s.letters, l) > 0) return MoveTarget{l, 0};
  for (char l = 'Z'; l >= 'A'; --l)
    if (CountOf(s.letters, l) > 0) return MoveTarget{l, 0};
  return std::nullopt;
}

QString StatusText(bool newRecordMode, bool readOnlyDatabase, bool recordInUse) {
  if (newRecordMode) return "New Record";
  if (readOnlyDatabase) return "Read Only Access";
  if (recordInUse) return "Read Only Access - Record In Use";
  return "Read/Write Access";
}

QString RecordNumberText(int64_t recordNo, bool newRecordMode) {
  if (newRecordMode) return {};
  return QString::number(recordNo).left(6);
}

QString PercentText(int64_t recordNo, int64_t count) {
  if (count <= 0) return "100%";
  // Halves go to the even neighbour.
  const double exact = double(recordNo) / double(count) * 100.0;
  const int64_t p = std::min<int64_t>(100, int64_t(std::nearbyint(exact)));
  return QString::number(p) + "%";
}

CellText FormatCell(CellKind kind, const QString& raw, int decimals, const QString& dateCode,
                    const QString& decimalSeparator, const QString& thousandsSeparator) {
  switch (kind) {
    case CellKind::Memo:
    case CellKind::Picture:
      return {};
    case CellKind::Date: {
      if (raw.size() != 8) return {};
      bool okY = false, okM = false, okD = false;
      const int y = raw.left(4).toInt(&okY), m = raw.mid(4, 2).toInt(&okM), d = raw.mid(6, 2).toInt(&okD);
      if (!okY || !okM || !okD) return {};
      const dbase::Date date{std::chrono::year(y), std::chrono::month(unsigned(m)), std::chrono::day(unsigned(d))};
      return {tables::FormatDateByCode(date, dateCode), false};
    }
    case CellKind::Numeric: {
      bool ok = false;
      const double v = raw.trimmed().isEmpty() ? 0.0 : raw.trimmed().toDouble(&ok);
      QString text;
      if (decimals > 0) {
        text = FormatNumber(ok ? v : 0.0, decimalSeparator, thousandsSeparator);
      } else {
        // Whole numbers: thousands separators, no decimals.
        text = FormatNumber(ok ? v : 0.0, decimalSeparator, thousandsSeparator);
        const int cut = text.lastIndexOf(decimalSeparator);
        if (cut >= 0) text = text.left(cut);
      }
      return {text, true};
    }
    default:
      return {raw, false};
  }
}

TabElements LetterTabElements(int32_t count, bool selected) {
  if (selected) return {8, 9};
  return count > 0 ? TabElements{4, 5} : TabElements{6, 7};
}

}  // namespace quillary
