// The production index of one open table: its tags (expression, options and
// the tree of each), the active tag and range the cursor follows, the key
// updates every change of the table causes, and the refresh when another
// user changed the index (its change counter moved).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbase/codepage.h"
#include "platform/dbase/key_expr.h"
#include "platform/dbase/mdx_file.h"
#include "platform/dbase/mdx_tree.h"
#include "platform/dbase/table_hooks.h"

namespace quillary::dbase {

// What the index needs of its table.
class IndexedTable {
 public:
  virtual ~IndexedTable() = default;
  // The fields with their offsets inside the record (deleted flag at 0).
  virtual const std::vector<FieldDef>& Fields() const = 0;
  virtual CodePage TableCodePage() const = 0;
  virtual uint16_t RecordSize() const = 0;
  // Records in the data file now, deleted included.
  virtual RecNo RecordsOnDisk() = 0;
  // Every record 1..RecordsOnDisk() in file order, read in large pieces.
  virtual void ScanRecords(const std::function<void(RecNo, RecordBytes)>& fn) = 0;
  // Memo text of a record in the table's code page; throws ValueError.
  virtual std::string MemoBytes(RecordBytes record, int field) const = 0;
};

class ProductionIndex : public ChangeObserver, public RecordOrder {
 public:
  ProductionIndex(IndexedTable& table, std::filesystem::path path, bool read_only);
  ~ProductionIndex() override;

  // Opens the file and loads every tag. A mark left by a writer that died
  // in the middle of an update, or a tree that contradicts the data, makes
  // it rebuild the tags. Throws DatabaseError Damaged when the file cannot
  // be read, InUse when its lock cannot be had.
  void Open();
  // Off: Open leaves an inconsistent index as it is (for check tools).
  void SetRepair(bool on) { repair_ = on; }
  static void CreateFile(const std::filesystem::path& path, const std::string& dbf_base);
  const std::filesystem::path& Path() const { return path_; }

  // ---- tags ----
  void Refresh();
  int TagCount() const { return int(tags_.size()); }
  const MdxTag& TagAt(int i) const;
  int FindTag(const std::string& name) const;
  // Throws DatabaseError (Other for a bad expression or a full tag table).
  void AddTag(const std::string& name, const std::string& expression, int options);
  void DeleteTag(const std::string& name);
  void RebuildAll();
  // Problems found comparing every tag with the data; empty when clean.
  std::vector<std::string> Check();

  // ---- active tag, range, seeks ----
  void SetActiveTag(const std::string& name);  // "" for physical order
  const std::string& ActiveTag() const { return active_; }
  bool HasActiveTag() const { return active_index_ >= 0; }
  const TagTree& ActiveTree() const;
  // The active tag's key of a record, and of a key record.
  std::string KeyOfRecord(RecordBytes record) const;
  std::string KeyOfValues(const KeyValues& values) const;
  // Inclusive range over keys of the active tag (either bound may be open;
  // bounds given in either order).
  void SetRange(std::optional<std::string> from, std::optional<std::string> to);
  void ClearRange();
  bool HasRange() const { return range_from_ || range_to_; }
  const std::optional<std::string>& RangeFrom() const { return range_from_; }
  const std::optional<std::string>& RangeTo() const { return range_to_; }
  // First record in the range whose key equals / is not before `key`.
  std::optional<RecNo> Seek(const std::string& key, bool exact);

  // ---- RecordOrder ----
  std::optional<RecNo> First() override;
  std::optional<RecNo> Last() override;
  std::optional<RecNo> Next(RecNo from, RecordBytes current) override;
  std::optional<RecNo> Prior(RecNo from, RecordBytes current) override;
  bool Contains(RecNo recno, RecordBytes record) override;
  std::optional<uint64_t> Count() override;
  std::optional<std::pair<RecNo, int64_t>> Skip(RecNo from, RecordBytes current, int64_t n) override;
  std::optional<uint64_t> Position(RecNo recno) override;

  // ---- ChangeObserver ----
  void OnInsert(RecNo recno, RecordBytes record) override;
  void OnUpdate(RecNo recno, RecordBytes old_record, RecordBytes new_record) override;
  void OnDelete(RecNo recno, RecordBytes record) override;
  void OnPacked() override;
  void OnEmptied() override;
  void OnBeforeWrite() override;
  void OnWriteAborted() override;

  // Re-reads the file when another user changed it. Called by every query.
  void EnsureCurrent();

 private:
  struct Tag {
    KeyExpression expr;
    TagTree tree;
  };
  class Lock;

  void LoadAll();  // under a lock
  // Loads under a lock; false when the tags must be rebuilt first.
  bool LoadLocked();
  void RebuildAllLocked();
  KeyBatch EvaluateAll(const KeyExpression& expr);
  KeyExpression CompileFor(const std::string& expression) const;
  void Resolve();  // active tag name -> index
  template <class F>
  void Write(F&& apply);
  std::pair<uint64_t, uint64_t> RangePositions() const;
  uint64_t BasePosition(RecNo from, RecordBytes current, bool& present) const;

  IndexedTable& table_;
  std::filesystem::path path_;
  bool read_only_;
  MdxFile file_;
  std::vector<Tag> tags_;  // parallel to file_.Tags()
  uint32_t counter_ = 0;
  bool stale_ = false;     // our memory may disagree with the file
  std::string active_;
  int active_index_ = -1;
  std::optional<std::string> range_from_, range_to_;
  bool repair_ = true;
  // Held from OnBeforeWrite until the change it announced is indexed.
  std::unique_ptr<Lock> pending_;
  std::vector<std::string> notes_;  // found at open without repair
};

}  // namespace quillary::dbase
