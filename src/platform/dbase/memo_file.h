// The memo file (.dbt) in the dBASE IV block layout (length-prefixed,
// text or binary of any size) and the dBASE III one (512-byte blocks, text
// ended by 0x1A). Reads are bounded by the file; damage is a value error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbase/dbf_header.h"
#include "platform/dbase/file_io.h"

namespace quillary::dbase {

constexpr uint32_t kMemoBlockSize = 512;

class MemoFile {
 public:
  // Throws DatabaseError Missing/Damaged.
  void Open(const std::filesystem::path& path, MemoDialect dialect, bool read_only);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  // A fresh memo file holding only its header.
  static void CreateNew(const std::filesystem::path& path, MemoDialect dialect, const std::string& table_base);
  // A memo file at `path` with this one's header (dialect, block size and
  // the rest kept as they are) and no values (a pack copies them over).
  void CreateEmptyCopy(const std::filesystem::path& path) const;

  // The value stored at `block`; throws ValueError when the block lies
  // outside the file or its header is impossible.
  std::string Read(uint32_t block) const;
  // Appends a value and returns its first block. The caller serialises
  // writers (header lock of the data file).
  uint32_t Append(std::string_view data);
  // Several values in one write; their first blocks in order.
  std::vector<uint32_t> AppendMany(const std::vector<std::string_view>& values);
  // Drops every value (the table was emptied).
  void Reset();

  MemoDialect dialect() const { return dialect_; }
  uint32_t block_size() const { return block_size_; }
  File& file() { return file_; }
  const File& file() const { return file_; }
  uint32_t NextFreeBlock() const;
  // Under exclusive use nobody else grows the file: its size is known.
  void SetSoleWriter(bool on) { sole_writer_ = on; }
  // Writes the next-free pointer; appends defer it (readers and writers of
  // this engine never trust it beyond the file's size), so it is written
  // when the table is flushed or closed.
  void WritePointer();

 private:
  File file_;
  MemoDialect dialect_ = MemoDialect::DBase4;
  uint32_t block_size_ = kMemoBlockSize;
  std::string base_;
  mutable uint64_t size_ = 0;  // known file size; refreshed when a read needs more
  bool sole_writer_ = false;
  uint32_t pointer_ = 0;       // next free block not yet written to the header
  // Memo blocks are never rewritten in place (a changed value goes to new
  // blocks), so a window of the file read once stays valid while it is open.
  mutable std::vector<char> window_;
  mutable uint64_t window_offset_ = 0;
  std::vector<uint8_t> out_;  // blocks being appended, kept for the next append
};

}  // namespace quillary::dbase
