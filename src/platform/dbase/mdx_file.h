// The dBASE IV multiple-index file (.mdx) as bytes on disk: file header,
// tag table of up to 47 tags, tag headers and 1024-byte B-tree blocks, with
// the free-block chain, the change counter other users watch and the
// update-in-progress mark a killed process leaves behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dbase/file_io.h"

namespace quillary::dbase {

constexpr int kMdxPageSize = 512;       // page numbers count these
constexpr int kMdxBlockSize = 1024;     // every tag header and tree node
constexpr int kMdxBlockPages = kMdxBlockSize / kMdxPageSize;
constexpr int kMdxMaxTags = 47;
constexpr int kMdxMaxTagName = 10;

// Tag option bits as callers pass them (the API side).
constexpr int kTagUnique = 2;
constexpr int kTagDescending = 4;
constexpr int kTagExpression = 16;

struct MdxTag {
  std::string name;          // upper case
  uint32_t header_page = 0;   // page of the tag header block
  uint32_t root_page = 0;
  uint8_t key_format = 0;     // file bits: 0x08 descending, 0x10 expression, 0x40 unique
  char key_type = 'C';        // C, N or D
  int key_length = 0;
  int max_keys = 0;           // keys per block
  int item_length = 0;        // 4-byte pointer + key, rounded to 4
  std::string expression;

  bool Descending() const { return key_format & 0x08; }
  bool Unique() const { return key_format & 0x40; }
  int Options() const;  // API bits
};

uint8_t KeyFormatFromOptions(int options);

// One node of a tag's B-tree as stored: in a leaf the pointers are record
// numbers; in a branch they are child pages, one more than the keys (the
// last child has no key: it holds everything above the last key).
struct MdxNode {
  bool leaf = true;
  std::vector<uint32_t> pointers;
  std::string keys;  // the keys back to back, key_length bytes each
  size_t KeyCount(int key_length) const { return keys.size() / size_t(key_length); }
  std::string_view Key(size_t i, int key_length) const {
    return std::string_view(keys).substr(i * size_t(key_length), size_t(key_length));
  }
};

class MdxFile {
 public:
  // Throws DatabaseError: Missing when absent, Damaged when the header or
  // tag table contradicts the format, Io when the system refuses.
  void Open(const std::filesystem::path& path, bool read_only);
  // Creates an empty index for data file `dbf_base` (its name without
  // extension), replacing any file at `path`.
  void Create(const std::filesystem::path& path, const std::string& dbf_base);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  const File& file() const { return file_; }
  const std::filesystem::path& path() const { return file_.path(); }

  // Re-reads header and tag table (after another user changed them).
  void Reload();
  // While a snapshot is held, blocks are read from one copy of the whole
  // file taken at once (loading every tree then costs one read, not one
  // per block). Only under the index lock, and without writing meanwhile.
  void TakeSnapshot();
  void DropSnapshot() { snapshot_.clear(); snapshot_.shrink_to_fit(); }

  const std::vector<MdxTag>& Tags() const { return tags_; }
  MdxTag& TagRef(int i) { return tags_.at(size_t(i)); }
  int FindTag(const std::string& name) const;  // -1 when absent; any case

  // The counter every writer increments; a reader whose cached value
  // differs must reload. Read straight from the file, without a lock.
  uint32_t ReadChangeCounter() const;
  uint32_t ChangeCounter() const { return counter_; }
  // The update-in-progress mark; set before the first block of an update
  // is written and cleared with the counter increment that ends it.
  bool ReadDirtyMark() const;
  void BeginUpdate();
  // Increments the counter, clears the mark, records how many records the
  // data file held (a count that differs at the next open means records
  // were added behind the index's back, or by a writer that died before
  // it could index them).
  void EndUpdate(uint32_t data_records);
  // The data file's record count at the last update; nullopt if unknown.
  std::optional<uint32_t> ReadDataStamp() const;

  // Tag table maintenance (the caller holds the index lock).
  MdxTag& AddTag(const std::string& name, const std::string& expression, char key_type, int key_length,
                 int options);
  void RemoveTag(int index);  // frees its blocks
  void WriteTagHeader(const MdxTag& tag);

  // Blocks.
  uint32_t AllocateBlock();
  void FreeBlock(uint32_t page);
  MdxNode ReadNode(const MdxTag& tag, uint32_t page) const;
  void WriteNode(const MdxTag& tag, uint32_t page, const MdxNode& node);
  // Many nodes at once, consecutive blocks in one write each.
  void WriteNodes(const MdxTag& tag, std::vector<std::pair<uint32_t, MdxNode>>& nodes);
  uint32_t PageCount() const { return pages_; }
  // Drops every tag, block and the free chain (before all tags are
  // rebuilt: nothing of a possibly damaged tree is trusted).
  void Clear();

 private:
  void ReadHeader();
  void WriteHeader();
  void WriteTagTable();
  void ReadBlock(uint32_t page, uint8_t* out) const;
  void WriteBlock(uint32_t page, const uint8_t* data);

  File file_;
  bool read_only_ = false;
  std::string dbf_base_;
  std::vector<MdxTag> tags_;
  uint32_t pages_ = 0;
  uint32_t first_free_ = 0;
  uint32_t counter_ = 0;
  bool updating_ = false;
  uint32_t data_stamp_ = 0;
  std::vector<uint8_t> snapshot_;
};

}  // namespace quillary::dbase
