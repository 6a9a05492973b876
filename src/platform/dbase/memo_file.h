// The memo file (.dbt) in the dBASE IV block layout (length-prefixed,
// text or binary of any size) and the dBASE III one (512-byte blocks, text
// ended by 0x1A). Reads are bounded by the file; damage is a value error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

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

  // The value stored at `block`; throws ValueError when the block lies
  // outside the file or its header is impossible.
  std::string Read(uint32_t block) const;
  // Appends a value and returns its first block. The caller serialises
  // writers (header lock of the data file).
  uint32_t Append(std::string_view data);
  // Drops every value (the table was emptied).
  void Reset();

  MemoDialect dialect() const { return dialect_; }
  uint32_t block_size() const { return block_size_; }
  File& file() { return file_; }
  const File& file() const { return file_; }
  uint32_t NextFreeBlock() const;

 private:
  File file_;
  MemoDialect dialect_ = MemoDialect::DBase4;
  uint32_t block_size_ = kMemoBlockSize;
  std::string base_;
};

}  // namespace quillary::dbase
