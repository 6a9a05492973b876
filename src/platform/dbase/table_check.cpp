#include "platform/dbase/table_check.h"

#include "platform/dbase/bytes.h"
#include "platform/dbase/companions.h"
#include "platform/dbase/dbf_header.h"
#include "platform/dbase/errors.h"
#include "platform/dbase/field_codec.h"
#include "platform/dbase/memo_file.h"

namespace quillary::dbase {

CheckReport CheckTable(const std::filesystem::path& directory, const std::string& file_name, size_t max_problems) {
  CheckReport rep;
  auto problem = [&](std::string s) {
    if (rep.problems.size() < max_problems) rep.problems.push_back(std::move(s));
  };
  std::filesystem::path path = FindDataFile(directory, file_name);
  File f;
  if (!f.OpenExisting(path, true)) throw DatabaseError(ErrorReason::Missing, "table not found: " + path.string());
  if (!TryLock(f, lock_offsets::kOpen, LockKind::Shared))
    throw DatabaseError(ErrorReason::InUse, "table " + file_name + " is opened exclusively by another user");
  const uint64_t size = f.Size();
  DbfHeader h;
  try {
    uint8_t prefix[kHeaderPrefix];
    if (size < kHeaderPrefix + 1 || !f.ReadExact(0, prefix, sizeof prefix))
      throw DatabaseError(ErrorReason::Damaged, "damaged data file: truncated header");
    std::vector<uint8_t> raw(HeaderBytesNeeded(prefix, size));
    if (!f.ReadExact(0, raw.data(), raw.size()))
      throw DatabaseError(ErrorReason::Damaged, "damaged data file: truncated header");
    h = ParseHeader(raw.data(), raw.size(), size);
  } catch (const DatabaseError& e) {
    problem(e.what());
    return rep;
  }
  const uint64_t body = size - h.header_size;
  const uint64_t avail = body / h.record_size;
  if (h.record_count > avail)
    problem("header claims " + std::to_string(h.record_count) + " records, the file holds " + std::to_string(avail));
  rep.records = std::min<uint64_t>(h.record_count, avail);
  uint64_t tail = body - rep.records * h.record_size;
  if (tail == 0) {
    rep.notes.push_back("no end-of-file marker");
  } else {
    uint8_t b = 0;
    f.ReadExact(h.header_size + rep.records * h.record_size, &b, 1);
    if (b != kEndOfFile) rep.notes.push_back("no end-of-file marker after the last record");
    if (tail >= h.record_size) rep.notes.push_back(std::to_string(tail / h.record_size) +
                                                   " complete record(s) past the header's count (a writer stopped before counting them; taken in on open)");
  }

  MemoFile memo;
  bool memo_ok = false;
  if (h.HasMemoFields()) {
    try {
      memo.Open(CompanionOf(path, ".dbt"), h.Memo(), true);
      memo_ok = true;
    } catch (const DatabaseError& e) {
      problem(e.what());
    }
  }
  std::vector<uint8_t> rec(h.record_size);
  for (uint64_t r = 1; r <= rep.records; ++r) {
    if (!f.ReadExact(h.header_size + (r - 1) * h.record_size, rec.data(), rec.size())) break;
    const std::string where = "record " + std::to_string(r);
    if (rec[0] == kDeletedFlag) ++rep.deleted;
    else if (rec[0] != kLiveFlag) problem(where + ": deleted flag is neither blank nor '*'");
    for (const auto& fd : h.fields) {
      std::string_view v(reinterpret_cast<const char*>(rec.data()) + fd.offset, size_t(fd.width));
      try {
        switch (fd.kind) {
          case FieldKind::Numeric: ParseNumber(v); break;
          case FieldKind::Date: ParseDate(v); break;
          case FieldKind::Logical:
            if (!ParseLogical(v[0]) && v[0] != ' ' && v[0] != '?') throw ValueError("unreadable logical value");
            break;
          case FieldKind::Memo:
          case FieldKind::LargeObject: {
            uint32_t block = ParseMemoRef(v);
            if (block != 0 && memo_ok) memo.Read(block);
            break;
          }
          case FieldKind::Text: break;
        }
      } catch (const EngineError& e) {
        problem(where + ", field " + fd.name + ": " + e.what());
      }
    }
  }
  return rep;
}

}  // namespace quillary::dbase
