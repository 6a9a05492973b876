#include "tables/database.h"

#include <QFile>
#include <cmath>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/files/case_path.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "tables/exclusive_use.h"

namespace quillary::tables {

namespace fs = std::filesystem;

namespace {

constexpr int kSilentFailures = 10;  // failures after the first try that are retried silently
int g_lastFailures = 0;

std::string Std(const QString& s) { return s.toStdString(); }

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string BaseOf(const std::string& fileName) {
  auto dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

bool FileExists(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  return fs::is_regular_file(files::FindCaseInsensitive(dir, name), ec);
}

OpenResult ResultOf(const dbase::DatabaseError& e) {
  switch (e.reason()) {
    case dbase::ErrorReason::InUse: return OpenResult::InUse;
    case dbase::ErrorReason::Missing: return OpenResult::Damaged;  // a companion file is gone
    case dbase::ErrorReason::Damaged: return OpenResult::Damaged;
    default: return OpenResult::Failed;
  }
}

// Opens once; the reason when it fails.
OpenResult TryOpen(dbase::Table& t) {
  try {
    t.Open();
    return OpenResult::Opened;
  } catch (const dbase::DatabaseError& e) {
    return ResultOf(e);
  } catch (const std::exception&) {
    return OpenResult::Failed;
  }
}

// The template of a table's index file by the table's name.
std::string TemplateFor(const std::string& fileName) {
  const std::string u = Upper(fileName);
  if (u == "MASTER.DBF") return "master.dbf";
  // Lookup lists have their own layout; the record table's index would not
  // fit their fields.
  if (u.rfind("LIST", 0) == 0) return "list.dbf";
  return "data.dbf";
}

}  // namespace

// ---------------------------------------------------------------- state

CurrentDatabase::CurrentDatabase() {
  Data.SetAfterInsert([](dbase::Table&) { AssignRecordNumber(); });
}

void CurrentDatabase::Reset() {
  CloseDatabase();
  Data.SetActiveTag("");
  Data.SetExclusive(false);
  CopyBuffer.SetExclusive(false);
  Catalogue.SetExclusive(false);
  Kinds = {};
  Decimals.clear();
  Letters = {};
  CopyBufferFilled = false;
  SuppressIndexMessage = true;
  Index = TIndex();
  OrderChanged = nullptr;
  LoadFilterConditions = nullptr;
  ClearFilterConditions = nullptr;
  SaveFilterConditions = nullptr;
}

CurrentDatabase& Db() {
  static CurrentDatabase db;
  return db;
}

QString text::DatabaseReplaced(const QString& badFile) {
  return "Could not Open the database! A new database will be created. The original file (if existed) was "
         "renamed to " +
         badFile.toUpper() + ".";
}

QString text::RetryOpen(const QString& fileName) { return "Cannot open the file: " + fileName + "\nRetry?"; }

fs::path DbDir() { return fs::path(Std(Opt().CurrentDbDir)); }
fs::path TemplateDir() { return fs::path(Std(Opt().ResourceDir)); }

// ---------------------------------------------------------------- opening

int LastOpenFailures() { return g_lastFailures; }

namespace {

// OpenWithIndexRepair with the reason of the failure.
OpenResult OpenRepairing(dbase::Table& t, bool regenerate) {
  if (t.IsOpen()) return OpenResult::Opened;
  OpenResult r = TryOpen(t);
  // Only a damaged or incomplete table is repaired: one another user holds
  // is not ours to touch.
  if (r != OpenResult::Damaged) return r;
  try {
    ReplaceIndexFile(t);
    if (regenerate) {
      ExclusiveUse use(t);
      use.Open();
      t.RebuildTags();
    }
    t.Open();
    return OpenResult::Opened;
  } catch (const dbase::DatabaseError& e) {
    return ResultOf(e);
  } catch (const std::exception&) {
    return OpenResult::Failed;
  }
}

}  // namespace

bool OpenWithIndexRepair(dbase::Table& t, bool regenerate) {
  return OpenRepairing(t, regenerate) == OpenResult::Opened;
}

OpenResult OpenTableIn(dbase::Table& t, const fs::path& dir, const std::string& fileName, bool exclusive) {
  g_lastFailures = 0;
  if (!dbase::TableExists(dir, fileName)) return OpenResult::Missing;
  if (t.IsOpen()) t.Close();
  t.Bind(dir, fileName);
  t.SetExclusive(exclusive);
  OpenResult r = OpenRepairing(t, true);
  if (r == OpenResult::Opened) return r;
  g_lastFailures = 1;
  for (;;) {
    if (g_lastFailures > kSilentFailures) {
      if (exclusive) return r;
      MsgAnswer a = Msg().Show(MsgKind::Warning, text::RetryOpen(QString::fromStdString(fileName)),
                               MsgButtons::YesNo);
      if (a != MsgAnswer::Yes) return r;
    }
    OpenResult again = TryOpen(t);
    if (again == OpenResult::Opened) return again;
    r = again;
    ++g_lastFailures;
  }
}

bool OpenTable(dbase::Table& t, const QString& fileName, bool exclusive) {
  return OpenTableIn(t, DbDir(), Std(fileName), exclusive) == OpenResult::Opened;
}

void ReplaceIndexFile(dbase::Table& t) {
  // The shipped templates are read-only and their index files describe
  // empty tables, so a plain copy under the table's name does for every
  // table of the template's layout; the engine rebuilds the keys.
  const std::string tmpl = BaseOf(TemplateFor(t.FileName()));
  dbase::ReplaceIndexFile(t.Directory(), t.FileName(), files::FindCaseInsensitive(TemplateDir(), tmpl + ".mdx"));
}

bool CreateFromTemplate(dbase::Table& t, bool keepTags) {
  const fs::path dir = t.Directory();
  const std::string name = t.FileName();
  if (t.IsOpen()) t.Close();
  // Refused (in use) while anyone holds the old table.
  if (dbase::TableExists(dir, name)) dbase::DeleteTable(dir, name);
  dbase::CopyTable(TemplateDir(), TemplateFor(name) == "list.dbf" ? "list.dbf" : "data.dbf", dir, name, true);
  if (!keepTags) {
    ExclusiveUse use(t);
    use.Open();
    for (int i = t.TagCount() - 1; i >= 0; --i) t.DeleteTag(t.TagName(i));
  }
  return true;
}

bool CreateTable(const QString& fileName, bool keepTags) {
  dbase::Table t(DbDir(), Std(fileName));
  return CreateFromTemplate(t, keepTags);
}

void CreateCatalogue() {
  try {
    dbase::CopyTable(TemplateDir(), "master.dbf", DbDir(), "master.dbf", true);
  } catch (const std::exception&) {
    // The open that follows fails and reports it.
  }
}

// ---------------------------------------------------------------- catalogue

void EnsureCatalogueEntry(const QString& fileName) {
  dbase::Table& c = Db().Catalogue;
  const std::string name = Std(fileName);
  if (c.FindKey({{0, name}})) return;
  c.Append();
  try {
    c.SetText(0, name);
    c.SetText(1, name);
    c.SetNumber(3, 1);
    c.Post();
  } catch (...) {
    c.Cancel();
    throw;
  }
}

void StoreRecordCounter(const QString& fileName, double value) {
  EnsureCatalogueEntry(fileName);
  dbase::Table& c = Db().Catalogue;
  c.Edit();
  try {
    c.SetNumber(3, value);
    c.Post();
  } catch (...) {
    c.Cancel();
    throw;
  }
}

void AssignRecordNumber() { AssignRecordNumber(Db().Data); }

void AssignRecordNumber(dbase::Table& table) {
  if (!table.IsEmpty(kRecordNumberField)) return;
  dbase::Table& c = Db().Catalogue;
  if (!c.IsOpen() || !c.HasRecord()) return;
  // The counter's record lock first, so two users never hand out one
  // number twice; another user holds it only for the moment of a post.
  constexpr int kLockTries = 100;
  for (int tries = 1;; ++tries) {
    try {
      c.Edit();
      break;
    } catch (const dbase::DatabaseError& e) {
      if (!e.IsLockConflict() || tries == kLockTries) return;
    } catch (const dbase::EngineError&) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  try {
    double n = std::round(c.AsNumber(3));
    table.SetNumber(kRecordNumberField, n + 1);
    c.SetNumber(3, n + 1);
    c.Post();
  } catch (const dbase::EngineError&) {
    if (c.State() != dbase::EditState::Browse) c.Cancel();
  }
}

// ---------------------------------------------------------------- databases

std::string FreeBadBaseName(const fs::path& dir) {
  for (int i = 0;; ++i) {
    std::string base = i == 0 ? "bad$$$" : "bad$$$" + std::to_string(i);
    bool taken = false;
    for (const char* ext : {".dbf", ".dbt", ".mdx", ".cpg"})
      if (FileExists(dir, base + ext)) taken = true;
    if (!taken) return base;
  }
}

namespace {

void SetFloatDecimals() { Db().Decimals = FloatDecimals(Db().Data); }

// Moves a broken table's files to the first free "bad$$$" name. The new
// name, or empty when something could not be moved (nothing may then be
// created over it).
std::string MoveToBad(const fs::path& dir, const std::string& fileName) {
  const std::string base = BaseOf(fileName);
  const std::string bad = FreeBadBaseName(dir);
  try {
    dbase::MoveTableAside(dir, fileName, bad + ".dbf");
  } catch (const std::exception&) {
    return {};
  }
  for (const char* ext : {".dbf", ".dbt", ".mdx"})
    if (FileExists(dir, base + ext)) return {};
  return bad + ".dbf";
}

bool OpenCatalogue() {
  CurrentDatabase& db = Db();
  OpenResult r = OpenTableIn(db.Catalogue, DbDir(), "master.dbf", false);
  if (r == OpenResult::Opened) {
    try {
      db.Catalogue.SetActiveTag("IDX0");
      return true;
    } catch (const dbase::EngineError&) {
      db.Catalogue.Close();
      Msg().Error(text::kMasterOpenFailed);
      return false;
    }
  }
  // A damaged catalogue is moved aside first: it is only ever replaced by
  // the template when its file is gone.
  if (r == OpenResult::Damaged && MoveToBad(DbDir(), "master.dbf").empty()) r = OpenResult::Failed;
  if (r == OpenResult::Missing || r == OpenResult::Damaged) {
    CreateCatalogue();
    try {
      db.Catalogue.Close();
      db.Catalogue.Bind(DbDir(), "master.dbf");
      db.Catalogue.SetExclusive(false);
      db.Catalogue.SetActiveTag("IDX0");
      db.Catalogue.Open();
      return true;
    } catch (const dbase::EngineError&) {
      // Reported below, as every other failure to open the catalogue.
    }
  }
  Msg().Error(text::kMasterOpenFailed);
  return false;
}

bool OpenCopyBuffer() {
  CurrentDatabase& db = Db();
  OpenResult r = OpenTableIn(db.CopyBuffer, DbDir(), "copy.dbf", false);
  try {
    if (r != OpenResult::Opened) {
      // Busy or refused: never replaced. Damaged: moved aside (it also holds
      // the record templates), then made anew.
      if ((r != OpenResult::Missing && r != OpenResult::Damaged) ||
          (r == OpenResult::Damaged && MoveToBad(DbDir(), "copy.dbf").empty())) {
        Msg().Error(text::kCopyOpenFailed);
        return false;
      }
      db.CopyBuffer.Close();
      db.CopyBuffer.Bind(DbDir(), "copy.dbf");
      db.CopyBuffer.SetActiveTag("");
      CreateFromTemplate(db.CopyBuffer, false);
      db.CopyBuffer.SetExclusive(false);
      db.CopyBuffer.Open();
    }
    if (db.CopyBuffer.RecordCount() == 0) {
      db.CopyBuffer.Append();
      db.CopyBuffer.Post();
    }
    return true;
  } catch (const dbase::EngineError&) {
    db.CopyBuffer.Close();
    Msg().Error(text::kCopyOpenFailed);
    return false;
  }
}

void AfterDataOpened() {
  CurrentDatabase& db = Db();
  db.Data.RefreshTags();
  db.Kinds = BuildFieldKindSets(db.Data);
}

bool OpenDataTable() {
  CurrentDatabase& db = Db();
  const fs::path dir = DbDir();
  const std::string name = Std(Opt().CurrentDbFile);
  const std::string base = BaseOf(name);
  db.Data.Close();
  db.Data.SetActiveTag("");
  OpenResult r = OpenResult::Missing;
  if (FileExists(dir, base + ".dbt")) r = OpenTableIn(db.Data, dir, name, false);
  else if (dbase::TableExists(dir, name)) r = OpenResult::Damaged;  // its memo file is gone
  if (r == OpenResult::Opened) {
    try {
      AfterDataOpened();
      db.Index.LoadSort();
      db.Index.ApplySort();
      if (db.LoadFilterConditions) db.LoadFilterConditions();
      return true;
    } catch (const dbase::EngineError&) {
      Msg().Error(text::kNewDatabaseFailed);
      return false;
    }
  }
  // Busy, or refused for a reason that is no damage: leave every file alone.
  if (r != OpenResult::Missing && r != OpenResult::Damaged) return false;

  const bool anyFile = dbase::TableExists(dir, name) || FileExists(dir, base + ".dbt") ||
                       FileExists(dir, base + ".mdx");
  if (anyFile) {
    std::string bad = MoveToBad(dir, name);
    if (bad.empty()) {
      Msg().Error(text::kNewDatabaseFailed);
      return false;
    }
    Msg().Warning(text::DatabaseReplaced(QString::fromStdString(bad)));
  }
  try {
    db.Data.Bind(dir, name);
    CreateFromTemplate(db.Data, true);
    db.Data.SetExclusive(false);
    db.Data.SetActiveTag("");
    db.Index.ResetToEntryOrder();
    db.Data.Open();
    AfterDataOpened();
    if (db.ClearFilterConditions) db.ClearFilterConditions();
    db.Index.ApplySort();
    return true;
  } catch (const dbase::EngineError&) {
    db.Data.Close();
    Msg().Error(text::kNewDatabaseFailed);
    return false;
  }
}

}  // namespace

bool OpenDatabase() {
  CurrentDatabase& db = Db();
  if (!OpenCatalogue()) return false;
  if (!OpenCopyBuffer()) return false;
  if (!OpenDataTable()) return false;
  SetFloatDecimals();
  try {
    EnsureCatalogueEntry(Opt().CurrentDbFile);
  } catch (const dbase::EngineError&) {
    Msg().Error(text::kMasterOpenFailed);
    return false;
  }
  db.SuppressIndexMessage = false;
  return true;
}

void CloseDatabase() {
  CurrentDatabase& db = Db();
  for (dbase::Table* t : {&db.CopyBuffer, &db.Data, &db.Catalogue}) {
    try {
      t->Close();
    } catch (...) {
      // Posted records are in the files already; the others still close.
    }
  }
}

bool SwitchDatabase(const QString& dir, const QString& fileName) {
  CurrentDatabase& db = Db();
  if (db.SaveFilterConditions) db.SaveFilterConditions();
  if (!db.Data.FileName().empty()) db.Index.SaveSort();
  CloseDatabase();
  db.Data.SetActiveTag("");
  Opt().CurrentDbDir = dir;
  Opt().CurrentDbFile = fileName;
  db.Index.SetFilterState(FilterState::fsFilterOff);
  return OpenDatabase();
}

}  // namespace quillary::tables
