// The table object: one cursor over a dBASE table (data, memo and production
// index files) bound to a directory and a file name. Opening, field access,
// navigation, editing, and the whole-table operations.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dbase/codepage.h"
#include "platform/dbase/errors.h"
#include "platform/dbase/field_def.h"
#include "platform/dbase/table_hooks.h"

namespace quillary::dbase {

class ProductionIndex;
class IndexedTable;

enum class TableType { DBase };

struct Bookmark {
  RecNo recno = 0;
  bool valid() const { return recno != 0; }
};

enum class EditState { Browse, Edit, Insert };

using Date = std::chrono::year_month_day;

class Table {
 public:
  Table();
  Table(std::filesystem::path directory, std::string file_name, TableType type = TableType::DBase);
  ~Table();  // closes; a pending edit is cancelled, not posted
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // ---- binding (only while closed) ----
  void Bind(std::filesystem::path directory, std::string file_name, TableType type = TableType::DBase);
  const std::filesystem::path& Directory() const { return dir_; }
  const std::string& FileName() const { return file_name_; }
  TableType Type() const { return type_; }
  void SetExclusive(bool exclusive);  // set before Open
  bool Exclusive() const { return exclusive_; }

  // ---- index hooks (owned by the index layer) ----
  // Active tag: empty means physical order. Setting it while open re-reads
  // the order through the index layer; physical order until that exists.
  void SetActiveTag(std::string tag);
  const std::string& ActiveTag() const { return active_tag_; }
  // Header flag: the table has a production index (.mdx).
  bool HasProductionIndex() const;
  void SetProductionIndexFlag(bool on);  // exclusive use only
  // Path of the companion file with this extension (".mdx"), found whatever
  // its case; a lower-case-extension path beside the data file if absent.
  std::filesystem::path CompanionPath(std::string_view ext) const;
  // Current record's raw bytes (deleted flag first).
  RecordBytes CurrentRecordBytes() const;
  RecNo PhysicalRecordCount();  // header count, deleted included, refreshed
  // Text of a memo field of any record's raw bytes (key expressions need it).
  std::string MemoTextOf(RecordBytes record, int field) const;

  // ---- open / close ----
  // Throws DatabaseError: Missing when the data file (or a memo file its
  // fields need) is absent, InUse when another user holds a conflicting
  // open, Damaged when the files contradict the format.
  void Open();
  void Close();
  bool IsOpen() const;

  // Creates a new table (data file, memo file when a memo/blob field exists,
  // .cpg). UTF-8, language driver 0. Throws DatabaseError Exists unless
  // overwrite (which fails InUse while the old table is open elsewhere).
  static void Create(const std::filesystem::path& directory, const std::string& file_name,
                     const std::vector<FieldDef>& fields, bool overwrite = false);

  // ---- fields ----
  int FieldCount() const;
  const FieldDef& Field(int index) const;  // 0-based
  int FieldIndex(std::string_view name) const;  // -1 when absent
  CodePage TableCodePage() const;
  uint8_t Version() const;  // header version byte (0x03, 0x83, 0x8B, ...)

  // Reading the current record. Text comes as UTF-8 with trailing blanks
  // removed; a date field reads as "YYYYMMDD"; a logical as "T"/"F"; a large
  // object as its raw bytes. A damaged memo or unreadable value throws
  // ValueError.
  std::string AsText(int field) const;
  double AsNumber(int field) const;         // empty reads 0
  std::optional<Date> AsDate(int field) const;  // nullopt when empty
  std::string AsBytes(int field) const;     // memo/blob raw bytes, else stored bytes
  bool IsEmpty(int field) const;

  // Writing (only in Edit or Insert state). Text longer than the field is
  // cut on a character boundary; a character the code page cannot hold or
  // a number too wide for the field throws ValueError.
  void SetText(int field, std::string_view utf8);
  void SetNumber(int field, double value);
  void SetDate(int field, std::optional<Date> date);
  void SetBytes(int field, std::string_view bytes);  // memo/blob raw bytes
  void Clear(int field);
  // Copies another table's field value whole (memos and blobs included),
  // converting code pages and types as needed.
  void CopyField(int field, const Table& source, int source_field);

  // ---- navigation (skips deleted records; follows RecordOrder if set) ----
  // Moving while in Edit/Insert posts the record first.
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int n);  // returns how many records were actually moved
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool HasRecord() const { return recno_ != 0; }
  RecNo CurrentRecNo() const { return recno_; }
  Bookmark GetBookmark() const { return Bookmark{recno_}; }
  void GotoBookmark(Bookmark b);  // DatabaseError NotFound for a deleted record
  void GotoRecNo(RecNo recno);
  // Goes to the record another cursor over the same files stands on.
  void GotoCurrent(const Table& other);
  // Tools only: navigation (physical order) also stops on deleted records.
  void SetShowDeleted(bool on) { show_deleted_ = on; }

  // ---- editing ----
  // Edit takes a record lock: DatabaseError InUse while another user edits
  // it. Post writes the record through and returns only when it is in the
  // file. Delete marks the current record deleted (refused InUse while it
  // is locked elsewhere) and moves to the next one.
  void Edit();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  EditState State() const { return state_; }
  // Run inside Post before writing (may change fields; throwing aborts the
  // post) and inside Append after the blank record is set up.
  void SetBeforePost(std::function<void(Table&)> hook) { before_post_ = std::move(hook); }
  void SetAfterInsert(std::function<void(Table&)> hook) { after_insert_ = std::move(hook); }

  // Non-deleted records, through RecordOrder when one is set.
  uint64_t RecordCount();
  // 0-based place of the current record among the records navigation
  // visits (active tag and range, else physical order): an index ranks it,
  // physical order is walked. nullopt without a current record, for a new
  // record not yet posted and for a record outside the range. The cursor
  // stays where it is.
  std::optional<uint64_t> Position();

  // Forces every posted record to stable storage now (Post already makes it
  // survive the death of the process; see table.cpp for the policy).
  void Flush();

  // ---- index tags (production index; table_index.cpp) ----
  // The tag list as the index file holds it now (another user may have
  // changed it). Options: 16 expression key, 4 descending, 2 unique.
  void RefreshTags();
  int TagCount() const;
  std::string TagName(int index) const;
  std::string TagExpression(int index) const;
  int TagOptions(int index) const;
  // Each needs the table open exclusively. DatabaseError also for an
  // expression that does not parse or fit the fields, and when the index
  // file already holds the most tags it can (47).
  void AddTag(const std::string& name, const std::string& expression, int options);
  void DeleteTag(const std::string& name);
  void RebuildTags();
  // Range on the active tag: start and end are key records (fields not
  // given are empty) on which the tag's expression is evaluated; inclusive,
  // bounds in either order. Apply goes to the first record of the range.
  void SetRangeStart(KeyValues values);
  void SetRangeEnd(KeyValues values);
  void ApplyRange();
  void CancelRange();
  bool HasRange() const;
  // The same with raw key bytes of the active tag (tools).
  void SetKeyRange(std::optional<std::string> from, std::optional<std::string> to);
  // The range in force as raw key bounds (either open); both open without one.
  std::pair<std::optional<std::string>, std::optional<std::string>> KeyRange() const;
  // Key search on the active tag, inside the range. Exact: true and there
  // when a key equals it, else false and the cursor stays. Nearest: the
  // first record whose key is not before it, or the end of the table.
  bool FindKey(const KeyValues& values);
  void FindNearest(const KeyValues& values);
  // The active tag's key of the current record (tools, tests).
  std::string CurrentKey();
  // Every tag compared with the data; the problems found, empty when sound.
  std::vector<std::string> CheckTags();
  // Tools only, set before Open: an index left inconsistent (by a killed
  // writer, or records added behind its back) stays as it is instead of
  // being rebuilt, so that CheckTags can report it.
  void SetIndexRepair(bool on) { index_repair_ = on; }

  // ---- whole-table operations ----
  // Pack and Empty need exclusive use: on a table open shared they upgrade
  // temporarily, on a closed table they open exclusively for the duration;
  // InUse while another user has it open.
  void Pack();
  void Empty();

  struct Impl;

 private:
  void RequireOpen() const;
  void RequireWritable() const;
  void CheckField(int field) const;
  bool LoadRecord(RecNo recno);  // false when deleted or out of range
  std::optional<RecNo> PhysicalNext(RecNo from, int dir);
  std::optional<RecNo> StepFrom(RecNo from, int dir);  // order-aware, skips deleted
  std::optional<RecNo> FirstOrLast(int dir);
  void LeaveEdit();
  void ReleaseRecordLock();

  std::filesystem::path dir_;
  std::string file_name_;
  TableType type_ = TableType::DBase;
  bool exclusive_ = false;
  std::string active_tag_;
  ChangeObserver* observer_ = nullptr;
  RecordOrder* order_ = nullptr;
  std::function<void(Table&)> before_post_;
  std::function<void(Table&)> after_insert_;

  friend class TableIndexLink;
  void OpenIndex();
  void CloseIndex();
  void ApplyActiveTag();
  ProductionIndex& RequireIndex() const;
  ProductionIndex& RequireActiveTag() const;
  std::shared_ptr<ProductionIndex> index_;
  std::shared_ptr<IndexedTable> index_link_;
  std::optional<KeyValues> range_start_, range_end_;
  bool index_repair_ = true;

  std::unique_ptr<Impl> impl_;
  std::vector<uint8_t> buf_;       // current record
  std::vector<uint8_t> old_buf_;   // record as read at Edit
  RecNo recno_ = 0;
  RecNo saved_recno_ = 0;          // where Cancel of an insert returns
  bool eof_ = true;
  bool bof_ = true;
  EditState state_ = EditState::Browse;
  RecNo locked_recno_ = 0;
  bool show_deleted_ = false;
};

// Whole-table file operations on closed tables; each covers the data file
// and its companions (.dbt, .mdx, .cpg) found whatever their case. They fail
// with DatabaseError InUse while anyone has the table open, Missing when the
// source does not exist, Exists when a target exists and may not be
// overwritten.
void DeleteTable(const std::filesystem::path& directory, const std::string& file_name);
void CopyTable(const std::filesystem::path& source_dir, const std::string& source_name,
               const std::filesystem::path& target_dir, const std::string& target_name, bool overwrite);
void RenameTable(const std::filesystem::path& directory, const std::string& old_name,
                 const std::string& new_name);
// Puts a broken table out of the way under `new_name`: the data file, when
// there still is one, and whichever companions exist. InUse while anyone
// has the table open, Exists when a target file exists.
void MoveTableAside(const std::filesystem::path& directory, const std::string& file_name,
                    const std::string& new_name);
// Replaces the production index file of a closed table with a copy of
// `replacement` (an index file made for a table of the same fields, whose
// tags are then rebuilt), or removes it when `replacement` does not exist. InUse while anyone has the table open, Missing when the
// data file does not exist.
void ReplaceIndexFile(const std::filesystem::path& directory, const std::string& file_name,
                      const std::filesystem::path& replacement);
bool TableExists(const std::filesystem::path& directory, const std::string& file_name);

}  // namespace quillary::dbase
