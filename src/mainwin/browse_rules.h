// The browsing rules of the main window that need no widget: page movement
// and the enabled states of the page and record buttons, the target of a
// record move across letters, the status, record number and percent texts,
// and how a field's value is written into a record button cell.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "tables/letter_counts.h"

namespace quillary {

using tables::IsTabLetter;
using tables::LetterCounts;

// What the page buttons see of the list page.
struct PageState {
  int64_t pageOffset = 0;
  int pageSize = 1;
  int64_t count = 0;  // records in the current range
  bool tabsActive = false;
  char currentLetter = 'A';
};

// The result of "PgUp" or "PgDn": a new offset of the same range, or a
// letter to select (and, for "PgUp", to show at its last page), or nothing.
struct PageMove {
  enum Kind { None, Offset, Letter } kind = None;
  int64_t offset = 0;
  char letter = 0;
  bool lastPage = false;
  bool operator==(const PageMove&) const = default;
};

PageMove PgUpMove(const PageState& s);
PageMove PgDnMove(const PageState& s);
// The offset "Last" goes to: the last page that starts with a record.
int64_t LastPageOffset(int64_t count, int pageSize);
// The offset of the page holding 1-based position p ("Synchronize").
int64_t PageOffsetOf(int64_t position, int pageSize);

struct PageButtons {
  bool first = false, pgUp = false, pgDn = false, last = false;
  bool operator==(const PageButtons&) const = default;
};
PageButtons PageButtonStates(const PageState& s);

// What the "Previous" and "Next" buttons see of the shown record.
struct RecordState {
  bool newRecordMode = false;
  int64_t recordNo = 0;     // CurrentRecordNo
  int64_t rangeCount = 0;   // records in the current range
  bool tabsActive = false;
  char currentLetter = 'A';
  char recordLetter = 0;    // CurrentRecordLetter
  LetterCounts letters{};
  bool readOnlyWithoutRecord = false;
};

struct RecordButtons {
  bool previous = false, next = false;
  bool operator==(const RecordButtons&) const = default;
};
RecordButtons RecordButtonStates(const RecordState& s);

// Where "Previous" or "Next" goes: a 0-based position in a letter's range
// (letter 0 without letter tabs: the current range). Nothing when there is
// no record to go to.
struct MoveTarget {
  char letter = 0;
  int64_t position = 0;
  bool operator==(const MoveTarget&) const = default;
};
std::optional<MoveTarget> PreviousTarget(const RecordState& s);
std::optional<MoveTarget> NextTarget(const RecordState& s);

// Status panel, record number label and percent label.
QString StatusText(bool newRecordMode, bool readOnlyDatabase, bool recordInUse);
QString RecordNumberText(int64_t recordNo, bool newRecordMode);
QString PercentText(int64_t recordNo, int64_t count);

// A field value as a record button cell shows it.
enum class CellKind { Text, Memo, Picture, Date, Numeric, Other };
struct CellText {
  QString text;
  bool rightAligned = false;
};
// `raw` is the field's text as the table reads it (dates "YYYYMMDD").
// `dateCode` is the date field's display format "0".."3"; `decimals` those
// of a numeric field; the separators are the locale's.
CellText FormatCell(CellKind kind, const QString& raw, int decimals, const QString& dateCode,
                    const QString& decimalSeparator = ".", const QString& thousandsSeparator = ",");

// Colour scheme elements of a letter tab: text and background.
struct TabElements {
  int text, background;
};
TabElements LetterTabElements(int32_t count, bool selected);

}  // namespace quillary
