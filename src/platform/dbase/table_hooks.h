// The seams between the table cursor and the index layer: a change observer
// told of every insert, update and delete the table writes, and an ordering
// provider that replaces physical order for navigation and counts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quillary::dbase {

// Record numbers are 1-based physical positions in the data file.
using RecNo = uint32_t;

// Field values of a key record for ranges and key searches: field position
// and value. Text is UTF-8; bytes that are no UTF-8 (0xFF) are taken raw, so
// that 0x01 and 0xFF can serve as bounds below and above every text.
using KeyValues = std::vector<std::pair<int, std::string>>;

// Raw record bytes as stored in the data file: deleted flag, then the fields.
using RecordBytes = std::span<const uint8_t>;

// Told of every change a table object writes, after the data file holds it
// and while the table still holds the locks of that change (so the observer
// may update its own file consistently). Throwing from a callback makes the
// operation fail with that error; the data file change stays (the index is
// then stale and must be rebuilt, which the index layer detects).
class ChangeObserver {
 public:
  virtual ~ChangeObserver() = default;
  virtual void OnInsert(RecNo recno, RecordBytes record) = 0;
  virtual void OnUpdate(RecNo recno, RecordBytes old_record, RecordBytes new_record) = 0;
  virtual void OnDelete(RecNo recno, RecordBytes record) = 0;
  // Whole-table changes: every record number may have changed.
  virtual void OnPacked() = 0;
  virtual void OnEmptied() = 0;
  // Brackets the data write of an edit or delete, so that a process killed
  // between the data write and the notification leaves a mark the index
  // finds: called just before the write; aborted when the write failed.
  virtual void OnBeforeWrite() {}
  virtual void OnWriteAborted() {}
};

// Scope of one observed data write: OnBeforeWrite now, OnWriteAborted at
// the end unless Done() says the change notification follows.
class ObservedWrite {
 public:
  explicit ObservedWrite(ChangeObserver* observer) : observer_(observer) {
    if (observer_) observer_->OnBeforeWrite();
  }
  ~ObservedWrite() {
    if (observer_ && !done_) {
      try {
        observer_->OnWriteAborted();
      } catch (...) {
        // The write's own error is on its way; the index, left marked,
        // is rebuilt at its next open.
      }
    }
  }
  ObservedWrite(const ObservedWrite&) = delete;
  ObservedWrite& operator=(const ObservedWrite&) = delete;
  void Done() { done_ = true; }

 private:
  ChangeObserver* observer_;
  bool done_ = false;
};

// Supplies the order (and range) navigation follows when an index tag is
// active. The table asks for candidates and itself skips deleted records,
// calling Next/Prior again from the skipped one. nullopt: no further record.
// `current` is the record the cursor stands on, so the provider can build
// its key.
class RecordOrder {
 public:
  virtual ~RecordOrder() = default;
  virtual std::optional<RecNo> First() = 0;
  virtual std::optional<RecNo> Last() = 0;
  virtual std::optional<RecNo> Next(RecNo from, RecordBytes current) = 0;
  virtual std::optional<RecNo> Prior(RecNo from, RecordBytes current) = 0;
  // Whether a record belongs to the order/range at all (GotoBookmark and
  // freshly posted records are checked with this).
  virtual bool Contains(RecNo recno, RecordBytes record) = 0;
  // Number of non-deleted records in the order/range; nullopt lets the
  // table count (physical order without range).
  virtual std::optional<uint64_t> Count() = 0;
  // Moves n places at once (an index answers by position, not by stepping):
  // the record reached and the places actually moved, fewer at the ends.
  // nullopt: not supported or nothing in the order; the table then steps.
  virtual std::optional<std::pair<RecNo, int64_t>> Skip(RecNo /*from*/, RecordBytes /*current*/, int64_t /*n*/) {
    return std::nullopt;
  }
  // 0-based place of a record among the records of the order/range,
  // answered without stepping (an index ranks the record's key). nullopt
  // when the record is not among them or the order cannot rank; the table
  // then walks unless Contains says it is not there.
  virtual std::optional<uint64_t> Position(RecNo /*recno*/) { return std::nullopt; }
};

}  // namespace quillary::dbase
