// Internal state of an open table shared by the cursor (table.cpp) and the
// whole-table operations (table_files.cpp): the open files, the parsed
// header, the cached counts and the pending memo values of the edit buffer.
#pragma once

#include <chrono>
#include <map>
#include <string>

#include "platform/dbase/codepage.h"
#include "platform/dbase/dbf_header.h"
#include "platform/dbase/file_io.h"
#include "platform/dbase/memo_file.h"
#include "platform/dbase/table.h"

namespace quillary::dbase {

struct Table::Impl {
  std::filesystem::path dbf_path;
  File dbf;
  MemoFile memo;
  DbfHeader header;
  CodePage codepage = CodePage::Windows1252;
  bool exclusive = false;

  uint32_t count = 0;  // records in the file, deleted included
  // Cache of the deleted-record count: valid for records 1..scanned while the
  // header's deletion counter still reads counter_seen.
  uint32_t counter_seen = 0;
  uint32_t scanned = 0;
  uint64_t deleted = 0;
  bool cache_valid = false;

  // Memo and blob values set in the edit buffer, in stored bytes; written
  // to the memo file on post. An empty string clears the field.
  std::map<int, std::string> pending;

  // The record a physical step has just read, handed to LoadRecord.
  std::vector<uint8_t> ahead;
  RecNo ahead_recno = 0;

  // Exclusive use only: records read ahead in one piece while the cursor
  // walks the file in order. Nobody else may write the file meanwhile, and
  // the run is void once this object's own file has written anything.
  mutable std::vector<uint8_t> run;
  mutable RecNo run_first = 0;
  mutable uint32_t run_count = 0;
  mutable uint64_t run_writes = 0;
  mutable RecNo last_read = 0;

  std::vector<uint8_t> post_buf;
  DbfHeader stamp;  // today's date for the header, taken at open

  bool primed = false;           // opened: exclusive use may trust memory
  bool count_unwritten = false;  // header count behind `count`
  bool unsynced = false;
  std::chrono::steady_clock::time_point last_sync{};

  uint64_t RecordOffset(RecNo r) const {
    return uint64_t(header.header_size) + uint64_t(r - 1) * header.record_size;
  }
  // Re-reads the header's record count and deletion counter.
  void RefreshFromHeader(bool force = false);
  void AdoptUncounted();
  void WriteCount();  // the header's count and date, when behind
  bool ReadRecord(RecNo r, uint8_t* out) const;
  void AfterWrite(bool memo_written);  // durability policy
  void SyncNow();
};

// Lock-held helpers shared by the whole-table operations.
void LockHeaderOrThrow(const File& f);
// A pack killed while moving its files into place; finishing it needs
// exclusive use of the table.
bool PackInterrupted(const std::filesystem::path& dbf);
void FinishInterruptedPack(const std::filesystem::path& dbf);

}  // namespace quillary::dbase
