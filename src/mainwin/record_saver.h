// Moving the record form's values between its field editors and a record
// table: loading, clearing, the blank test, and saving with its retries, its
// question, the letter a saved record moves to, and the flush.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "mainwin/field_editor.h"

namespace quillary::dbase {
class Table;
}

namespace quillary {

// What the record form needs of the main window.
class RecordFormHost {
 public:
  virtual ~RecordFormHost() = default;
  // The table object positioned on the shown record, through which the form
  // loads and saves.
  virtual dbase::Table& EditTable() = 0;
  // The form shows a record that is not yet in the table.
  virtual bool NewRecordMode() const = 0;
  // The shown record could not be put into edit state (another user holds it).
  virtual bool RecordInUse() const = 0;
  // The open database may not be changed (normally Opt().IsReadOnlyDatabase()).
  virtual bool ReadOnlyDatabase() const = 0;
  // The open data file's name ("data.dbf"); names the page order file.
  virtual QString DataFileName() const = 0;
  // The letter of the shown record before it was edited (0: none, and for a
  // new record); the form compares it with the saved record's letter.
  virtual char ShownRecordLetter() const = 0;
  // A saved record moved from one letter to another (only called when the
  // primary sort field is a text field and the letter changed): adjust the
  // letter counts and recolour the tabs.
  virtual void RecordLetterChanged(char oldLetter, char newLetter) = 0;
  // The result of the last SaveCurrentRecord: true after it saved or
  // discarded the record, so a following ShowRecord does not save again.
  virtual void SetRecordSaved(bool saved) = 0;
};

class RecordSaver {
 public:
  // A post the engine refuses (a lock held a moment by another user) is
  // tried again this often before the user is asked.
  static constexpr int kMaxSaveAttempts = 100;

  explicit RecordSaver(RecordFormHost& host) : host_(host) {}

  // The editors in field order; not owned, they outlive every call.
  void SetEditors(std::vector<FieldEditor*> editors) { editors_ = std::move(editors); }
  // Told true when a save starts and false when it ends (the wait cursor).
  void SetSavingHook(std::function<void(bool saving)> hook) { savingHook_ = std::move(hook); }

  // True while loading or saving; no other save starts then.
  bool Busy() const { return busy_ > 0; }

  // Every editor from the table's current record (cleared when it has none).
  // A memo that cannot be read is reported and left empty; any other value
  // that cannot be read shows empty.
  void LoadFields(const dbase::Table& table, bool fromTemplate = false);
  // Every editor into the current record (Edit unless inserting), then
  // posted and flushed; false when it could not be saved.
  bool SaveFields(dbase::Table& table, SaveMode mode = SaveMode::Attended);
  void ClearFields();
  bool IsBlank() const;

  // The save-before-leaving rule for the shown record; true when the
  // caller may go on. `ready` runs first when there is anything to save:
  // false (a date refused, say) stops here unsaved. Tells the host whether
  // the record counts as saved.
  bool SaveCurrentRecord(const std::function<bool()>& ready = {});
  // The same where no one can answer: nothing is shown or asked, and a
  // record that cannot be saved is left as stored. True when it was saved
  // (or needed no saving); the host is told it was saved either way.
  bool SaveCurrentRecordUnattended(const std::function<void()>& ready = {});

 private:
  bool SavingForbidden();
  bool SaveAttempt(dbase::Table& table, SaveMode mode, bool& memoFailed);
  void ReportCorruptMemo(const dbase::Table& table) const;

  RecordFormHost& host_;
  std::vector<FieldEditor*> editors_;
  std::function<void(bool)> savingHook_;
  int busy_ = 0;
};

}  // namespace quillary
