// The data file's header: version, date, record count, sizes, flags and
// field descriptors, parsed with every length checked against the file and
// written back byte-exact in the file's own dialect (dBASE III or IV).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dbase/table.h"

namespace quillary::dbase {

constexpr size_t kHeaderPrefix = 32;
constexpr size_t kDescriptorSize = 32;
constexpr uint8_t kFieldTerminator = 0x0D;
constexpr uint8_t kEndOfFile = 0x1A;
constexpr uint8_t kDeletedFlag = '*';
constexpr uint8_t kLiveFlag = ' ';
constexpr int kMaxFields = 255;
constexpr int kMaxCharWidth = 254;

// Offsets inside the 32-byte prefix.
namespace hdr {
constexpr size_t kVersion = 0;
constexpr size_t kDate = 1;
constexpr size_t kRecordCount = 4;
constexpr size_t kHeaderSize = 8;
constexpr size_t kRecordSize = 10;
constexpr size_t kIncomplete = 14;
constexpr size_t kEncrypted = 15;
// Bytes 16..27 are reserved for multi-user use; the engine keeps a counter
// of deletions there so other users can keep their cached counts.
constexpr size_t kDeleteCounter = 16;
constexpr size_t kMdxFlag = 28;
constexpr size_t kLanguageDriver = 29;
}  // namespace hdr

enum class MemoDialect { None, DBase3, DBase4 };

struct DbfHeader {
  uint8_t version = 0x03;
  uint8_t year = 0, month = 1, day = 1;  // year since 1900
  uint32_t record_count = 0;
  uint16_t header_size = 0;
  uint16_t record_size = 1;
  uint8_t mdx_flag = 0;
  uint8_t language_driver = 0;
  std::vector<uint8_t> raw;  // the whole header as read, kept for rewriting
  std::vector<FieldDef> fields;

  bool HasMemoFields() const;
  MemoDialect Memo() const;
};

// Validates and parses; throws DatabaseError Damaged with a precise reason.
// `file_size` bounds every length.
DbfHeader ParseHeader(const uint8_t* data, size_t size, uint64_t file_size);
// How many header bytes to read before parsing: the header size field,
// bounded. Throws Damaged for a prefix that cannot start a data file.
size_t HeaderBytesNeeded(const uint8_t* prefix32, uint64_t file_size);

// Builds a new header for fields (UTF-8, language driver 0, no index).
DbfHeader BuildHeader(const std::vector<FieldDef>& specs);
std::vector<uint8_t> SerializeHeader(const DbfHeader& h);

FieldKind KindOfType(char type);

// Today's date in header form.
void StampToday(DbfHeader& h);

}  // namespace quillary::dbase
