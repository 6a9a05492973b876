#include "platform/dbase/table.h"

#include <algorithm>
#include <utility>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/dbase/bytes.h"
#include "platform/dbase/companions.h"
#include "platform/dbase/field_codec.h"
#include "platform/dbase/table_impl.h"

// Durability policy. A post writes the record (and its memo blocks) into the
// file with pwrite before it returns, so it survives the death of the
// process at any later moment: the kernel holds it. Against power loss the
// files are flushed with fdatasync at most once per second of posting (the
// first post after a quiet second is flushed at once), at close, and after
// every whole-table operation. A flush per post would make copy loops over
// large tables take minutes while adding nothing against a killed process.
//
// Write order keeps a killed writer harmless: memo blocks before the memo
// file's next-free pointer, the record (with the end-of-file byte) before
// the header's record count. A record past the count is an unacknowledged
// post; the next append reuses its slot. A header count beyond the file's
// end (a truncated copy) is lowered on open to the records really there.

namespace quillary::dbase {

namespace {
constexpr auto kSyncInterval = std::chrono::seconds(1);
constexpr int kHeaderLockTimeoutMs = 10000;
constexpr int kReplacedRetries = 5;
constexpr size_t kReadAheadBytes = 64 * 1024;

[[noreturn]] void ThrowState(const std::string& what) { throw DatabaseError(ErrorReason::InvalidState, what); }
}  // namespace

void LockHeaderOrThrow(const File& f) {
  if (!LockWithTimeout(f, lock_offsets::kHeader, LockKind::Exclusive, kHeaderLockTimeoutMs))
    throw DatabaseError(ErrorReason::InUse, "the table header is locked by another user");
}

namespace {
class HeaderLock {
 public:
  explicit HeaderLock(const File& f) : f_(f) { LockHeaderOrThrow(f_); }
  ~HeaderLock() {
    try {
      Unlock(f_, lock_offsets::kHeader);
    } catch (...) {
      // The lock goes with the descriptor at the latest; a destructor
      // cannot report it.
    }
  }

 private:
  const File& f_;
};
}  // namespace

void Table::Impl::RefreshFromHeader(bool force) {
  // Under exclusive use nobody else changes the file: what this object
  // knows is current (and its count may be ahead of the header's).
  if (exclusive && primed && !force) return;
  uint8_t b[20];
  if (!dbf.ReadExact(0, b, sizeof b)) throw DatabaseError(ErrorReason::Damaged, "data file header vanished");
  uint32_t c = GetU32(b + hdr::kRecordCount);
  // Never believe a count beyond the records the file holds.
  uint64_t size = dbf.Size();
  uint64_t avail = size > header.header_size ? (size - header.header_size) / header.record_size : 0;
  count = uint32_t(std::min<uint64_t>(c, avail));
  uint32_t counter = GetU32(b + hdr::kDeleteCounter);
  if (counter != counter_seen || scanned > count) {
    cache_valid = false;
    counter_seen = counter;
  }
}

bool Table::Impl::ReadRecord(RecNo r, uint8_t* out) const {
  if (r < 1 || r > count) return false;
  const size_t rs = header.record_size;
  const RecNo last = std::exchange(last_read, r);
  if (!exclusive) return dbf.ReadExact(RecordOffset(r), out, rs);
  if (run_count == 0 || run_writes != dbf.WriteCount() || r < run_first || r - run_first >= run_count) {
    // Only a walk in order reads ahead (forwards or backwards); a jump, as
    // in index order, reads the one record.
    if (r != last + 1 && r + 1 != last) return dbf.ReadExact(RecordOffset(r), out, rs);
    const uint32_t per_run = uint32_t(std::max<size_t>(1, kReadAheadBytes / rs));
    RecNo first = r;
    uint32_t n = std::min<uint32_t>(per_run, count - r + 1);
    if (r + 1 == last) {  // backwards: the run ends at r
      first = r >= per_run ? r - per_run + 1 : 1;
      n = r - first + 1;
    }
    run.resize(size_t(n) * rs);
    run_count = uint32_t(dbf.ReadAt(RecordOffset(first), run.data(), run.size()) / rs);
    run_first = first;
    run_writes = dbf.WriteCount();
    if (r - run_first >= run_count) {
      run_count = 0;
      return false;
    }
  }
  std::memcpy(out, run.data() + size_t(r - run_first) * rs, rs);
  return true;
}

void Table::Impl::SyncNow() {
  if (memo.IsOpen()) memo.WritePointer();
  WriteCount();
  dbf.SyncData();
  if (memo.IsOpen()) memo.file().SyncData();
  unsynced = false;
  last_sync = std::chrono::steady_clock::now();
}

void Table::Impl::WriteCount() {
  if (!count_unwritten) return;
  uint8_t h[7];
  h[0] = stamp.year;
  h[1] = stamp.month;
  h[2] = stamp.day;
  PutU32(h + 3, count);
  dbf.WriteAt(hdr::kDate, h, sizeof h);
  count_unwritten = false;
}

void Table::Impl::AdoptUncounted() {
  uint64_t size = dbf.Size();
  uint64_t avail = size > header.header_size ? (size - header.header_size) / header.record_size : 0;
  uint8_t flag = 0;
  while (count < avail && dbf.ReadExact(RecordOffset(count + 1), &flag, 1) &&
         (flag == kLiveFlag || flag == kDeletedFlag))
    ++count;
}

void Table::Impl::AfterWrite(bool) {
  auto now = std::chrono::steady_clock::now();
  if (now - last_sync >= kSyncInterval) SyncNow();
  else unsynced = true;
}

// ---------------------------------------------------------------- binding

Table::Table() = default;

Table::Table(std::filesystem::path directory, std::string file_name, TableType type) {
  Bind(std::move(directory), std::move(file_name), type);
}

Table::~Table() {
  try {
    Close();
  } catch (...) {
    // Posted records are already in the file; what failed is the final
    // sync, which a destructor cannot report.
  }
}

void Table::Bind(std::filesystem::path directory, std::string file_name, TableType type) {
  if (IsOpen()) ThrowState("cannot rebind an open table");
  dir_ = std::move(directory);
  file_name_ = std::move(file_name);
  type_ = type;
}

void Table::SetExclusive(bool exclusive) {
  if (IsOpen()) ThrowState("the exclusive flag is set before opening");
  exclusive_ = exclusive;
}

void Table::SetActiveTag(std::string tag) {
  std::string previous = std::exchange(active_tag_, std::move(tag));
  try {
    ApplyActiveTag();  // table_index.cpp
  } catch (...) {
    active_tag_ = std::move(previous);
    throw;
  }
}

bool Table::IsOpen() const { return impl_ != nullptr; }

void Table::RequireOpen() const {
  if (!impl_) ThrowState("table " + file_name_ + " is not open");
}

void Table::RequireWritable() const {
  RequireOpen();
  if (impl_->dbf.ReadOnly()) ThrowState("table " + file_name_ + " is read-only");
}

std::filesystem::path Table::CompanionPath(std::string_view ext) const {
  std::filesystem::path dbf = impl_ ? impl_->dbf_path : FindDataFile(dir_, file_name_);
  return CompanionOf(dbf, ext);
}

// ---------------------------------------------------------------- open/close

void Table::Open() {
  if (impl_) return;
  auto impl = std::make_unique<Impl>();
  for (int attempt = 0;; ++attempt) {
    impl->dbf_path = FindDataFile(dir_, file_name_);
    if (!impl->dbf.OpenExisting(impl->dbf_path))
      throw DatabaseError(ErrorReason::Missing, "table not found: " + impl->dbf_path.string());
    if (!TryLock(impl->dbf, lock_offsets::kOpen, exclusive_ ? LockKind::Exclusive : LockKind::Shared)) {
      impl->dbf.Close();
      throw DatabaseError(ErrorReason::InUse, exclusive_ ? "table " + file_name_ + " is in use by another user"
                                                         : "table " + file_name_ + " is opened exclusively by another user");
    }
    // The path may have been replaced (pack, copy over) between open and
    // lock; the lock on the old file would protect nothing.
    if (impl->dbf.SameFileAsPath()) {
      if (!PackInterrupted(impl->dbf_path)) break;
      // Finish a pack that was killed halfway, then open what it made.
      if (TryLock(impl->dbf, lock_offsets::kOpen, LockKind::Exclusive)) FinishInterruptedPack(impl->dbf_path);
      else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    impl->dbf.Close();
    if (attempt >= kReplacedRetries) throw DatabaseError(ErrorReason::InUse, "table " + file_name_ + " keeps being replaced");
  }
  impl->exclusive = exclusive_;

  const uint64_t size = impl->dbf.Size();
  uint8_t prefix[kHeaderPrefix];
  if (size < kHeaderPrefix + 1 || !impl->dbf.ReadExact(0, prefix, sizeof prefix))
    throw DatabaseError(ErrorReason::Damaged, "damaged data file: truncated header: " + impl->dbf_path.string());
  size_t need = HeaderBytesNeeded(prefix, size);
  std::vector<uint8_t> raw(need);
  if (!impl->dbf.ReadExact(0, raw.data(), raw.size()))
    throw DatabaseError(ErrorReason::Damaged, "damaged data file: truncated header");
  impl->header = ParseHeader(raw.data(), raw.size(), size);

  // Code page: a .cpg file decides, then the language driver.
  std::optional<CodePage> cp;
  auto cpg = CompanionOf(impl->dbf_path, ".cpg");
  File cpg_file;
  if (cpg_file.OpenExisting(cpg, true)) {
    char text[64] = {};
    size_t n = cpg_file.ReadAt(0, text, sizeof text - 1);
    cp = CodePageFromCpgText(std::string_view(text, n));
  }
  if (!cp) cp = CodePageFromLanguageDriver(impl->header.language_driver);
  impl->codepage = cp.value_or(CodePage::Windows1252);

  if (impl->header.HasMemoFields()) {
    impl->memo.Open(CompanionOf(impl->dbf_path, ".dbt"), impl->header.Memo(), impl->dbf.ReadOnly());
    impl->memo.SetSoleWriter(exclusive_);
  }

  impl->RefreshFromHeader(true);
  // Complete records past the header's count were written by a writer
  // that died before it counted them (an exclusive writer counts only at
  // its flushes): they are taken in. A header that claims more records than
  // the file holds is lowered to what is there.
  impl->AdoptUncounted();
  if (!impl->dbf.ReadOnly() && impl->count != impl->header.record_count) {
    // Decide again under the lock: what looked uncounted may be a post in
    // flight, which its writer counts before it lets the lock go.
    HeaderLock lock(impl->dbf);
    uint8_t c[4];
    if (!impl->dbf.ReadExact(hdr::kRecordCount, c, 4))
      throw DatabaseError(ErrorReason::Damaged, "damaged data file: truncated header");
    impl->RefreshFromHeader(true);
    impl->AdoptUncounted();
    if (impl->count != GetU32(c)) {
      PutU32(c, impl->count);
      impl->dbf.WriteAt(hdr::kRecordCount, c, 4);
      uint8_t eof = kEndOfFile;
      impl->dbf.WriteAt(impl->RecordOffset(impl->count + 1), &eof, 1);
      impl->SyncNow();
    }
  }
  impl->last_sync = std::chrono::steady_clock::now();
  StampToday(impl->stamp);
  impl->primed = true;

  impl_ = std::move(impl);
  buf_.assign(impl_->header.record_size, ' ');
  recno_ = 0;
  state_ = EditState::Browse;
  try {
    OpenIndex();
  } catch (...) {
    CloseIndex();
    impl_.reset();
    buf_.clear();
    throw;
  }
  First();
}

void Table::Close() {
  if (!impl_) return;
  if (state_ != EditState::Browse) {
    impl_->pending.clear();
    state_ = EditState::Browse;
  }
  ReleaseRecordLock();
  std::exception_ptr err;
  try {
    if (impl_->unsynced || impl_->count_unwritten) impl_->SyncNow();
  } catch (...) {
    err = std::current_exception();
  }
  CloseIndex();
  impl_.reset();  // closing the descriptors drops this object's locks only
  recno_ = 0;
  eof_ = bof_ = true;
  buf_.clear();
  if (err) std::rethrow_exception(err);
}

void Table::Flush() {
  RequireOpen();
  impl_->SyncNow();
}

// ---------------------------------------------------------------- fields

int Table::FieldCount() const {
  RequireOpen();
  return int(impl_->header.fields.size());
}

const FieldDef& Table::Field(int index) const {
  CheckField(index);
  return impl_->header.fields[size_t(index)];
}

int Table::FieldIndex(std::string_view name) const {
  RequireOpen();
  for (size_t i = 0; i < impl_->header.fields.size(); ++i) {
    const auto& n = impl_->header.fields[i].name;
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
      return int(i);
  }
  return -1;
}

CodePage Table::TableCodePage() const {
  RequireOpen();
  return impl_->codepage;
}

uint8_t Table::Version() const {
  RequireOpen();
  return impl_->header.version;
}

bool Table::HasProductionIndex() const {
  RequireOpen();
  uint8_t b = 0;
  impl_->dbf.ReadExact(hdr::kMdxFlag, &b, 1);
  return b != 0;
}

void Table::SetProductionIndexFlag(bool on) {
  RequireWritable();
  uint8_t b = on ? 1 : 0;
  impl_->dbf.WriteAt(hdr::kMdxFlag, &b, 1);
  impl_->header.mdx_flag = b;
  if (!impl_->header.raw.empty()) impl_->header.raw[hdr::kMdxFlag] = b;
}

void Table::CheckField(int field) const {
  RequireOpen();
  if (field < 0 || field >= int(impl_->header.fields.size()))
    throw DatabaseError(ErrorReason::Other, "no field number " + std::to_string(field) + " in " + file_name_);
}

namespace {
std::string_view Slot(const std::vector<uint8_t>& buf, const FieldDef& f) {
  return std::string_view(reinterpret_cast<const char*>(buf.data()) + f.offset, size_t(f.width));
}
void PutSlot(std::vector<uint8_t>& buf, const FieldDef& f, std::string_view value) {
  // value is at most f.width bytes; the rest is blank.
  const size_t n = std::min(value.size(), size_t(f.width));
  std::memcpy(buf.data() + f.offset, value.data(), n);
  std::memset(buf.data() + f.offset + n, ' ', size_t(f.width) - n);
}
bool IsMemoKind(const FieldDef& f) { return f.kind == FieldKind::Memo || f.kind == FieldKind::LargeObject; }
}  // namespace

std::string Table::AsBytes(int field) const {
  const FieldDef& f = Field(field);
  if (!IsMemoKind(f)) return std::string(Slot(buf_, f));
  auto it = impl_->pending.find(field);
  if (it != impl_->pending.end()) return it->second;
  uint32_t block = ParseMemoRef(Slot(buf_, f));
  if (block == 0) return {};
  return impl_->memo.Read(block);
}

std::string Table::MemoTextOf(RecordBytes record, int field) const {
  const FieldDef& f = Field(field);
  if (!IsMemoKind(f) || record.size() != impl_->header.record_size) return {};
  uint32_t block =
      ParseMemoRef(std::string_view(reinterpret_cast<const char*>(record.data()) + f.offset, size_t(f.width)));
  if (block == 0) return {};
  std::string data = impl_->memo.Read(block);
  while (!data.empty() && data.back() == char(kEndOfFile)) data.pop_back();
  if (impl_->codepage == CodePage::Utf8 && IsValidUtf8(data)) return data;
  return ToUtf8(impl_->codepage, data);
}

std::string Table::AsText(int field) const {
  const FieldDef& f = Field(field);
  std::string_view s = Slot(buf_, f);
  switch (f.kind) {
    case FieldKind::Text:
      return ToUtf8(impl_->codepage, TrimBlanks(s));
    case FieldKind::Numeric:
      return std::string(TrimBlanks(s, true));
    case FieldKind::Date: {
      auto d = ParseDate(s);
      return d ? FormatDate(*d) : std::string();
    }
    case FieldKind::Logical: {
      auto b = ParseLogical(s[0]);
      return b ? (*b ? "T" : "F") : "";
    }
    case FieldKind::Memo: {
      std::string data = AsBytes(field);
      while (!data.empty() && data.back() == char(kEndOfFile)) data.pop_back();
      if (impl_->codepage == CodePage::Utf8 && IsValidUtf8(data)) return data;  // as it is, no copy
      return ToUtf8(impl_->codepage, data);
    }
    case FieldKind::LargeObject:
      return AsBytes(field);
  }
  return {};
}

double Table::AsNumber(int field) const {
  const FieldDef& f = Field(field);
  switch (f.kind) {
    case FieldKind::Numeric:
      return ParseNumber(Slot(buf_, f)).value_or(0.0);
    case FieldKind::Text:
      return ParseNumber(AsText(field)).value_or(0.0);
    case FieldKind::Logical: {
      auto b = ParseLogical(Slot(buf_, f)[0]);
      return b && *b ? 1.0 : 0.0;
    }
    default:
      throw ValueError("field " + f.name + " holds no number");
  }
}

std::optional<Date> Table::AsDate(int field) const {
  const FieldDef& f = Field(field);
  if (f.kind == FieldKind::Date) return ParseDate(Slot(buf_, f));
  if (f.kind == FieldKind::Text) {
    std::string t = AsText(field);
    if (t.empty()) return std::nullopt;
    return ParseDateText(t);
  }
  throw ValueError("field " + f.name + " holds no date");
}

bool Table::IsEmpty(int field) const {
  const FieldDef& f = Field(field);
  std::string_view s = Slot(buf_, f);
  switch (f.kind) {
    case FieldKind::Logical:
      return !ParseLogical(s[0]).has_value();
    case FieldKind::Date:
      return IsBlank(s) || s.find_first_not_of("0 ") == std::string_view::npos;
    case FieldKind::Memo:
    case FieldKind::LargeObject: {
      auto it = impl_->pending.find(field);
      if (it != impl_->pending.end()) return it->second.empty();
      if (s.size() == 4) return GetU32(reinterpret_cast<const uint8_t*>(s.data())) == 0;
      return IsBlank(s) || TrimBlanks(s, true) == "0";
    }
    default:
      return IsBlank(s);
  }
}

void Table::SetText(int field, std::string_view utf8) {
  const FieldDef& f = Field(field);
  if (state_ == EditState::Browse) ThrowState("table " + file_name_ + " is not in edit mode");
  switch (f.kind) {
    case FieldKind::Text: {
      if (impl_->codepage == CodePage::Utf8) {  // stored as given: no copy
        if (!IsValidUtf8(utf8)) throw ValueError("text is not valid UTF-8");
        PutSlot(buf_, f, utf8.substr(0, CutOnBoundary(CodePage::Utf8, utf8, size_t(f.width))));
        return;
      }
      std::string bytes = FromUtf8(impl_->codepage, utf8);
      bytes.resize(CutOnBoundary(impl_->codepage, bytes, size_t(f.width)));
      PutSlot(buf_, f, bytes);
      return;
    }
    case FieldKind::Numeric: {
      auto v = ParseNumber(utf8);
      if (!v) Clear(field);
      else SetNumber(field, *v);
      return;
    }
    case FieldKind::Date:
      if (IsBlank(utf8)) Clear(field);
      else SetDate(field, ParseDateText(utf8));
      return;
    case FieldKind::Logical: {
      std::string_view t = TrimBlanks(utf8, true);
      if (t.empty()) return Clear(field);
      auto b = ParseLogical(t[0]);
      if (!b) throw ValueError("not a logical value: \"" + std::string(utf8) + "\"");
      PutSlot(buf_, f, *b ? "T" : "F");
      return;
    }
    case FieldKind::Memo:
      impl_->pending[field] = FromUtf8(impl_->codepage, utf8);
      return;
    case FieldKind::LargeObject:
      impl_->pending[field] = std::string(utf8);
      return;
  }
}

void Table::SetNumber(int field, double value) {
  const FieldDef& f = Field(field);
  if (state_ == EditState::Browse) ThrowState("table " + file_name_ + " is not in edit mode");
  switch (f.kind) {
    case FieldKind::Numeric:
      PutSlot(buf_, f, FormatNumber(value, f.width, f.decimals));
      return;
    case FieldKind::Logical:
      PutSlot(buf_, f, value != 0 ? "T" : "F");
      return;
    case FieldKind::Text: {
      if (!std::isfinite(value)) throw ValueError("not a finite number");
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", value);
      SetText(field, buf);
      return;
    }
    default:
      throw ValueError("field " + f.name + " cannot hold a number");
  }
}

void Table::SetDate(int field, std::optional<Date> date) {
  const FieldDef& f = Field(field);
  if (state_ == EditState::Browse) ThrowState("table " + file_name_ + " is not in edit mode");
  if (date && !date->ok()) throw ValueError("impossible date");
  if (date && (int(date->year()) < 0 || int(date->year()) > 9999)) throw ValueError("year out of range");
  if (f.kind == FieldKind::Date) {
    PutSlot(buf_, f, date ? FormatDate(*date) : std::string());
  } else if (f.kind == FieldKind::Text) {
    SetText(field, date ? FormatDate(*date) : std::string());
  } else {
    throw ValueError("field " + f.name + " cannot hold a date");
  }
}

void Table::SetBytes(int field, std::string_view bytes) {
  const FieldDef& f = Field(field);
  if (state_ == EditState::Browse) ThrowState("table " + file_name_ + " is not in edit mode");
  if (IsMemoKind(f)) {
    if (impl_->header.Memo() == MemoDialect::DBase3 && bytes.find(char(kEndOfFile)) != std::string_view::npos)
      throw ValueError("a dBASE III memo cannot hold the byte 0x1A");
    impl_->pending[field] = std::string(bytes);
  } else {
    PutSlot(buf_, f, bytes.substr(0, size_t(f.width)));
  }
}

void Table::Clear(int field) {
  const FieldDef& f = Field(field);
  if (state_ == EditState::Browse) ThrowState("table " + file_name_ + " is not in edit mode");
  if (IsMemoKind(f)) impl_->pending[field] = std::string();
  else PutSlot(buf_, f, "");
}

void Table::CopyField(int field, const Table& source, int source_field) {
  const FieldDef& to = Field(field);
  const FieldDef& from = source.Field(source_field);
  if (source.IsEmpty(source_field)) return Clear(field);
  if (from.kind == FieldKind::LargeObject || to.kind == FieldKind::LargeObject) {
    if (IsMemoKind(to)) return SetBytes(field, source.AsBytes(source_field));
    return SetText(field, source.AsText(source_field));
  }
  if (to.kind == FieldKind::Numeric && (from.kind == FieldKind::Numeric || from.kind == FieldKind::Logical))
    return SetNumber(field, source.AsNumber(source_field));
  if (to.kind == FieldKind::Date && from.kind == FieldKind::Date) return SetDate(field, source.AsDate(source_field));
  SetText(field, source.AsText(source_field));
}

// ---------------------------------------------------------------- raw access

RecordBytes Table::CurrentRecordBytes() const {
  RequireOpen();
  return RecordBytes(buf_.data(), buf_.size());
}

RecNo Table::PhysicalRecordCount() {
  RequireOpen();
  impl_->RefreshFromHeader();
  return impl_->count;
}

// ---------------------------------------------------------------- navigation

bool Table::LoadRecord(RecNo recno) {
  Impl& im = *impl_;
  // The record the physical step just read is taken as it is: it was read
  // by this same navigation call.
  if (im.ahead_recno != recno || im.ahead.size() != im.header.record_size) {
    im.ahead.resize(im.header.record_size);
    if (!im.ReadRecord(recno, im.ahead.data())) {
      im.ahead_recno = 0;
      return false;
    }
  }
  im.ahead_recno = 0;
  if (im.ahead[0] == kDeletedFlag && !show_deleted_) return false;
  buf_.swap(im.ahead);
  recno_ = recno;
  im.pending.clear();
  return true;
}

std::optional<RecNo> Table::PhysicalNext(RecNo from, int dir) {
  impl_->ahead_recno = 0;
  int64_t r = int64_t(from) + dir;
  bool refreshed = false;
  for (;;) {
    if (r < 1) return std::nullopt;
    if (r > int64_t(impl_->count)) {
      if (dir < 0) {
        r = impl_->count;
        continue;
      }
      if (refreshed) return std::nullopt;
      impl_->RefreshFromHeader();
      refreshed = true;
      continue;
    }
    impl_->ahead.resize(impl_->header.record_size);
    if (impl_->ReadRecord(RecNo(r), impl_->ahead.data()) && (impl_->ahead[0] != kDeletedFlag || show_deleted_)) {
      impl_->ahead_recno = RecNo(r);
      return RecNo(r);
    }
    r += dir;
  }
}

// The one place navigation decides the next record: an ordering provider
// (active tag and range) when one is set, physical order otherwise.
std::optional<RecNo> Table::StepFrom(RecNo from, int dir) {
  if (!order_) return PhysicalNext(from, dir);
  std::vector<uint8_t> rec(impl_->header.record_size);
  RecNo at = from;
  const uint8_t* cur = buf_.data();
  if (at != recno_) {
    if (!impl_->ReadRecord(at, rec.data())) return std::nullopt;
    cur = rec.data();
  }
  for (;;) {
    auto next = dir > 0 ? order_->Next(at, RecordBytes(cur, impl_->header.record_size))
                        : order_->Prior(at, RecordBytes(cur, impl_->header.record_size));
    if (!next) return std::nullopt;
    impl_->RefreshFromHeader();
    if (impl_->ReadRecord(*next, rec.data()) && rec[0] != kDeletedFlag) return next;
    at = *next;
    cur = rec.data();
  }
}

std::optional<RecNo> Table::FirstOrLast(int dir) {
  impl_->RefreshFromHeader();
  if (!order_) return dir > 0 ? PhysicalNext(0, +1) : PhysicalNext(impl_->count + 1, -1);
  auto r = dir > 0 ? order_->First() : order_->Last();
  if (!r) return std::nullopt;
  std::vector<uint8_t> rec(impl_->header.record_size);
  if (impl_->ReadRecord(*r, rec.data()) && rec[0] != kDeletedFlag) return r;
  return StepFrom(*r, dir);
}

void Table::LeaveEdit() {
  if (state_ != EditState::Browse) Post();
}

void Table::First() {
  RequireOpen();
  LeaveEdit();
  auto r = FirstOrLast(+1);
  bof_ = true;
  eof_ = !r;
  if (!r || !LoadRecord(*r)) {
    recno_ = 0;
    buf_.assign(impl_->header.record_size, ' ');
    eof_ = true;
  }
}

void Table::Last() {
  RequireOpen();
  LeaveEdit();
  auto r = FirstOrLast(-1);
  eof_ = true;
  bof_ = !r;
  if (!r || !LoadRecord(*r)) {
    recno_ = 0;
    buf_.assign(impl_->header.record_size, ' ');
    bof_ = true;
  }
}

void Table::Next() { MoveBy(1); }
void Table::Prior() { MoveBy(-1); }

int Table::MoveBy(int n) {
  RequireOpen();
  LeaveEdit();
  eof_ = bof_ = false;
  if (recno_ == 0) {
    // No current record: an empty table stays at both ends.
    if (n > 0) First();
    else if (n < 0) Last();
    if (recno_ == 0) {
      eof_ = bof_ = true;
      return 0;
    }
    n += n > 0 ? -1 : 1;
    eof_ = bof_ = false;
  }
  // An index moves by position in one step instead of n.
  if (order_ && (n > 1 || n < -1)) {
    if (auto s = order_->Skip(recno_, RecordBytes(buf_.data(), buf_.size()), n); s && LoadRecord(s->first)) {
      if (s->second != n) (n > 0 ? eof_ : bof_) = true;
      return int(s->second);
    }
  }
  int moved = 0;
  const int dir = n > 0 ? 1 : -1;
  while (moved != n) {
    auto r = StepFrom(recno_, dir);
    if (!r || !LoadRecord(*r)) {
      if (dir > 0) eof_ = true;
      else bof_ = true;
      break;
    }
    moved += dir;
  }
  return moved;
}

void Table::GotoRecNo(RecNo recno) {
  RequireOpen();
  LeaveEdit();
  impl_->RefreshFromHeader();
  impl_->ahead_recno = 0;
  if (!LoadRecord(recno)) throw DatabaseError(ErrorReason::NotFound, "record " + std::to_string(recno) + " not found");
  eof_ = bof_ = false;
}

void Table::GotoBookmark(Bookmark b) { GotoRecNo(b.recno); }

void Table::GotoCurrent(const Table& other) {
  RequireOpen();
  other.RequireOpen();
  if (other.impl_->dbf_path != impl_->dbf_path &&
      !std::filesystem::equivalent(other.impl_->dbf_path, impl_->dbf_path))
    ThrowState("the other cursor is over another table");
  if (other.recno_ == 0) ThrowState("the other cursor stands on no record");
  GotoRecNo(other.recno_);
}

// ---------------------------------------------------------------- editing

void Table::ReleaseRecordLock() {
  if (locked_recno_ != 0 && impl_) {
    try {
      Unlock(impl_->dbf, lock_offsets::kRecordBase + locked_recno_);
    } catch (...) {
      // The lock is dropped with the descriptor at close at the latest.
    }
  }
  locked_recno_ = 0;
}

void Table::Edit() {
  RequireWritable();
  if (state_ != EditState::Browse) return;
  if (recno_ == 0) return Append();
  if (!TryLock(impl_->dbf, lock_offsets::kRecordBase + recno_, LockKind::Exclusive))
    throw DatabaseError(ErrorReason::InUse, "record " + std::to_string(recno_) + " is being edited by another user");
  locked_recno_ = recno_;
  // Edit what is in the file now, not what was read earlier.
  impl_->RefreshFromHeader();
  RecNo r = recno_;
  if (!LoadRecord(r)) {
    ReleaseRecordLock();
    throw DatabaseError(ErrorReason::NotFound, "record " + std::to_string(r) + " was deleted by another user");
  }
  old_buf_ = buf_;
  state_ = EditState::Edit;
}

void Table::Append() {
  RequireWritable();
  LeaveEdit();
  saved_recno_ = recno_;
  buf_.resize(impl_->header.record_size);
  std::memset(buf_.data(), ' ', buf_.size());
  // Binary memo references are zero, not blank.
  for (const auto& f : impl_->header.fields)
    if (IsMemoKind(f) && f.width == 4) std::memset(buf_.data() + f.offset, 0, 4);
  impl_->pending.clear();
  recno_ = 0;
  state_ = EditState::Insert;
  eof_ = bof_ = false;
  if (after_insert_) after_insert_(*this);
}

void Table::Post() {
  RequireOpen();
  if (state_ == EditState::Browse) return;
  if (before_post_) before_post_(*this);
  Impl& im = *impl_;
  const bool has_memo = !im.pending.empty();
  auto write_memos = [&] {
    std::vector<std::string_view> values;
    std::vector<int> fields;
    for (auto& [field, value] : im.pending) {
      if (value.empty()) {
        const FieldDef& f = im.header.fields[size_t(field)];
        PutSlot(buf_, f, FormatMemoRef(0, f.width));
      } else {
        fields.push_back(field);
        values.push_back(value);
      }
    }
    if (values.empty()) return;
    std::vector<uint32_t> blocks = im.memo.AppendMany(values);
    for (size_t i = 0; i < fields.size(); ++i) {
      const FieldDef& f = im.header.fields[size_t(fields[i])];
      PutSlot(buf_, f, FormatMemoRef(blocks[i], f.width));
    }
  };
  if (state_ == EditState::Insert) {
    // Under exclusive use nobody else appends: no lock, and our count is
    // the file's.
    std::optional<HeaderLock> lock;
    if (!im.exclusive) lock.emplace(im.dbf);
    if (has_memo) write_memos();
    if (!im.exclusive) {
      uint8_t c[4];
      if (!im.dbf.ReadExact(hdr::kRecordCount, c, 4)) throw DatabaseError(ErrorReason::Damaged, "data file header vanished");
      // A slot past the count belongs to a writer that died before it
      // counted it: its post was never acknowledged and is overwritten.
      im.count = GetU32(c);
    }
    RecNo slot = im.count + 1;
    im.post_buf.assign(buf_.begin(), buf_.end());
    im.post_buf.push_back(kEndOfFile);
    im.dbf.WriteAt(im.RecordOffset(slot), im.post_buf.data(), im.post_buf.size());
    im.count = slot;
    // Other users learn of the record from the header's count, so a shared
    // post writes it now; an exclusive one at its next flush (a record past
    // the count is taken in on open).
    im.count_unwritten = true;
    if (!im.exclusive) im.WriteCount();
    recno_ = slot;
    im.pending.clear();
    state_ = EditState::Browse;
    if (observer_) observer_->OnInsert(slot, RecordBytes(buf_.data(), buf_.size()));
  } else {
    if (has_memo) {
      std::optional<HeaderLock> lock;
      if (!im.exclusive) lock.emplace(im.dbf);
      write_memos();
    }
    ObservedWrite observed(observer_);
    im.dbf.WriteAt(im.RecordOffset(recno_), buf_.data(), buf_.size());
    im.pending.clear();
    state_ = EditState::Browse;
    observed.Done();
    try {
      if (observer_)
        observer_->OnUpdate(recno_, RecordBytes(old_buf_.data(), old_buf_.size()), RecordBytes(buf_.data(), buf_.size()));
    } catch (...) {
      ReleaseRecordLock();
      throw;
    }
    ReleaseRecordLock();
  }
  im.AfterWrite(has_memo);
  eof_ = bof_ = false;
}

void Table::Cancel() {
  RequireOpen();
  if (state_ == EditState::Browse) return;
  impl_->pending.clear();
  RecNo back = state_ == EditState::Insert ? saved_recno_ : recno_;
  state_ = EditState::Browse;
  ReleaseRecordLock();
  if (back == 0 || !LoadRecord(back)) {
    recno_ = 0;
    First();
  }
}

void Table::Delete() {
  RequireWritable();
  if (state_ == EditState::Insert) return Cancel();
  if (recno_ == 0) ThrowState("no record to delete in " + file_name_);
  Impl& im = *impl_;
  const RecNo r = recno_;
  bool own_lock = locked_recno_ == r;
  if (!own_lock) {
    if (!TryLock(im.dbf, lock_offsets::kRecordBase + r, LockKind::Exclusive))
      throw DatabaseError(ErrorReason::InUse, "record " + std::to_string(r) + " is being edited by another user");
    locked_recno_ = r;
  }
  state_ = EditState::Browse;
  im.pending.clear();
  try {
    std::vector<uint8_t> rec(im.header.record_size);
    if (im.ReadRecord(r, rec.data()) && rec[0] != kDeletedFlag) {
      HeaderLock lock(im.dbf);
      ObservedWrite observed(observer_);
      uint8_t flag = kDeletedFlag;
      im.dbf.WriteAt(im.RecordOffset(r), &flag, 1);
      uint8_t c[4];
      im.dbf.ReadExact(hdr::kDeleteCounter, c, 4);
      uint32_t counter = GetU32(c);
      PutU32(c, counter + 1);
      im.dbf.WriteAt(hdr::kDeleteCounter, c, 4);
      // Keep our own cached count when nobody else deleted meanwhile.
      if (im.cache_valid && counter == im.counter_seen) {
        im.counter_seen = counter + 1;
        if (r <= im.scanned) ++im.deleted;
      }
      observed.Done();
      if (observer_) observer_->OnDelete(r, RecordBytes(rec.data(), rec.size()));
      im.AfterWrite(false);
    }
  } catch (...) {
    ReleaseRecordLock();
    throw;
  }
  ReleaseRecordLock();
  auto next = StepFrom(r, +1);
  if (next && LoadRecord(*next)) {
    eof_ = bof_ = false;
    return;
  }
  auto prior = StepFrom(r, -1);
  if (prior && LoadRecord(*prior)) {
    eof_ = true;
    bof_ = false;
    return;
  }
  recno_ = 0;
  buf_.assign(im.header.record_size, ' ');
  eof_ = bof_ = true;
}

uint64_t Table::RecordCount() {
  RequireOpen();
  if (order_) {
    if (auto n = order_->Count()) return *n;
  }
  Impl& im = *impl_;
  im.RefreshFromHeader();
  if (!im.cache_valid) {
    im.scanned = 0;
    im.deleted = 0;
    im.cache_valid = true;
  }
  // Read the deleted flags of the records not yet counted, in large chunks.
  const size_t rs = im.header.record_size;
  const size_t per_chunk = std::max<size_t>(1, (1u << 20) / rs);
  std::vector<uint8_t> chunk;
  while (im.scanned < im.count) {
    size_t n = std::min<size_t>(per_chunk, im.count - im.scanned);
    chunk.resize(n * rs);
    size_t got = im.dbf.ReadAt(im.RecordOffset(im.scanned + 1), chunk.data(), chunk.size());
    size_t whole = got / rs;
    for (size_t i = 0; i < whole; ++i)
      if (chunk[i * rs] == kDeletedFlag) ++im.deleted;
    im.scanned += uint32_t(whole);
    if (whole < n) break;
  }
  return im.scanned - std::min<uint64_t>(im.deleted, im.scanned);
}

std::optional<uint64_t> Table::Position() {
  RequireOpen();
  if (recno_ == 0 || state_ == EditState::Insert || (!buf_.empty() && buf_[0] == kDeletedFlag && !show_deleted_)) return std::nullopt;
  const RecNo target = recno_;
  if (order_) {
    if (auto p = order_->Position(target)) return p;
    if (!order_->Contains(target, RecordBytes(buf_.data(), buf_.size()))) return std::nullopt;
  }
  impl_->RefreshFromHeader();
  std::optional<uint64_t> found;
  uint64_t p = 0;
  for (auto r = FirstOrLast(+1); r; r = StepFrom(*r, +1), ++p) {
    if (*r == target) {
      found = p;
      break;
    }
  }
  // The walk read ahead of the cursor; its next step must not take that.
  impl_->ahead_recno = 0;
  return found;
}

}  // namespace quillary::dbase
