#include "mainwin/browser.h"

#include <algorithm>

#include "shell/messages.h"
#include "shell/options.h"
#include "tables/copy_buffer.h"
#include "tables/database.h"
#include "tables/field_kinds.h"
#include "tables/table_utils.h"

namespace quillary {

namespace {

tables::CurrentDatabase& Store() { return tables::Db(); }

// A new record of the edit table gets the next number of the catalogue and
// passes the (absent) filter, as records appended through the browse table do.
void NumberNewRecord(dbase::Table& t) {
  try {
    if (t.IsEmpty(tables::kFilterMarkField)) t.SetText(tables::kFilterMarkField, std::string(1, tables::kMarkPasses));
  } catch (const dbase::EngineError&) {
    // An unmarked record still passes: the mark only matters while a
    // filter is on, and a filter marks every record again.
  }
  tables::AssignRecordNumber(t);
}

}  // namespace

Browser::Browser(std::function<bool()> saveShown, tables::LetterTabPanel* panel)
    : saveShown_(std::move(saveShown)), panel_(panel) {}

Browser::~Browser() { CloseEditTable(); }

bool Browser::TakeLetterChange() {
  const bool changed = letterChanged_;
  letterChanged_ = false;
  return changed;
}

bool Browser::LetterTabsActive() const { return Store().Index.LetterTabsActive(Store().Data); }

int64_t Browser::RangeCount() {
  dbase::Table& b = Store().Data;
  return b.IsOpen() ? int64_t(b.RecordCount()) : 0;
}

std::optional<int64_t> Browser::PositionOf(dbase::RecNo recno) {
  dbase::Table& b = Store().Data;
  if (!b.IsOpen() || recno == 0) return std::nullopt;
  try {
    b.GotoRecNo(recno);
    if (const auto p = b.Position()) return int64_t(*p);
  } catch (const dbase::EngineError&) {
    // Deleted meanwhile or unreadable: it has no place, as a record outside
    // the range has none; every caller has its fallback for that.
  }
  return std::nullopt;
}

// ================================================================ edit table

void Browser::OpenEditTable() {
  CloseEditTable();
  dbase::Table& b = Store().Data;
  if (!b.IsOpen()) return;
  edit_.SetAfterInsert(NumberNewRecord);
  if (tables::OpenTableIn(edit_, b.Directory(), b.FileName(), false) != tables::OpenResult::Opened) edit_.Close();
}

void Browser::CloseEditTable() {
  ReleaseEditRecord();
  try {
    edit_.Close();
  } catch (const dbase::EngineError&) {
    // Closing lets go of the files whatever the error; nothing was pending.
  }
}

void Browser::ReleaseEditRecord() {
  try {
    if (edit_.IsOpen() && edit_.State() != dbase::EditState::Browse) edit_.Cancel();
  } catch (const dbase::EngineError&) {
    // Cancelling writes nothing; the lock goes with the next edit or close.
  }
}

// ===================================================================== pages

PageView Browser::Page(const std::vector<ListColumn>& columns) {
  PageView v;
  dbase::Table& b = Store().Data;
  v.rows = ReadListPage(b, pageOffset_, pageSize_, columns);
  for (size_t k = 0; k < v.rows.size(); ++k)
    if (!newRecordMode_ && v.rows[k].recordNumber == recordId_) v.selected = int(k);
  selected_ = v.selected;
  const int64_t count = RangeCount();
  const bool tabs = LetterTabsActive();
  v.pageButtons = PageButtonStates({pageOffset_, pageSize_, count, tabs, currentLetter_});
  RecordState rs;
  rs.newRecordMode = newRecordMode_;
  rs.recordNo = recordNo_;
  rs.rangeCount = count;
  rs.tabsActive = tabs;
  rs.currentLetter = currentLetter_;
  rs.recordLetter = recordLetter_;
  rs.letters = Store().Letters;
  if (tabs) rs.letters[size_t(currentLetter_ - 'A')] = int32_t(count);
  rs.readOnlyWithoutRecord = Opt().IsReadOnlyDatabase() && !(edit_.IsOpen() && edit_.HasRecord());
  v.recordButtons = RecordButtonStates(rs);
  if (tabs) Store().Index.StoreLetterCount(currentLetter_, panel_);
  return v;
}

Show Browser::First() {
  if (pageOffset_ == 0) return Show::Nothing;
  pageOffset_ = 0;
  return Show::List;
}

Show Browser::PgUp() {
  const PageMove m = PgUpMove({pageOffset_, pageSize_, RangeCount(), LetterTabsActive(), currentLetter_});
  if (m.kind == PageMove::Offset) {
    pageOffset_ = m.offset;
    return Show::List;
  }
  if (m.kind == PageMove::Letter) {
    SetLetter(m.letter);
    pageOffset_ = LastPageOffset(RangeCount(), pageSize_);
    return Show::List;
  }
  return Show::Nothing;
}

Show Browser::PgDn() {
  const PageMove m = PgDnMove({pageOffset_, pageSize_, RangeCount(), LetterTabsActive(), currentLetter_});
  if (m.kind == PageMove::Offset) {
    pageOffset_ = m.offset;
    return Show::List;
  }
  if (m.kind == PageMove::Letter) return SelectLetter(m.letter);
  return Show::Nothing;
}

Show Browser::Last() {
  const int64_t d = LastPageOffset(RangeCount(), pageSize_);
  if (d == pageOffset_) return Show::Nothing;
  pageOffset_ = d;
  return Show::List;
}

void Browser::SetLetter(char letter) {
  currentLetter_ = letter;
  pageOffset_ = 0;
  letterRangeSet_ = Store().Index.SetLetterRange(Store().Data, letter);
  letterChanged_ = true;
}

Show Browser::SelectLetter(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
  if (!IsTabLetter(letter)) return Show::Nothing;
  SetLetter(letter);
  return Show::List;
}

bool Browser::StepLetter(bool forward) {
  const auto& counts = Store().Letters;
  const int step = forward ? 1 : -1;
  for (char l = char(currentLetter_ + step); IsTabLetter(l); l = char(l + step))
    if (counts[size_t(l - 'A')] > 0) {
      SelectLetter(l);
      return true;
    }
  return false;
}

// ================================================================== records

Show Browser::EnterNewRecord(int64_t count) {
  newRecordMode_ = true;
  recordInUse_ = false;
  ReleaseEditRecord();
  recordId_ = -1;
  shownLetter_ = 0;
  recordNo_ = count + 1;
  percentCount_ = count;
  return Show::NewRecord;
}

Show Browser::EnterRecord(int64_t recordNo) {
  newRecordMode_ = false;
  recordInUse_ = false;
  if (!Opt().IsReadOnlyDatabase()) {
    try {
      edit_.Edit();
    } catch (const dbase::EngineError&) {
      recordInUse_ = true;
    }
  }
  try {
    recordId_ = int64_t(edit_.AsNumber(tables::kRecordNumberField));
  } catch (const dbase::EngineError&) {
    recordId_ = 0;  // unreadable: matches no row of the list
  }
  const char letter = Store().Index.RecordLetter(edit_);
  shownLetter_ = letter;
  if (letter) recordLetter_ = letter;
  recordNo_ = recordNo;
  percentCount_ = RangeCount();
  if (LetterTabsActive() && IsTabLetter(recordLetter_) && recordLetter_ != currentLetter_)
    percentCount_ = Store().Letters[size_t(recordLetter_ - 'A')];
  return Show::Record;
}

int64_t Browser::SavedRecordPosition() {
  // Unknown: as if it came first.
  if (!edit_.IsOpen() || !edit_.HasRecord()) return 0;
  return PositionOf(edit_.CurrentRecNo()).value_or(0);
}

Show Browser::ShowRecord(int64_t i) {
  dbase::Table& b = Store().Data;
  if (!b.IsOpen()) {
    Msg().Error(browse_text::kNotOpen);
    return Show::Nothing;
  }
  const int64_t c0 = RangeCount();
  if (recordNo_ > 0 && !recordSaved_) {
    if (!saveShown_()) return Show::Nothing;
  }
  recordSaved_ = false;
  // A save that failed and was let go leaves nothing pending to be posted
  // by the next move.
  ReleaseEditRecord();
  newRecordMode_ = false;
  recordInUse_ = false;
  const int64_t c1 = RangeCount();
  // The save added the new record to the range. Position i counts the
  // records as they were listed before it, so it moves on by one only when
  // the new record sorts at or before it (not, say, at the end of the list).
  if (c1 > c0 && SavedRecordPosition() <= i) ++i;
  if (!edit_.IsOpen()) OpenEditTable();
  if (i >= 0 && i < c1 && edit_.IsOpen()) {
    tables::GotoPosition(b, uint64_t(i));
    bool reached = false;
    try {
      edit_.GotoCurrent(b);
      reached = true;
    } catch (const dbase::EngineError&) {
      // Gone meanwhile: a new record is shown instead.
    }
    if (reached) return EnterRecord(i + 1);
  }
  return EnterNewRecord(c1);
}

Show Browser::ShowAt(char letter, int64_t position) {
  dbase::Table& b = Store().Data;
  tables::TIndex& index = Store().Index;
  const bool other = LetterTabsActive() && IsTabLetter(letter) && letter != currentLetter_;
  if (other) index.SetLetterRange(b, letter);
  tables::GotoPosition(b, uint64_t(std::max<int64_t>(0, position)));
  bool shown = false;
  if (b.HasRecord() && !b.Eof()) {
    try {
      edit_.GotoCurrent(b);
      shown = true;
    } catch (const dbase::EngineError&) {
      // Gone meanwhile: a new record is shown instead.
    }
  }
  if (other) index.SetLetterRange(b, currentLetter_);
  recordSaved_ = false;
  if (!shown) return EnterNewRecord(RangeCount());
  if (IsTabLetter(letter)) recordLetter_ = letter;
  return EnterRecord(position + 1);
}

bool Browser::SaveForMove() {
  if (!saveShown_()) return false;
  recordSaved_ = true;
  ReleaseEditRecord();
  return true;
}

Show Browser::Neighbour(bool forward) {
  RecordState s;
  s.newRecordMode = newRecordMode_;
  s.recordNo = recordNo_;
  s.recordLetter = newRecordMode_ ? currentLetter_ : shownLetter_;
  if (!SaveForMove()) return Show::Nothing;
  s.rangeCount = RangeCount();
  s.tabsActive = LetterTabsActive();
  s.currentLetter = currentLetter_;
  s.letters = Store().Letters;
  if (const auto t = forward ? NextTarget(s) : PreviousTarget(s)) return ShowAt(t->letter, t->position);
  return EnterNewRecord(RangeCount());
}

Show Browser::Synchronize() {
  if (newRecordMode_) return Show::Nothing;
  if (!SaveForMove()) return Show::Nothing;
  const char letter = recordLetter_;
  if (LetterTabsActive() && IsTabLetter(letter) && letter != currentLetter_) SetLetter(letter);
  // A record no longer in the range: the last one is shown.
  const std::optional<int64_t> p =
      edit_.IsOpen() && edit_.HasRecord() ? PositionOf(edit_.CurrentRecNo()) : std::nullopt;
  const int64_t position = std::max<int64_t>(1, p ? *p + 1 : RangeCount());
  pageOffset_ = PageOffsetOf(position, pageSize_);
  return ShowRecord(position - 1);
}

std::optional<dbase::RecNo> Browser::BrowseRecord() const {
  const dbase::Table& b = Store().Data;
  if (!b.IsOpen() || !b.HasRecord()) return std::nullopt;
  return b.CurrentRecNo();
}

Show Browser::ShowFound(dbase::RecNo recno) {
  const int64_t p = PositionOf(recno).value_or(RangeCount());
  pageOffset_ = PageOffsetOf(p + 1, pageSize_);
  return ShowRecord(p);
}

Show Browser::AfterSave() {
  recordSaved_ = true;
  if (!newRecordMode_) return Show::Nothing;
  // The saved new record is shown where it sorts; one let go leaves the
  // range as it was, and a new record is shown again.
  const int64_t i = RangeCount() > percentCount_ ? SavedRecordPosition() : recordNo_ - 1;
  return ShowRecord(i);
}

Show Browser::Reload() {
  OpenEditTable();
  newRecordMode_ = false;
  recordInUse_ = false;
  recordNo_ = 0;
  return ShowRecord(0);
}

Show Browser::AfterDataChange() {
  Store().Index.CountLetters();
  return SelectLetter('A');
}

Show Browser::FirstShow() {
  OpenEditTable();
  recordNo_ = 0;
  return ShowRecord(0);
}

Show Browser::ShowAgain() {
  // The record is shown again where it was; one shown from another letter
  // gives way to the first record of the list.
  const bool otherLetter = LetterTabsActive() && recordLetter_ != currentLetter_;
  const int64_t again = otherLetter ? 0 : std::max<int64_t>(0, recordNo_ - 1);
  OpenEditTable();
  recordSaved_ = true;
  return ShowRecord(again);
}

// =========================================================== record commands

bool Browser::IsShownAt(int64_t position) const {
  return !newRecordMode_ && selected_ >= 0 && position == pageOffset_ + selected_;
}

bool Browser::PastesIntoForm(int64_t position) {
  return IsShownAt(position) || (newRecordMode_ && position >= RangeCount());
}

bool Browser::ConfirmDelete() {
  if (Opt().RecordDeleteMode == 1) return true;
  if (Msg().TypedConfirmation(browse_text::kConfirmCaption, browse_text::kConfirmPrompt)) return true;
  Msg().Information(browse_text::kNotDeleted);
  return false;
}

Show Browser::DeleteShown() {
  if (newRecordMode_) return Show::Nothing;  // nothing stored to delete
  if (!edit_.IsOpen() || !edit_.HasRecord()) return Show::Nothing;
  const char letter = Store().Index.RecordLetter(edit_);
  try {
    ReleaseEditRecord();
    edit_.Delete();
    edit_.Flush();
  } catch (const dbase::EngineError&) {
    Msg().Error(browse_text::kInUseNotDeleted);
    if (!Opt().IsReadOnlyDatabase()) {
      try {
        edit_.Edit();
      } catch (const dbase::EngineError&) {
        recordInUse_ = true;
      }
    }
    return Show::Nothing;
  }
  Store().Index.AdjustLetterCounts(letter, 0, panel_);
  const int64_t n = recordNo_;
  recordNo_ = 0;  // nothing left to save
  return ShowRecord(std::max<int64_t>(0, n - 1));
}

Show Browser::DeleteAt(int64_t position) {
  dbase::Table& b = Store().Data;
  tables::GotoPosition(b, uint64_t(position));
  const char letter = Store().Index.RecordLetter(b);
  try {
    b.Delete();
    b.Flush();
  } catch (const dbase::EngineError&) {
    try {
      if (b.State() != dbase::EditState::Browse) b.Cancel();
    } catch (const dbase::EngineError&) {
      // Cancelling writes nothing; the message below is what counts.
    }
    Msg().Error(browse_text::kInUseNotDeleted);
    return Show::Nothing;
  }
  Store().Index.AdjustLetterCounts(letter, 0, panel_);
  if (!newRecordMode_ && position < recordNo_ - 1 && recordLetter_ == letter) --recordNo_;
  if (!newRecordMode_ && !LetterTabsActive() && position < recordNo_ - 1) --recordNo_;
  percentCount_ = RangeCount();
  return Show::Labels;
}

bool Browser::CopyAt(int64_t position) {
  if (!HasRecordAt(position)) {
    Msg().Warning(tables::text::kEmptyNotCopied);
    return false;
  }
  tables::CopyToBuffer(uint64_t(position));
  return Store().CopyBufferFilled;
}

Show Browser::PasteAt(int64_t position) {
  if (!tables::PasteFromBuffer(uint64_t(position), panel_)) {
    Msg().Error(browse_text::kInUseNotPasted);
    return Show::List;
  }
  // The shown record may have moved in the range.
  if (!newRecordMode_ && recordId_ >= 0 && edit_.IsOpen() && edit_.HasRecord())
    if (const auto p = PositionOf(edit_.CurrentRecNo())) recordNo_ = *p + 1;
  return Show::List;
}

dbase::Table* Browser::RecordAt(int64_t position) {
  dbase::Table& b = Store().Data;
  if (!b.IsOpen()) return nullptr;
  tables::GotoPosition(b, uint64_t(std::max<int64_t>(0, position)));
  return b.HasRecord() && !b.Eof() ? &b : nullptr;
}

dbase::Table* Browser::CopyBufferRecord(bool create) {
  dbase::Table& c = Store().CopyBuffer;
  if (!c.IsOpen()) return nullptr;
  tables::GotoPosition(c, 0);
  if (c.HasRecord() && !c.Eof()) return &c;
  if (!create) return nullptr;
  c.Append();
  return &c;
}

}  // namespace quillary
