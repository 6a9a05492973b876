// The open database of the run: the data, copy buffer and catalogue tables,
// the field-kind sets, the letter counts and the sort descriptor; how tables
// are opened (with retries and index repair), created from the shipped
// templates, listed in the catalogue and numbered, and how a database is
// opened, switched and closed.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/dbase/table.h"
#include "tables/field_kinds.h"
#include "tables/letter_counts.h"
#include "tables/tindex.h"

namespace quillary::tables {

class CurrentDatabase {
 public:
  CurrentDatabase();
  CurrentDatabase(const CurrentDatabase&) = delete;
  CurrentDatabase& operator=(const CurrentDatabase&) = delete;

  dbase::Table Data;
  dbase::Table CopyBuffer;
  dbase::Table Catalogue;
  FieldKindSets Kinds;
  std::vector<int> Decimals;  // by field position, set after every open of Data
  LetterCounts Letters{};
  bool CopyBufferFilled = false;
  // Keeps the index failure message quiet until the first open completed.
  bool SuppressIndexMessage = true;
  TIndex Index;

  // The main window's reaction to a new order (recount, redraw the tabs).
  std::function<void()> OrderChanged;
  // The filter conditions of the open database: loaded when it opens,
  // cleared when a fresh table replaced a broken one, saved before a switch.
  std::function<void()> LoadFilterConditions;
  std::function<void()> ClearFilterConditions;
  std::function<void()> SaveFilterConditions;

  // Closes everything and returns to the state at the start of a run.
  void Reset();
};

// The process-wide open database.
CurrentDatabase& Db();

// Texts shown by this layer.
namespace text {
inline const QString kMasterOpenFailed = "Could not Open the Master.dbf file!";
inline const QString kCopyOpenFailed = "Could not Open the Copy/Paste file!";
inline const QString kNewDatabaseFailed = "Could not Open the new database!";
QString DatabaseReplaced(const QString& badFile);  // names the file the old one went to
QString RetryOpen(const QString& fileName);
inline const QString kExclusiveFailed =
    "Function Failed!\nDatabase may be used by someone else - this function requires Exclusive Database Use.";
inline const QString kIndexFailed =
    "Unable to create Index!\nDatabase may be used by someone else - this function requires Exclusive Database Use.";
inline const QString kEmptyNotCopied = "Empty Record - Not Copied!";
inline const QString kCorruptMemo = "Corrupt Memo Field!!! You should delete record: \n";
}  // namespace text

// Why an open did not succeed. Only Missing and Damaged justify creating or
// repairing anything: a table another user holds must be left as it is.
enum class OpenResult { Opened, Missing, InUse, Damaged, Failed };

// The database directory and the shipped template directory as paths.
std::filesystem::path DbDir();
std::filesystem::path TemplateDir();

bool OpenDatabase();
void CloseDatabase();
// Saves the sort beside the table being closed, closes the database and
// opens `fileName` in `dir` with the filter off.
bool SwitchDatabase(const QString& dir, const QString& fileName);

// DIR\fileName, with the index repair, ten silent retries and then the retry
// question (shared) or giving up (exclusive).
bool OpenTable(dbase::Table& table, const QString& fileName, bool exclusive);
OpenResult OpenTableIn(dbase::Table& table, const std::filesystem::path& dir, const std::string& fileName,
                       bool exclusive);
// Failures counted by the last OpenTable, the first (repairing) try included.
int LastOpenFailures();

bool OpenWithIndexRepair(dbase::Table& table, bool regenerate);
void ReplaceIndexFile(dbase::Table& table);
// Throw the engine's error when the copy fails.
bool CreateFromTemplate(dbase::Table& table, bool keepTags);
bool CreateTable(const QString& fileName, bool keepTags);
void CreateCatalogue();

void EnsureCatalogueEntry(const QString& fileName);
void StoreRecordCounter(const QString& fileName, double value);
// The data table's after-insert notification.
void AssignRecordNumber();
// The same for a new record of any other cursor over the open data table:
// its number field gets the next number of the catalogue entry the
// catalogue cursor stands on. A counter another user is updating at that
// moment is waited for briefly.
void AssignRecordNumber(dbase::Table& table);

// The first free base name of "bad$$$", "bad$$$1", ... in `dir`.
std::string FreeBadBaseName(const std::filesystem::path& dir);

}  // namespace quillary::tables
