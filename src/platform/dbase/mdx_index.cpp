#include "platform/dbase/mdx_index.h"

#include <algorithm>
#include <map>

#include "platform/dbase/errors.h"
#include "platform/dbase/file_io.h"

namespace quillary::dbase {

namespace {

// Writers hold this lock on the index file for a whole update; readers hold
// it shared while they load. It lies far beyond the file's contents.
constexpr uint64_t kIndexLock = 0x7FFFFFFF00000000ull;
constexpr int kLockWaitMs = 15000;
constexpr char kDeleted = '*';

// A record as stored, seen by a key expression.
class RecordView : public KeyRecord {
 public:
  RecordView(const IndexedTable& t, RecordBytes rec) : t_(t), rec_(rec) {}
  std::string_view FieldBytes(int field) const override {
    const FieldDef& f = t_.Fields()[size_t(field)];
    size_t off = size_t(f.offset);
    size_t w = size_t(f.width);
    if (off + w > rec_.size()) return {};
    return std::string_view(reinterpret_cast<const char*>(rec_.data()) + off, w);
  }
  std::string MemoText(int field) const override {
    // A damaged memo sorts as an empty one rather than making the whole
    // table unusable; reading the value still reports it.
    try {
      return t_.MemoBytes(rec_, field);
    } catch (const EngineError&) {
      return {};
    }
  }

 private:
  const IndexedTable& t_;
  RecordBytes rec_;
};

// Caller text to stored bytes, keeping bytes that are no UTF-8 as they are.
void ToKeyBytes(CodePage cp, std::string_view utf8, std::string& out, std::vector<bool>& raw) {
  std::string run;
  auto flush = [&] {
    if (run.empty()) return;
    std::string b;
    try {
      b = FromUtf8(cp, run);
    } catch (const ValueError& e) {
      throw DatabaseError(ErrorReason::Other, std::string("Key value cannot be stored: ") + e.what());
    }
    out += b;
    raw.insert(raw.end(), b.size(), false);
    run.clear();
  };
  size_t i = 0;
  while (i < utf8.size()) {
    size_t start = i;
    char32_t c = DecodeUtf8(utf8, i);
    if (i == start) i = start + 1;
    bool invalid = c == 0xFFFD && utf8.substr(start, i - start) != "\xEF\xBF\xBD";
    if (invalid) {
      flush();
      for (size_t k = start; k < i; ++k) {
        out.push_back(utf8[k]);
        raw.push_back(true);
      }
    } else {
      run.append(utf8.substr(start, i - start));
    }
  }
  flush();
}

// A key record: blank fields except those the caller gave.
class ValuesView : public KeyRecord {
 public:
  ValuesView(const IndexedTable& t, const KeyValues& values) {
    const auto& fields = t.Fields();
    bytes_.resize(fields.size());
    masks_.resize(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) bytes_[i].assign(size_t(fields[i].width), ' ');
    for (const auto& [field, text] : values) {
      if (field < 0 || size_t(field) >= fields.size())
        throw DatabaseError(ErrorReason::Other, "Key record has no field " + std::to_string(field));
      const FieldDef& f = fields[size_t(field)];
      std::string b;
      std::vector<bool> raw;
      ToKeyBytes(t.TableCodePage(), text, b, raw);
      if (f.type == 'M') {
        memos_[field] = b;
        continue;
      }
      if (f.type == 'N' || f.type == 'F') {
        // Numbers are stored right-aligned.
        std::string trimmed = b.substr(0, b.find_last_not_of(' ') + 1);
        trimmed.erase(0, std::min(trimmed.size(), trimmed.find_first_not_of(' ')));
        if (trimmed.size() > size_t(f.width)) trimmed.resize(size_t(f.width));
        b = std::string(size_t(f.width) - trimmed.size(), ' ') + trimmed;
        raw.clear();
      }
      size_t w = size_t(f.width);
      if (b.size() > w) {
        size_t cut = CutOnBoundary(t.TableCodePage(), b, w);
        b.resize(cut);
        raw.resize(cut);
      }
      raw.resize(w, false);
      b.resize(w, ' ');
      bytes_[size_t(field)] = std::move(b);
      if (std::find(raw.begin(), raw.end(), true) != raw.end()) masks_[size_t(field)] = std::move(raw);
    }
  }
  std::string_view FieldBytes(int field) const override { return bytes_[size_t(field)]; }
  std::string MemoText(int field) const override {
    auto it = memos_.find(field);
    return it == memos_.end() ? std::string() : it->second;
  }
  const std::vector<bool>* RawMask(int field) const override {
    const auto& m = masks_[size_t(field)];
    return m.empty() ? nullptr : &m;
  }

 private:
  std::vector<std::string> bytes_;
  std::vector<std::vector<bool>> masks_;
  std::map<int, std::string> memos_;
};

std::string Printable(char key_type, std::string_view key) {
  if (key_type == 'N') {
    std::string n = FormatStr(DecodeNumericKey(key), 40, 6);
    return n.substr(n.find_first_not_of(' '));
  }
  if (key_type == 'D') {
    double jd = DecodeDateKey(key);
    if (jd <= 0) return "(blank date)";
    int y, m, d;
    CivilFromJulian(int32_t(jd), y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
  }
  std::string s;
  for (char c : key) {
    uint8_t u = uint8_t(c);
    if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      s += buf;
    } else {
      s.push_back(c);
    }
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

class ProductionIndex::Lock {
 public:
  Lock(const MdxFile& f, LockKind kind) : f_(f) {
    if (!LockWithTimeout(f_.file(), kIndexLock, kind, kLockWaitMs))
      throw DatabaseError(ErrorReason::InUse, "Index file " + f_.path().filename().string() + " is locked by another user");
    held_ = true;
  }
  ~Lock() { Release(); }
  void Release() {
    if (!held_) return;
    held_ = false;
    try {
      Unlock(f_.file(), kIndexLock);
    } catch (...) {
      // The lock is dropped with the descriptor at close at the latest.
    }
  }

 private:
  const MdxFile& f_;
  bool held_ = false;
};

ProductionIndex::ProductionIndex(IndexedTable& table, std::filesystem::path path, bool read_only)
    : table_(table), path_(std::move(path)), read_only_(read_only) {}

ProductionIndex::~ProductionIndex() = default;

void ProductionIndex::CreateFile(const std::filesystem::path& path, const std::string& dbf_base) {
  MdxFile f;
  f.Create(path, dbf_base);
}

void ProductionIndex::Open() {
  file_.Open(path_, read_only_);
  Lock lock(file_, read_only_ ? LockKind::Shared : LockKind::Exclusive);
  auto stamp = file_.ReadDataStamp();
  bool behind_our_back = stamp && *stamp != table_.RecordsOnDisk();
  bool loaded = LoadLocked();
  if (!repair_) {
    // Tools look at the index as it is; queries on a stale one may be wrong.
    if (behind_our_back) notes_.push_back("the data file holds records the index was not told of");
    stale_ = false;
  } else if (!loaded || behind_our_back) {
    if (read_only_) throw DatabaseError(ErrorReason::Damaged, "Index file " + path_.filename().string() + " is inconsistent");
    RebuildAllLocked();
  }
  Resolve();
}

bool ProductionIndex::LoadLocked() {
  // With a lock held no live writer is in the middle of an update: a mark
  // still set was left by one that died, and its blocks are not trusted.
  if (file_.ReadDirtyMark()) {
    file_.Reload();
    stale_ = true;
    return false;
  }
  LoadAll();
  return !stale_;
}

KeyExpression ProductionIndex::CompileFor(const std::string& expression) const {
  try {
    return KeyExpression::Compile(expression, table_.Fields(), table_.TableCodePage());
  } catch (const KeyExpressionError& e) {
    throw DatabaseError(ErrorReason::Other, e.what());
  }
}

void ProductionIndex::LoadAll() {
  file_.Reload();
  std::vector<Tag> tags;
  bool consistent = true;
  RecNo records = table_.RecordsOnDisk();
  file_.TakeSnapshot();
  struct Drop {
    MdxFile& f;
    ~Drop() { f.DropSnapshot(); }
  } drop{file_};
  for (const MdxTag& t : file_.Tags()) {
    KeyExpression expr = [&] {
      try {
        return KeyExpression::Compile(t.expression, table_.Fields(), table_.TableCodePage());
      } catch (const KeyExpressionError& e) {
        throw DatabaseError(ErrorReason::Damaged, "Index tag " + t.name + " does not fit the table: " + e.what());
      }
    }();
    if (expr.Type() != t.key_type || expr.KeyLength() != t.key_length)
      throw DatabaseError(ErrorReason::Damaged, "Index tag " + t.name + " has keys of another size than its expression");
    Tag tag{std::move(expr), TagTree()};
    if (!tag.tree.Load(file_, t, records)) consistent = false;
    tags.push_back(std::move(tag));
  }
  tags_ = std::move(tags);
  counter_ = file_.ChangeCounter();
  stale_ = !consistent;
}

KeyBatch ProductionIndex::EvaluateAll(const KeyExpression& expr) {
  KeyBatch out;
  size_t expected = table_.RecordsOnDisk();
  const size_t kl = size_t(expr.KeyLength());
  out.keys.reserve(expected * kl);
  out.recnos.reserve(expected);
  std::string scratch;
  table_.ScanRecords([&](RecNo r, RecordBytes rec) {
    if (rec.empty() || rec[0] == kDeleted) return;
    // Keys go straight into the batch, KeyLength() bytes each.
    expr.AppendKey(RecordView(table_, rec), out.keys, scratch);
    out.recnos.push_back(r);
  });
  return out;
}

void ProductionIndex::RebuildAllLocked() {
  struct Def {
    std::string name, expression;
    int options;
  };
  std::vector<Def> defs;
  for (const MdxTag& t : file_.Tags()) defs.push_back({t.name, t.expression, t.Options()});
  stale_ = true;
  file_.BeginUpdate();
  file_.Clear();
  tags_.clear();
  for (const Def& d : defs) {
    KeyExpression expr = CompileFor(d.expression);
    MdxTag& t = file_.AddTag(d.name, d.expression, expr.Type(), expr.KeyLength(), d.options);
    Tag tag{std::move(expr), TagTree()};
    tag.tree.Build(file_, t, EvaluateAll(tag.expr));
    tags_.push_back(std::move(tag));
  }
  file_.EndUpdate(table_.RecordsOnDisk());
  counter_ = file_.ChangeCounter();
  stale_ = false;
}

void ProductionIndex::OnBeforeWrite() {
  if (read_only_) return;
  pending_.reset();
  auto lock = std::make_unique<Lock>(file_, LockKind::Exclusive);
  if (stale_ || file_.ReadChangeCounter() != counter_) {
    if (!LoadLocked()) RebuildAllLocked();
    Resolve();
  }
  file_.BeginUpdate();
  pending_ = std::move(lock);
}

void ProductionIndex::OnWriteAborted() {
  if (!pending_) return;
  std::unique_ptr<Lock> lock = std::move(pending_);
  file_.EndUpdate(table_.RecordsOnDisk());
  counter_ = file_.ChangeCounter();
}

template <class F>
void ProductionIndex::Write(F&& apply) {
  if (read_only_) throw DatabaseError(ErrorReason::InvalidState, "Index file " + path_.filename().string() + " is read-only");
  // Either the lock taken before the data write, already current and
  // marked, or a fresh one.
  std::unique_ptr<Lock> lock = std::move(pending_);
  if (!lock) {
    lock = std::make_unique<Lock>(file_, LockKind::Exclusive);
    if (stale_ || file_.ReadChangeCounter() != counter_) {
      if (!LoadLocked()) RebuildAllLocked();
      Resolve();
    }
  }
  // Should anything below fail, the mark stays set and the next user
  // rebuilds; our own memory is not trusted either.
  stale_ = true;
  file_.BeginUpdate();
  apply();
  file_.EndUpdate(table_.RecordsOnDisk());
  counter_ = file_.ChangeCounter();
  stale_ = false;
}

void ProductionIndex::EnsureCurrent() {
  if (!stale_ && file_.ReadChangeCounter() == counter_) return;
  {
    Lock lock(file_, LockKind::Shared);
    if (LoadLocked()) {
      Resolve();
      return;
    }
  }
  if (read_only_) throw DatabaseError(ErrorReason::Damaged, "Index file " + path_.filename().string() + " is inconsistent");
  Lock lock(file_, LockKind::Exclusive);
  if (!LoadLocked()) RebuildAllLocked();
  Resolve();
}

// ---------------------------------------------------------------- tags

void ProductionIndex::Refresh() { EnsureCurrent(); }

const MdxTag& ProductionIndex::TagAt(int i) const {
  if (i < 0 || i >= TagCount()) throw DatabaseError(ErrorReason::NotFound, "No index tag number " + std::to_string(i));
  return file_.Tags()[size_t(i)];
}

int ProductionIndex::FindTag(const std::string& name) const { return file_.FindTag(name); }

void ProductionIndex::AddTag(const std::string& name, const std::string& expression, int options) {
  KeyExpression expr = CompileFor(expression);
  Write([&] {
    MdxTag& t = file_.AddTag(name, expression, expr.Type(), expr.KeyLength(), options);
    Tag tag{std::move(expr), TagTree()};
    tag.tree.Build(file_, t, EvaluateAll(tag.expr));
    tags_.push_back(std::move(tag));
  });
  Resolve();
}

void ProductionIndex::DeleteTag(const std::string& name) {
  EnsureCurrent();
  if (file_.FindTag(name) < 0) throw DatabaseError(ErrorReason::NotFound, "No index tag named " + name);
  Write([&] {
    int i = file_.FindTag(name);
    if (i < 0) throw DatabaseError(ErrorReason::NotFound, "No index tag named " + name);
    file_.RemoveTag(i);
    tags_.erase(tags_.begin() + i);
  });
  Resolve();
}

void ProductionIndex::RebuildAll() {
  if (read_only_) throw DatabaseError(ErrorReason::InvalidState, "Index file " + path_.filename().string() + " is read-only");
  Lock lock(file_, LockKind::Exclusive);
  file_.Reload();
  RebuildAllLocked();
  Resolve();
}

std::vector<std::string> ProductionIndex::Check() {
  std::vector<std::string> problems = notes_;
  Lock lock(file_, LockKind::Shared);
  file_.Reload();
  if (file_.ReadDirtyMark()) problems.push_back("the index was left in the middle of an update");
  RecNo records = table_.RecordsOnDisk();
  for (const MdxTag& t : file_.Tags()) {
    const std::string where = "tag " + t.name + ": ";
    KeyExpression expr = [&] {
      try {
        return KeyExpression::Compile(t.expression, table_.Fields(), table_.TableCodePage());
      } catch (const KeyExpressionError& e) {
        problems.push_back(where + e.what());
        return KeyExpression::Compile("1", {}, CodePage::Utf8);
      }
    }();
    if (expr.Text() != t.expression) continue;
    TagTree disk;
    bool ordered = true;
    try {
      ordered = disk.Load(file_, t, records);
    } catch (const DatabaseError& e) {
      problems.push_back(where + e.what());
      continue;
    }
    if (!ordered) problems.push_back(where + "keys out of order, doubled or pointing past the last record");
    size_t before = problems.size();
    KeyBatch expected = EvaluateAll(expr);
    std::map<RecNo, std::string> want;
    for (size_t i = 0; i < expected.recnos.size(); ++i)
      want[expected.recnos[i]] = expected.keys.substr(i * size_t(t.key_length), size_t(t.key_length));
    disk.ForEach([&](std::string_view key, RecNo r) {
      if (problems.size() - before >= 20) return;
      auto it = want.find(r);
      if (it == want.end()) {
        problems.push_back(where + "record " + std::to_string(r) + " is deleted or missing but has a key");
        return;
      }
      if (it->second != key)
        problems.push_back(where + "record " + std::to_string(r) + " has key \"" + Printable(t.key_type, key) +
                           "\" but its data gives \"" + Printable(t.key_type, it->second) + "\"");
      want.erase(it);
    });
    for (const auto& [r, k] : want) {
      if (problems.size() - before >= 20) break;
      problems.push_back(where + "record " + std::to_string(r) + " has no key (its data gives \"" + Printable(t.key_type, k) + "\")");
    }
  }
  return problems;
}

// ---------------------------------------------------------------- active tag and range

void ProductionIndex::Resolve() {
  active_index_ = active_.empty() ? -1 : file_.FindTag(active_);
  if (active_index_ >= int(tags_.size())) active_index_ = -1;
}

void ProductionIndex::SetActiveTag(const std::string& name) {
  if (!name.empty() && file_.FindTag(name) < 0)
    throw DatabaseError(ErrorReason::NotFound, "No index tag named " + name + " in " + path_.filename().string());
  active_ = name;
  range_from_.reset();
  range_to_.reset();
  Resolve();
}

const TagTree& ProductionIndex::ActiveTree() const {
  if (active_index_ < 0) throw DatabaseError(ErrorReason::InvalidState, "No index tag is active");
  return tags_[size_t(active_index_)].tree;
}

std::string ProductionIndex::KeyOfRecord(RecordBytes record) const {
  if (active_index_ < 0) throw DatabaseError(ErrorReason::InvalidState, "No index tag is active");
  return tags_[size_t(active_index_)].expr.Evaluate(RecordView(table_, record));
}

std::string ProductionIndex::KeyOfValues(const KeyValues& values) const {
  if (active_index_ < 0) throw DatabaseError(ErrorReason::InvalidState, "No index tag is active");
  return tags_[size_t(active_index_)].expr.Evaluate(ValuesView(table_, values));
}

void ProductionIndex::SetRange(std::optional<std::string> from, std::optional<std::string> to) {
  if (active_index_ < 0) throw DatabaseError(ErrorReason::InvalidState, "A range needs an active index tag");
  const TagTree& tree = ActiveTree();
  size_t kl = size_t(tree.KeyLength());
  if (from) from->resize(kl, ' ');
  if (to) to->resize(kl, ' ');
  // A range is the keys between its bounds, whichever comes first in the
  // tag's order: a descending tag needs no swapped bounds from callers.
  if (from && to && tree.Compare(*from, *to) > 0) std::swap(from, to);
  range_from_ = std::move(from);
  range_to_ = std::move(to);
}

void ProductionIndex::ClearRange() {
  range_from_.reset();
  range_to_.reset();
}

std::pair<uint64_t, uint64_t> ProductionIndex::RangePositions() const {
  const TagTree& tree = ActiveTree();
  uint64_t lo = range_from_ ? tree.LowerBound(*range_from_) : 0;
  uint64_t hi = range_to_ ? tree.UpperBound(*range_to_) : tree.Size();
  return {lo, std::max(lo, hi)};
}

std::optional<RecNo> ProductionIndex::Seek(const std::string& key, bool exact) {
  EnsureCurrent();
  const TagTree& tree = ActiveTree();
  auto [lo, hi] = RangePositions();
  std::string k = key;
  k.resize(size_t(tree.KeyLength()), ' ');
  uint64_t pos = std::max(lo, tree.LowerBound(k));
  if (pos >= hi) return std::nullopt;
  if (exact && tree.Compare(tree.KeyAt(pos), k) != 0) return std::nullopt;
  return tree.RecordAt(pos);
}

// ---------------------------------------------------------------- RecordOrder

uint64_t ProductionIndex::BasePosition(RecNo from, RecordBytes current, bool& present) const {
  const TagTree& tree = ActiveTree();
  present = tree.Contains(from);
  if (present) return tree.RankOf(from);
  if (current.empty() || current[0] == kDeleted) {
    // A record without a key (deleted meanwhile): place it by its last
    // known data if we have it, else at the start.
    if (current.empty()) return 0;
  }
  return tree.LowerBound(KeyOfRecord(current));
}

std::optional<RecNo> ProductionIndex::First() {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  if (lo >= hi) return std::nullopt;
  return ActiveTree().RecordAt(lo);
}

std::optional<RecNo> ProductionIndex::Last() {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  if (lo >= hi) return std::nullopt;
  return ActiveTree().RecordAt(hi - 1);
}

std::optional<RecNo> ProductionIndex::Next(RecNo from, RecordBytes current) {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  bool present;
  uint64_t pos = BasePosition(from, current, present);
  if (present) ++pos;
  pos = std::max(pos, lo);
  if (pos >= hi) return std::nullopt;
  return ActiveTree().RecordAt(pos);
}

std::optional<RecNo> ProductionIndex::Prior(RecNo from, RecordBytes current) {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  bool present;
  uint64_t pos = BasePosition(from, current, present);
  if (pos == 0 || pos <= lo) return std::nullopt;
  pos = std::min(pos - 1, hi - 1);
  if (lo >= hi) return std::nullopt;
  return ActiveTree().RecordAt(pos);
}

std::optional<std::pair<RecNo, int64_t>> ProductionIndex::Skip(RecNo from, RecordBytes current, int64_t n) {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  if (lo >= hi) return std::nullopt;
  bool present;
  int64_t base = int64_t(BasePosition(from, current, present));
  // A record without a key stands between two positions.
  int64_t target = present ? base + n : (n > 0 ? base + n - 1 : base + n);
  int64_t clamped = std::clamp<int64_t>(target, int64_t(lo), int64_t(hi) - 1);
  int64_t moved = n - (target - clamped);
  if (n > 0) moved = std::clamp<int64_t>(moved, 0, n);
  else moved = std::clamp<int64_t>(moved, n, 0);
  return std::make_pair(ActiveTree().RecordAt(uint64_t(clamped)), moved);
}

bool ProductionIndex::Contains(RecNo recno, RecordBytes) {
  EnsureCurrent();
  if (active_index_ < 0) return true;
  const TagTree& tree = ActiveTree();
  if (!tree.Contains(recno)) return false;
  auto [lo, hi] = RangePositions();
  uint64_t r = tree.RankOf(recno);
  return r >= lo && r < hi;
}

std::optional<uint64_t> ProductionIndex::Position(RecNo recno) {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  const TagTree& tree = ActiveTree();
  if (!tree.Contains(recno)) return std::nullopt;
  auto [lo, hi] = RangePositions();
  const uint64_t r = tree.RankOf(recno);
  if (r < lo || r >= hi) return std::nullopt;
  return r - lo;
}

std::optional<uint64_t> ProductionIndex::Count() {
  EnsureCurrent();
  if (active_index_ < 0) return std::nullopt;
  auto [lo, hi] = RangePositions();
  return hi - lo;
}

// ---------------------------------------------------------------- ChangeObserver

void ProductionIndex::OnInsert(RecNo recno, RecordBytes record) {
  Write([&] {
    for (size_t i = 0; i < tags_.size(); ++i) {
      if (record.empty() || record[0] == kDeleted) tags_[i].tree.Erase(file_, recno);
      else tags_[i].tree.Insert(file_, tags_[i].expr.Evaluate(RecordView(table_, record)), recno);
      tags_[i].tree.Flush(file_, file_.TagRef(int(i)));
    }
  });
}

void ProductionIndex::OnUpdate(RecNo recno, RecordBytes, RecordBytes record) {
  Write([&] {
    for (size_t i = 0; i < tags_.size(); ++i) {
      TagTree& tree = tags_[i].tree;
      if (record.empty() || record[0] == kDeleted) {
        tree.Erase(file_, recno);
      } else {
        std::string key = tags_[i].expr.Evaluate(RecordView(table_, record));
        if (tree.Contains(recno) && tree.KeyOf(recno) == key) continue;
        tree.Insert(file_, std::move(key), recno);
      }
      tree.Flush(file_, file_.TagRef(int(i)));
    }
  });
}

void ProductionIndex::OnDelete(RecNo recno, RecordBytes) {
  Write([&] {
    for (size_t i = 0; i < tags_.size(); ++i) {
      if (tags_[i].tree.Erase(file_, recno)) tags_[i].tree.Flush(file_, file_.TagRef(int(i)));
    }
  });
}

void ProductionIndex::OnPacked() { RebuildAll(); }
void ProductionIndex::OnEmptied() { RebuildAll(); }

}  // namespace quillary::dbase
