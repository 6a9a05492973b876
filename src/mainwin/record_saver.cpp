// The record form's values to and from a record table, and the save policy.
#include "mainwin/record_saver.h"

#include "platform/dbase/table.h"
#include "shell/event_pump.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "tables/database.h"

namespace quillary {

namespace {

const QString kCorruptMemo1 = "Corrupt Memo Field!!! You should delete record: ";
const QString kCorruptMemo2 = "You may have to use Advanced/Maintenance/Repair Data File function.";
constexpr int kCorruptMemoHelp = 62;
const QString kCouldNotUpdate =
    "Could not Update the record!\nDo you want to continue anyway?\n"
    "(If you answer Yes changes to the current record will be discarded.)";

// The address names the record in the corrupt memo message.
constexpr int kAddressField = 3;

// Counts a nesting of loads and saves; while one runs the form is busy.
struct BusyScope {
  explicit BusyScope(int& b) : busy(b) { ++busy; }
  ~BusyScope() { --busy; }
  int& busy;
};

int TablePosition(const FieldEditor& e) { return e.FieldNumber() + 1; }

// Nothing half-saved may be posted later by a move of the table.
void CancelPending(dbase::Table& table) {
  if (table.IsOpen() && table.State() != dbase::EditState::Browse) table.Cancel();
}

}  // namespace

void RecordSaver::ReportCorruptMemo(const dbase::Table& table) const {
  QString record;
  try {
    const std::string address = table.AsText(kAddressField);
    record = QString::fromUtf8(address.data(), qsizetype(address.size()));
  } catch (const dbase::EngineError&) {
    // The message still goes out, without the record's name.
  }
  Msg().Show(MsgKind::Error, kCorruptMemo1 + record + "\n" + kCorruptMemo2, MsgButtons::OkHelp, kCorruptMemoHelp);
}

void RecordSaver::LoadFields(const dbase::Table& table, bool fromTemplate) {
  BusyScope busy(busy_);
  const bool hasRecord = table.IsOpen() && table.HasRecord() && !table.Eof();
  for (FieldEditor* e : editors_) {
    const int pos = TablePosition(*e);
    if (!hasRecord) {
      e->Clear();
    } else {
      try {
        e->Load(table, pos, fromTemplate);
      } catch (const dbase::EngineError&) {
        e->Clear();
        // The other editors still show the record.
        if (table.Field(pos).kind == dbase::FieldKind::Memo) ReportCorruptMemo(table);
      }
    }
    // The window paints each field as it comes; the pump lets no click or
    // key start another command while the form is half loaded.
    PumpEvents();
  }
}

bool RecordSaver::SaveAttempt(dbase::Table& table, SaveMode mode, bool& memoFailed) {
  if (table.State() != dbase::EditState::Insert) table.Edit();
  for (FieldEditor* e : editors_) {
    const int pos = TablePosition(*e);
    try {
      e->Store(table, pos, mode);
    } catch (const dbase::EngineError&) {
      if (table.Field(pos).kind != dbase::FieldKind::Memo) throw;
      ReportCorruptMemo(table);
      memoFailed = true;
      return false;
    }
    PumpEvents();
  }

  // Only the shown record has a place under the letter tabs; the copy
  // buffer and templates do not.
  const bool shown = &table == &host_.EditTable();
  const char oldLetter = !shown || host_.NewRecordMode() ? 0 : host_.ShownRecordLetter();
  const char newLetter = shown ? tables::Db().Index.RecordLetter(table) : 0;
  table.Post();
  table.Flush();
  if (newLetter != 0 && newLetter != oldLetter) host_.RecordLetterChanged(oldLetter, newLetter);
  return true;
}

bool RecordSaver::SaveFields(dbase::Table& table, SaveMode mode) {
  if (!table.IsOpen()) return false;
  BusyScope busy(busy_);
  if (savingHook_) savingHook_(true);
  bool saved = false;
  for (int attempt = 0; attempt < kMaxSaveAttempts && !saved; ++attempt) {
    bool memoFailed = false;
    try {
      saved = SaveAttempt(table, mode, memoFailed);
      if (memoFailed) break;  // retrying cannot write a damaged memo
    } catch (const dbase::DatabaseError&) {
      continue;  // the engine refused: try again
    } catch (const dbase::EngineError&) {
      break;  // a value the field cannot hold
    }
  }
  if (savingHook_) savingHook_(false);
  return saved;
}

void RecordSaver::ClearFields() {
  BusyScope busy(busy_);
  for (FieldEditor* e : editors_) e->Clear();
}

bool RecordSaver::IsBlank() const {
  for (const FieldEditor* e : editors_)
    if (!e->IsBlank()) return false;
  return true;
}

bool RecordSaver::SavingForbidden() {
  if (!host_.ReadOnlyDatabase() && !host_.RecordInUse()) return false;
  host_.SetRecordSaved(true);
  return true;
}

bool RecordSaver::SaveCurrentRecord(const std::function<bool()>& ready) {
  if (Busy()) return false;
  if (SavingForbidden()) return true;
  if (ready && !ready()) {
    host_.SetRecordSaved(false);
    return false;
  }
  dbase::Table& table = host_.EditTable();
  auto cancelPending = [&table] {
    try {
      CancelPending(table);
    } catch (const dbase::EngineError&) {
      // Cancelling only drops the record buffer; the table stays usable.
    }
  };
  bool ok = false;
  if (IsBlank()) {
    // A blank form is never stored: a new record is dropped, an existing
    // one keeps what it held.
    cancelPending();
    ok = true;
  } else {
    bool appended = true;
    if (host_.NewRecordMode()) {
      try {
        table.Append();
      } catch (const dbase::EngineError&) {
        appended = false;  // asked below like any failed save
      }
    }
    ok = appended && SaveFields(table);
    if (!ok) {
      const bool goOn = Msg().Show(MsgKind::Warning, kCouldNotUpdate, MsgButtons::YesNo) == MsgAnswer::Yes;
      const bool wasEdit = table.IsOpen() && table.State() == dbase::EditState::Edit;
      cancelPending();
      if (!goOn && wasEdit) {
        // Keep the shown record held, as it was before the attempt.
        try {
          table.Edit();
        } catch (const dbase::EngineError&) {
          // Another user took it meanwhile: the next save asks again.
        }
      }
      ok = goOn;
    }
  }
  host_.SetRecordSaved(ok);
  return ok;
}

bool RecordSaver::SaveCurrentRecordUnattended(const std::function<void()>& ready) {
  if (Busy()) return false;
  if (SavingForbidden()) return true;
  UnattendedMessages silent;
  ScopedMessages quiet(silent);
  if (ready) ready();
  dbase::Table& table = host_.EditTable();
  bool saved = true;
  try {
    if (IsBlank()) {
      CancelPending(table);
    } else {
      if (host_.NewRecordMode()) table.Append();
      saved = SaveFields(table, SaveMode::Unattended);
    }
  } catch (const dbase::EngineError&) {
    saved = false;
  }
  if (!saved) {
    // Left as stored: nothing half-saved stays pending.
    try {
      CancelPending(table);
    } catch (const dbase::EngineError&) {
      // The program is ending; the record stays as stored either way.
    }
  }
  host_.SetRecordSaved(true);
  return saved;
}

}  // namespace quillary
