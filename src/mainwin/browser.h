// Browsing the open database: the current letter, the list page, the shown
// record and new-record mode, with every move between them, over the record
// store's browse table and an edit table of its own through which the record
// form loads and saves. Each command says what the window shows next.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "mainwin/browse_rules.h"
#include "mainwin/list_page.h"
#include "platform/dbase/table.h"

namespace quillary {

namespace tables {
class LetterTabPanel;
}

namespace browse_text {
inline const QString kNotOpen = "Database is not Open! Cannot display details.";
inline const QString kNotDeleted = "Record not Deleted.";
inline const QString kInUseNotDeleted = "Record in use - not Deleted!";
inline const QString kInUseNotPasted = "Record in use - not Pasted!";
inline const QString kEmptyNotDeleted = "Empty Record cannot be Deleted.";
inline const QString kConfirmCaption = "Confirm Action";
inline const QString kConfirmPrompt =
    "If you want to Delete the selected Record please\ntype in 'YES':\n"
    "WARNING! Record Deletion cannot be Undone!";
}  // namespace browse_text

// What a command leaves for the window to show.
enum class Show {
  Nothing,    // refused, or nothing changed
  List,       // the list page (its offset or letter) changed
  Labels,     // the list page and the record number and percent labels
  Record,     // the edit table stands on the record to show, in edit state
              // unless RecordInUse() or the database is read-only
  NewRecord,  // a new record: the form is cleared
};

// The list page as the record buttons and the move buttons show it.
struct PageView {
  std::vector<ListRow> rows;
  int selected = -1;  // the button of the shown record, -1 when not on this page
  PageButtons pageButtons;
  RecordButtons recordButtons;
};

class Browser {
 public:
  // `saveShown` saves the form's record through the edit table (false when
  // the user chose to stay); `panel` redraws letter tabs whose counts change.
  Browser(std::function<bool()> saveShown, tables::LetterTabPanel* panel);
  ~Browser();
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // ---- state
  char CurrentLetter() const { return currentLetter_; }
  int64_t PageOffset() const { return pageOffset_; }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int n) { pageSize_ = n < 1 ? 1 : n; }
  // 1-based number of the shown record in its range (0 before the first
  // show, count + 1 for a new record).
  int64_t RecordNo() const { return recordNo_; }
  int64_t RecordId() const { return recordId_; }  // its record number field; -1 when new
  char RecordLetter() const { return recordLetter_; }
  char ShownLetter() const { return shownLetter_; }  // as loaded; 0 for a new record
  bool NewRecordMode() const { return newRecordMode_; }
  bool RecordInUse() const { return recordInUse_; }
  bool RecordSaved() const { return recordSaved_; }
  void SetRecordSaved(bool saved) { recordSaved_ = saved; }
  int SelectedButton() const { return selected_; }
  // The count the percent label divides by: the range, or the letter of a
  // record shown from another letter.
  int64_t PercentCount() const { return percentCount_; }
  // True once after SelectLetter changed the letter range: the letter tabs
  // must show it. `LetterRangeSet` says whether the tabs are in use.
  bool TakeLetterChange();
  bool LetterRangeSet() const { return letterRangeSet_; }

  bool LetterTabsActive() const;
  int64_t RangeCount();
  dbase::Table& EditTable() { return edit_; }
  // 0-based place of a record in the current range; nothing when it is not
  // there or the engine cannot reach it.
  std::optional<int64_t> PositionOf(dbase::RecNo recno);

  // ---- the edit table
  void OpenEditTable();
  void CloseEditTable();
  // Leaves the edit state the shown record was put in, without writing.
  void ReleaseEditRecord();

  // ---- moves
  PageView Page(const std::vector<ListColumn>& columns);
  Show First();
  Show PgUp();
  Show PgDn();
  Show Last();
  // Letter tabs: "A".."Z" (lower case taken as upper); page 0 of the letter.
  Show SelectLetter(char letter);
  // The next (previous) letter that has records; false when there is none.
  bool StepLetter(bool forward);
  // Record at 0-based position `i` of the range, saving the shown one first;
  // past the end a new record.
  Show ShowRecord(int64_t i);
  Show RecordButton(int k) { return ShowRecord(pageOffset_ + k); }
  Show NewRecord() { return ShowRecord(RangeCount()); }
  Show Neighbour(bool forward);
  Show Synchronize();
  // The record the browse table stands on (a search found it), on its page.
  std::optional<dbase::RecNo> BrowseRecord() const;
  Show ShowFound(dbase::RecNo recno);
  // After the form saved for a command: a saved new record is shown as one.
  Show AfterSave();
  Show Reload();
  // The sort or filter changed the order: letters counted, back at "A".
  Show AfterDataChange();
  // The window was shown for the first time / again after being hidden.
  Show FirstShow();
  Show ShowAgain();

  // ---- record commands
  // The range position of record button k of the page.
  int64_t ButtonPosition(int k) const { return pageOffset_ + k; }
  // Whether a position holds a record (the empty buttons past the end do not).
  bool HasRecordAt(int64_t position) { return position >= 0 && position < RangeCount(); }
  // Whether a position of the range is the record shown on the list page.
  bool IsShownAt(int64_t position) const;
  // A paste there goes into the form's editors: the shown record, or past
  // the end while a new record is shown.
  bool PastesIntoForm(int64_t position);
  // The record-delete mode's confirmation ("YES" typed), with its message.
  static bool ConfirmDelete();
  Show DeleteShown();
  // Deletes the record at `position` other than the shown one.
  Show DeleteAt(int64_t position);
  // Copies the record at `position` into the copy buffer; false when none.
  bool CopyAt(int64_t position);
  // Pastes the copy buffer onto the record at `position` (another than the
  // shown one) or a new one past the end.
  Show PasteAt(int64_t position);
  // The browse table on the record at `position`, or null past the end.
  dbase::Table* RecordAt(int64_t position);
  // The copy buffer on its record; `create` appends one into an empty
  // buffer. Null when there is none.
  static dbase::Table* CopyBufferRecord(bool create);

 private:
  bool SaveForMove();
  Show EnterRecord(int64_t recordNo);
  Show EnterNewRecord(int64_t count);
  Show ShowAt(char letter, int64_t position);
  void SetLetter(char letter);
  int64_t SavedRecordPosition();

  std::function<bool()> saveShown_;
  tables::LetterTabPanel* panel_;
  dbase::Table edit_;
  char currentLetter_ = 'A';
  int64_t pageOffset_ = 0;
  int pageSize_ = 1;
  int64_t recordNo_ = 0;
  int64_t recordId_ = -1;
  char recordLetter_ = 0;
  char shownLetter_ = 0;
  bool newRecordMode_ = false;
  bool recordInUse_ = false;
  bool recordSaved_ = false;
  int selected_ = -1;
  int64_t percentCount_ = 0;
  bool letterChanged_ = false;
  bool letterRangeSet_ = false;
};

}  // namespace quillary
