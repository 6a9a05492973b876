// Whole-table operations: create, pack, empty, delete, copy and rename,
// always covering the data file and its companions together.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/dbase/bytes.h"
#include "platform/dbase/companions.h"
#include "platform/dbase/field_codec.h"
#include "platform/dbase/table_impl.h"
#include "platform/files/case_path.h"

namespace quillary::dbase {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTempSuffix = ".tmp$";

std::string LowerExt(std::string_view ext) {
  std::string e(ext);
  for (auto& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

// Opens a data file and takes its open lock exclusively: nobody else may
// have the table open. The returned file keeps the lock while it lives.
File LockWholeTable(const fs::path& dbf, const std::string& name) {
  File f;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (!f.OpenExisting(dbf)) throw DatabaseError(ErrorReason::Missing, "table not found: " + dbf.string());
    if (!TryLock(f, lock_offsets::kOpen, LockKind::Exclusive))
      throw DatabaseError(ErrorReason::InUse, "table " + name + " is in use by another user");
    if (f.SameFileAsPath()) return f;
    f.Close();
  }
  throw DatabaseError(ErrorReason::InUse, "table " + name + " keeps being replaced");
}

void RenameOrThrow(const fs::path& from, const fs::path& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw DatabaseError(ErrorReason::Io, "cannot rename " + from.string() + " to " + to.string() + ": " +
                                             std::strerror(errno));
}

void RemoveQuietly(const fs::path& p) {
  std::error_code ec;
  fs::remove(p, ec);
}

// Copies a whole file to `to` through a temporary name, synced.
void CopyFileDurably(const fs::path& from, const fs::path& to) {
  File src;
  if (!src.OpenExisting(from, true)) throw DatabaseError(ErrorReason::Missing, "file not found: " + from.string());
  fs::path tmp = to;
  tmp += kTempSuffix;
  File dst;
  dst.Create(tmp);
  std::vector<uint8_t> buf(1 << 20);
  uint64_t off = 0;
  for (;;) {
    size_t n = src.ReadAt(off, buf.data(), buf.size());
    if (n == 0) break;
    dst.WriteAt(off, buf.data(), n);
    off += n;
  }
  dst.SyncData();
  dst.Close();
  RenameOrThrow(tmp, to);
}

// Target companion path: an existing one of any case, else lower-case.
fs::path TargetCompanion(const fs::path& target_dbf, std::string_view ext) {
  fs::path found = CompanionOf(target_dbf, ext);
  std::error_code ec;
  if (fs::exists(found, ec)) return found;
  return target_dbf.parent_path() / (TableBase(target_dbf) + LowerExt(ext));
}

// Present while a pack moves its new files into place: from then on the new
// files are complete and must both be taken, or memo references and memo
// blocks would not match.
fs::path PackMarker(const fs::path& dbf) { return dbf.parent_path() / (TableBase(dbf) + ".pk$"); }

fs::path TempOf(const fs::path& p) {
  fs::path t = p;
  t += kTempSuffix;
  return t;
}

}  // namespace

bool PackInterrupted(const fs::path& dbf) {
  std::error_code ec;
  return fs::exists(PackMarker(dbf), ec);
}

void FinishInterruptedPack(const fs::path& dbf) {
  std::error_code ec;
  const fs::path memo = CompanionOf(dbf, ".dbt");
  if (fs::exists(TempOf(memo), ec)) RenameOrThrow(TempOf(memo), memo);
  if (fs::exists(TempOf(dbf), ec)) RenameOrThrow(TempOf(dbf), dbf);
  SyncDirectory(dbf.parent_path());
  RemoveQuietly(PackMarker(dbf));
  SyncDirectory(dbf.parent_path());
}

bool TableExists(const fs::path& directory, const std::string& file_name) {
  std::error_code ec;
  return fs::is_regular_file(FindDataFile(directory, file_name), ec);
}

void Table::Create(const fs::path& directory, const std::string& file_name, const std::vector<FieldDef>& fields,
                   bool overwrite) {
  DbfHeader h = BuildHeader(fields);
  fs::path existing = FindDataFile(directory, file_name);
  std::error_code ec;
  File hold;  // keeps the old table locked until it is replaced
  if (fs::exists(existing, ec)) {
    if (!overwrite) throw DatabaseError(ErrorReason::Exists, "table exists: " + existing.string());
    hold = LockWholeTable(existing, file_name);
    for (const auto& c : ExistingCompanions(existing)) RemoveQuietly(c);
  }
  fs::path dbf = fs::exists(existing, ec) ? existing : directory / file_name;
  std::vector<uint8_t> bytes = SerializeHeader(h);
  bytes.push_back(kEndOfFile);
  if (h.HasMemoFields()) MemoFile::CreateNew(TargetCompanion(dbf, ".dbt"), MemoDialect::DBase4, TableBase(dbf));
  {
    File cpg;
    cpg.Create(TargetCompanion(dbf, ".cpg"));
    const std::string text = CpgTextFor(CodePage::Utf8);
    cpg.WriteAt(0, text.data(), text.size());
  }
  fs::path tmp = dbf;
  tmp += kTempSuffix;
  File out;
  out.Create(tmp);
  out.WriteAt(0, bytes.data(), bytes.size());
  out.SyncData();
  out.Close();
  RenameOrThrow(tmp, dbf);
  SyncDirectory(dbf.parent_path());
}

void DeleteTable(const fs::path& directory, const std::string& file_name) {
  fs::path dbf = FindDataFile(directory, file_name);
  File hold = LockWholeTable(dbf, file_name);
  for (const auto& c : ExistingCompanions(dbf)) RemoveQuietly(c);
  if (::unlink(dbf.c_str()) != 0)
    throw DatabaseError(ErrorReason::Io, "cannot delete " + dbf.string() + ": " + std::strerror(errno));
  SyncDirectory(dbf.parent_path());
}

void CopyTable(const fs::path& source_dir, const std::string& source_name, const fs::path& target_dir,
               const std::string& target_name, bool overwrite) {
  fs::path src = FindDataFile(source_dir, source_name);
  File src_file;
  if (!src_file.OpenExisting(src, true)) throw DatabaseError(ErrorReason::Missing, "table not found: " + src.string());
  if (!TryLock(src_file, lock_offsets::kOpen, LockKind::Shared))
    throw DatabaseError(ErrorReason::InUse, "table " + source_name + " is opened exclusively by another user");
  fs::path dst = FindDataFile(target_dir, target_name);
  std::error_code ec;
  File hold;
  if (fs::exists(dst, ec)) {
    if (fs::equivalent(src, dst, ec)) throw DatabaseError(ErrorReason::Other, "cannot copy a table onto itself");
    if (!overwrite) throw DatabaseError(ErrorReason::Exists, "table exists: " + dst.string());
    hold = LockWholeTable(dst, target_name);
  } else {
    dst = target_dir / target_name;
  }
  // Appends are kept out while the files are read, so data and memo match.
  // A read-only source cannot take the write lock; copying it is still safe
  // enough since nobody can be writing what we cannot write either.
  bool header_locked = !src_file.ReadOnly();
  if (header_locked) {
    File rw;
    if (rw.OpenExisting(src) && !rw.ReadOnly()) {
      src_file = std::move(rw);
      if (!TryLock(src_file, lock_offsets::kOpen, LockKind::Shared))
        throw DatabaseError(ErrorReason::InUse, "table " + source_name + " is opened exclusively by another user");
      LockHeaderOrThrow(src_file);
    } else {
      header_locked = false;
    }
  }
  // The old target's data file goes first: a copy cut short then leaves no
  // table rather than old data beside new memo blocks.
  if (hold.IsOpen() && ::unlink(dst.c_str()) != 0)
    throw DatabaseError(ErrorReason::Io, "cannot replace " + dst.string() + ": " + std::strerror(errno));
  // Old target companions the source lacks must not survive beside the copy.
  for (auto ext : kCompanionExtensions) {
    fs::path from = CompanionOf(src, ext);
    fs::path to = TargetCompanion(dst, ext);
    if (fs::exists(from, ec)) CopyFileDurably(from, to);
    else RemoveQuietly(to);
  }
  CopyFileDurably(src, dst);
  SyncDirectory(dst.parent_path());
  if (header_locked) Unlock(src_file, lock_offsets::kHeader);
}

namespace {

// Renames the data file `src` (when it exists) and the companions of the
// table it names to the base name of `new_name`, after checking that no
// target is taken. `src` is held by the caller when it exists.
void MoveTableFiles(const fs::path& directory, const fs::path& src, const std::string& new_name) {
  std::error_code ec;
  const bool has_data = fs::exists(src, ec);
  fs::path dst = FindDataFile(directory, new_name);
  bool same = files::EqualsIgnoreCase(src.filename().string(), new_name);
  if (!same && fs::exists(dst, ec)) throw DatabaseError(ErrorReason::Exists, "table exists: " + dst.string());
  dst = directory / new_name;
  const std::string new_base = TableBase(dst);
  for (auto ext : kCompanionExtensions) {
    fs::path from = CompanionOf(src, ext);
    if (!fs::exists(from, ec)) continue;
    fs::path to = directory / (new_base + LowerExt(ext));
    if (!same && fs::exists(to, ec)) throw DatabaseError(ErrorReason::Exists, "file exists: " + to.string());
  }
  for (auto ext : kCompanionExtensions) {
    fs::path from = CompanionOf(src, ext);
    if (fs::exists(from, ec)) RenameOrThrow(from, directory / (new_base + LowerExt(ext)));
  }
  if (has_data) RenameOrThrow(src, dst);
  SyncDirectory(directory);
}

}  // namespace

void RenameTable(const fs::path& directory, const std::string& old_name, const std::string& new_name) {
  fs::path src = FindDataFile(directory, old_name);
  File hold = LockWholeTable(src, old_name);
  MoveTableFiles(directory, src, new_name);
}

void MoveTableAside(const fs::path& directory, const std::string& file_name, const std::string& new_name) {
  fs::path src = FindDataFile(directory, file_name);
  std::error_code ec;
  // Without a data file nobody can have the table open: there is no lock
  // to take, only the companions to move.
  File hold;
  if (fs::exists(src, ec)) hold = LockWholeTable(src, file_name);
  MoveTableFiles(directory, src, new_name);
}

void ReplaceIndexFile(const fs::path& directory, const std::string& file_name, const fs::path& replacement) {
  const fs::path dbf = FindDataFile(directory, file_name);
  File hold = LockWholeTable(dbf, file_name);
  std::error_code ec;
  const fs::path existing = CompanionOf(dbf, ".mdx");
  if (fs::exists(existing, ec) && ::unlink(existing.c_str()) != 0)
    throw DatabaseError(ErrorReason::Io, "cannot delete " + existing.string() + ": " + std::strerror(errno));
  if (fs::is_regular_file(replacement, ec)) CopyFileDurably(replacement, TargetCompanion(dbf, ".mdx"));
  SyncDirectory(dbf.parent_path());
}

// ---------------------------------------------------------------- pack/empty

namespace {
// Runs `work` with this table object holding the table exclusively:
// upgrades a shared open for the duration, or opens a closed table.
template <typename Work>
void WithExclusiveUse(Table& t, Table::Impl* impl, Work work) {
  if (!impl) throw DatabaseError(ErrorReason::InvalidState, "table is not open");
  if (impl->exclusive) return work();
  if (!TryLock(impl->dbf, lock_offsets::kOpen, LockKind::Exclusive))
    throw DatabaseError(ErrorReason::InUse, "table " + t.FileName() + " is in use by another user");
  try {
    work();
  } catch (...) {
    TryLock(impl->dbf, lock_offsets::kOpen, LockKind::Shared);
    throw;
  }
  TryLock(impl->dbf, lock_offsets::kOpen, LockKind::Shared);
}
}  // namespace

void Table::Pack() {
  bool was_open = IsOpen();
  bool was_exclusive = exclusive_;
  if (!was_open) {
    exclusive_ = true;
    try {
      Open();
    } catch (...) {
      exclusive_ = was_exclusive;
      throw;
    }
    exclusive_ = was_exclusive;
  }
  RequireWritable();
  LeaveEdit();
  auto body = [&] {
    Impl& im = *impl_;
    im.WriteCount();
    im.RefreshFromHeader(true);
    const fs::path dbf = im.dbf_path;
    fs::path tmp_dbf = dbf;
    tmp_dbf += kTempSuffix;
    fs::path memo_path;
    fs::path tmp_memo;
    MemoFile new_memo;
    const bool with_memo = im.header.HasMemoFields();
    if (with_memo) {
      memo_path = CompanionOf(dbf, ".dbt");
      tmp_memo = memo_path;
      tmp_memo += kTempSuffix;
      im.memo.CreateEmptyCopy(tmp_memo);
      new_memo.Open(tmp_memo, im.memo.dialect(), false);
    }
    File out;
    out.Create(tmp_dbf);
    std::vector<uint8_t> header = im.header.raw;
    const size_t rs = im.header.record_size;
    std::vector<uint8_t> rec(rs), pending;
    pending.reserve(1 << 20);
    uint64_t write_off = header.size();
    uint32_t kept = 0;
    try {
      for (RecNo r = 1; r <= im.count; ++r) {
        if (!im.ReadRecord(r, rec.data())) break;
        if (rec[0] == kDeletedFlag) continue;
        if (with_memo) {
          for (const auto& f : im.header.fields) {
            if (f.kind != FieldKind::Memo && f.kind != FieldKind::LargeObject) continue;
            std::string_view slot(reinterpret_cast<const char*>(rec.data()) + f.offset, size_t(f.width));
            uint32_t block = ParseMemoRef(slot);
            uint32_t nb = block == 0 ? 0 : new_memo.Append(im.memo.Read(block));
            std::string ref = FormatMemoRef(nb, f.width);
            std::memcpy(rec.data() + f.offset, ref.data(), size_t(f.width));
          }
        }
        pending.insert(pending.end(), rec.begin(), rec.end());
        ++kept;
        if (pending.size() >= (1u << 20)) {
          out.WriteAt(write_off, pending.data(), pending.size());
          write_off += pending.size();
          pending.clear();
        }
      }
      pending.push_back(kEndOfFile);
      out.WriteAt(write_off, pending.data(), pending.size());
      PutU32(header.data() + hdr::kRecordCount, kept);
      // A fresh deletion counter value tells other caches to start over.
      PutU32(header.data() + hdr::kDeleteCounter, GetU32(header.data() + hdr::kDeleteCounter) + 1);
      out.WriteAt(0, header.data(), header.size());
      out.SyncData();
      if (with_memo) {
        new_memo.WritePointer();
        new_memo.file().SyncData();
      }
    } catch (...) {
      out.Close();
      new_memo.Close();
      RemoveQuietly(tmp_dbf);
      if (with_memo) RemoveQuietly(tmp_memo);
      throw;
    }
    // The new data file is locked before it gets the table's name, so no one
    // can slip in between.
    if (!TryLock(out, lock_offsets::kOpen, LockKind::Exclusive))
      throw DatabaseError(ErrorReason::InUse, "cannot lock the packed table");
    if (with_memo) new_memo.Close();
    {
      File marker;
      marker.Create(PackMarker(dbf));
      marker.SyncData();
    }
    SyncDirectory(dbf.parent_path());
    if (with_memo) RenameOrThrow(tmp_memo, memo_path);
    RenameOrThrow(tmp_dbf, dbf);
    SyncDirectory(dbf.parent_path());
    RemoveQuietly(PackMarker(dbf));
    SyncDirectory(dbf.parent_path());
    out.set_path(dbf);
    im.dbf = std::move(out);
    if (with_memo) im.memo.Open(memo_path, im.header.Memo(), false);
    std::vector<uint8_t> raw(im.header.header_size);
    im.dbf.ReadExact(0, raw.data(), raw.size());
    im.header = ParseHeader(raw.data(), raw.size(), im.dbf.Size());
    im.cache_valid = false;
    im.RefreshFromHeader(true);
    if (observer_) observer_->OnPacked();
  };
  try {
    WithExclusiveUse(*this, impl_.get(), body);
  } catch (...) {
    if (!was_open) Close();
    throw;
  }
  recno_ = 0;
  First();
  if (!was_open) Close();
}

void Table::Empty() {
  bool was_open = IsOpen();
  bool was_exclusive = exclusive_;
  if (!was_open) {
    exclusive_ = true;
    try {
      Open();
    } catch (...) {
      exclusive_ = was_exclusive;
      throw;
    }
    exclusive_ = was_exclusive;
  }
  RequireWritable();
  if (state_ != EditState::Browse) Cancel();
  auto body = [&] {
    Impl& im = *impl_;
    uint8_t c[4];
    im.dbf.ReadExact(hdr::kDeleteCounter, c, 4);
    PutU32(c, GetU32(c) + 1);
    im.dbf.WriteAt(hdr::kDeleteCounter, c, 4);
    PutU32(c, 0);
    im.dbf.WriteAt(hdr::kRecordCount, c, 4);
    im.count_unwritten = false;
    uint8_t eof = kEndOfFile;
    im.dbf.WriteAt(im.header.header_size, &eof, 1);
    im.dbf.Truncate(uint64_t(im.header.header_size) + 1);
    if (im.memo.IsOpen()) im.memo.Reset();
    im.SyncNow();
    im.cache_valid = false;
    im.RefreshFromHeader(true);
    if (observer_) observer_->OnEmptied();
  };
  try {
    WithExclusiveUse(*this, impl_.get(), body);
  } catch (...) {
    if (!was_open) Close();
    throw;
  }
  recno_ = 0;
  First();
  if (!was_open) Close();
}

}  // namespace quillary::dbase
