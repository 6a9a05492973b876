#include "platform/dbase/mdx_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "platform/dbase/bytes.h"
#include "platform/dbase/errors.h"
#include "platform/dbase/file_date.h"

namespace quillary::dbase {

namespace {

constexpr int kHeaderSize = 544;
constexpr int kTagEntrySize = 32;
constexpr int kTagTableOffset = 544;
constexpr uint32_t kFirstBlockPage = 4;  // header and tag table fill pages 0..3
constexpr int kMaxExpression = 220;
// Our own words in the header's reserved area: a mark that they are ours,
// the change counter and the update-in-progress flag.
constexpr int kMagicOffset = 48;
constexpr int kCounterOffset = 52;
constexpr int kDirtyOffset = 56;
constexpr int kStampOffset = 60;
constexpr char kMagic[4] = {'Q', 'L', 'R', 'X'};

[[noreturn]] void Damaged(const std::filesystem::path& p, const std::string& why) {
  throw DatabaseError(ErrorReason::Damaged, "Index file " + p.filename().string() + " is damaged: " + why);
}

std::string Upper(std::string s) {
  for (auto& c : s) c = char(std::toupper(uint8_t(c)));
  return s;
}

}  // namespace

int MdxTag::Options() const {
  int o = 0;
  if (key_format & 0x08) o |= kTagDescending;
  if (key_format & 0x10) o |= kTagExpression;
  if (key_format & 0x40) o |= kTagUnique;
  return o;
}

uint8_t KeyFormatFromOptions(int options) {
  uint8_t f = 0;
  if (options & kTagDescending) f |= 0x08;
  if (options & kTagExpression) f |= 0x10;
  if (options & kTagUnique) f |= 0x40;
  return f;
}

void MdxFile::Open(const std::filesystem::path& path, bool read_only) {
  Close();
  read_only_ = read_only;
  if (!file_.OpenExisting(path, read_only))
    throw DatabaseError(ErrorReason::Missing, "Index file " + path.filename().string() + " does not exist");
  ReadHeader();
}

void MdxFile::Close() {
  file_.Close();
  tags_.clear();
}

void MdxFile::Reload() { ReadHeader(); }

void MdxFile::Create(const std::filesystem::path& path, const std::string& dbf_base) {
  Close();
  read_only_ = false;
  file_.Create(path);
  uint8_t page[kFirstBlockPage * kMdxPageSize] = {};
  page[0] = 2;
  PutTodayStamp(page + 1);
  std::string base = Upper(dbf_base).substr(0, 16);
  std::memcpy(page + 4, base.data(), base.size());
  PutU16(page + 20, kMdxBlockPages);
  PutU16(page + 22, kMdxBlockSize);
  page[24] = 1;
  page[25] = kMdxMaxTags + 1;
  page[26] = kTagEntrySize;
  PutU32(page + 32, kFirstBlockPage);
  PutTodayStamp(page + 44);
  std::memcpy(page + kMagicOffset, kMagic, 4);
  file_.WriteAt(0, page, sizeof page);
  ReadHeader();
}

void MdxFile::ReadHeader() {
  uint8_t h[kFirstBlockPage * kMdxPageSize];
  const auto& p = file_.path();
  uint64_t size = file_.Size();
  if (size < sizeof h) Damaged(p, "shorter than its header");
  if (!file_.ReadExact(0, h, sizeof h)) Damaged(p, "header cannot be read");
  if (GetU16(h + 20) != kMdxBlockPages || GetU16(h + 22) != kMdxBlockSize)
    Damaged(p, "unsupported block size");
  if (h[26] != kTagEntrySize) Damaged(p, "unexpected tag entry size");
  int used = GetU16(h + 28);
  if (used > kMdxMaxTags) Damaged(p, "too many tags");
  pages_ = GetU32(h + 32);
  if (uint64_t(pages_) * kMdxPageSize > size || pages_ < kFirstBlockPage) {
    // Another writer may have extended the file only in its header; trust
    // the file size, which is what was really written.
    pages_ = uint32_t(std::max<uint64_t>(kFirstBlockPage, size / kMdxPageSize));
  }
  first_free_ = GetU32(h + 36);
  if (first_free_ != 0 && (first_free_ < kFirstBlockPage || first_free_ + kMdxBlockPages > pages_)) first_free_ = 0;
  counter_ = std::memcmp(h + kMagicOffset, kMagic, 4) == 0 ? GetU32(h + kCounterOffset) : 0;
  data_stamp_ = GetU32(h + kStampOffset);
  dbf_base_.assign(reinterpret_cast<const char*>(h + 4), 16);
  dbf_base_ = dbf_base_.substr(0, dbf_base_.find('\0'));

  std::vector<MdxTag> tags;
  for (int i = 0; i < used; ++i) {
    const uint8_t* e = h + kTagTableOffset + i * kTagEntrySize;
    MdxTag t;
    t.header_page = GetU32(e);
    std::string name(reinterpret_cast<const char*>(e + 4), 11);
    name = name.substr(0, name.find('\0'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    t.name = Upper(name);
    if (t.header_page < kFirstBlockPage || t.header_page + kMdxBlockPages > pages_)
      Damaged(p, "tag " + t.name + " points outside the file");
    uint8_t th[kMdxBlockSize];
    ReadBlock(t.header_page, th);
    t.root_page = GetU32(th);
    t.key_format = th[8];
    t.key_type = char(th[9]);
    t.key_length = GetU16(th + 12);
    t.max_keys = GetU16(th + 14);
    t.item_length = GetU16(th + 18);
    if (th[23]) t.key_format |= 0x40;
    const char* expr = reinterpret_cast<const char*>(th + 24);
    t.expression.assign(expr, strnlen(expr, kMaxExpression));
    if (t.key_type != 'C' && t.key_type != 'N' && t.key_type != 'D') Damaged(p, "tag " + t.name + " has key type " + t.key_type);
    if (t.key_length < 1 || t.key_length > 255 || t.item_length < t.key_length + 4 || t.max_keys < 2 ||
        8 + t.max_keys * t.item_length + 4 > kMdxBlockSize)
      Damaged(p, "tag " + t.name + " has impossible key sizes");
    if (t.root_page < kFirstBlockPage || t.root_page + kMdxBlockPages > pages_)
      Damaged(p, "tag " + t.name + " has its root outside the file");
    tags.push_back(std::move(t));
  }
  tags_ = std::move(tags);
}

uint32_t MdxFile::ReadChangeCounter() const {
  uint8_t b[8];
  if (!file_.ReadExact(kMagicOffset, b, 8)) return counter_ + 1;  // unreadable: force a reload
  if (std::memcmp(b, kMagic, 4) != 0) return 0;
  return GetU32(b + 4);
}

std::optional<uint32_t> MdxFile::ReadDataStamp() const {
  uint8_t b[16];
  if (!file_.ReadExact(kMagicOffset, b, sizeof b) || std::memcmp(b, kMagic, 4) != 0) return std::nullopt;
  return GetU32(b + (kStampOffset - kMagicOffset));
}

bool MdxFile::ReadDirtyMark() const {
  uint8_t b[9];
  if (!file_.ReadExact(kMagicOffset, b, 9)) return false;
  return std::memcmp(b, kMagic, 4) == 0 && b[kDirtyOffset - kMagicOffset] != 0;
}

void MdxFile::BeginUpdate() {
  uint8_t b[9];
  std::memcpy(b, kMagic, 4);
  PutU32(b + 4, counter_);
  b[8] = 1;
  file_.WriteAt(kMagicOffset, b, sizeof b);
  updating_ = true;
}

void MdxFile::EndUpdate(uint32_t data_records) {
  updating_ = false;
  data_stamp_ = data_records;
  ++counter_;
  WriteHeader();
}

void MdxFile::WriteHeader() {
  uint8_t h[64];
  if (!file_.ReadExact(0, h, sizeof h)) Damaged(file_.path(), "header cannot be read");
  PutU16(h + 28, uint16_t(tags_.size()));
  PutU32(h + 32, pages_);
  PutU32(h + 36, first_free_);
  PutTodayStamp(h + 44);
  std::memcpy(h + kMagicOffset, kMagic, 4);
  PutU32(h + kCounterOffset, counter_);
  h[kDirtyOffset] = updating_ ? 1 : 0;
  if (!updating_) PutU32(h + kStampOffset, data_stamp_);
  file_.WriteAt(0, h, sizeof h);
}

void MdxFile::WriteTagTable() {
  // dBASE threads the tag table as a binary search tree over the names
  // (left, right and parent entry numbers, 1-based) for its name lookup.
  std::vector<uint8_t> table(size_t(kMdxMaxTags) * kTagEntrySize, 0);
  std::vector<int> left(tags_.size(), 0), right(tags_.size(), 0), parent(tags_.size(), 0);
  for (size_t i = 1; i < tags_.size(); ++i) {
    size_t at = 0;
    while (true) {
      auto& slot = tags_[i].name < tags_[at].name ? left[at] : right[at];
      if (slot == 0) {
        slot = int(i) + 1;
        parent[i] = int(at) + 1;
        break;
      }
      at = size_t(slot - 1);
    }
  }
  for (size_t i = 0; i < tags_.size(); ++i) {
    uint8_t* e = table.data() + i * kTagEntrySize;
    PutU32(e, tags_[i].header_page);
    std::memcpy(e + 4, tags_[i].name.data(), std::min<size_t>(tags_[i].name.size(), 11));
    e[15] = tags_[i].key_format;
    e[16] = uint8_t(left[i]);
    e[17] = uint8_t(right[i]);
    e[18] = uint8_t(parent[i]);
    e[19] = 0x02;
    e[20] = uint8_t(tags_[i].key_type);
  }
  file_.WriteAt(kTagTableOffset, table.data(), table.size());
}

int MdxFile::FindTag(const std::string& name) const {
  std::string u = Upper(name);
  for (size_t i = 0; i < tags_.size(); ++i)
    if (tags_[i].name == u) return int(i);
  return -1;
}

MdxTag& MdxFile::AddTag(const std::string& name, const std::string& expression, char key_type, int key_length,
                        int options) {
  if (int(tags_.size()) >= kMdxMaxTags)
    throw DatabaseError(ErrorReason::Other, "The index file already holds " + std::to_string(kMdxMaxTags) +
                                                " tags, the most it can hold");
  std::string u = Upper(name);
  if (u.empty() || u.size() > size_t(kMdxMaxTagName))
    throw DatabaseError(ErrorReason::Other, "Tag name \"" + name + "\" must have 1 to 10 characters");
  if (FindTag(u) >= 0) throw DatabaseError(ErrorReason::Exists, "Tag " + u + " exists already");
  if (expression.size() > size_t(kMaxExpression))
    throw DatabaseError(ErrorReason::Other, "Key expression is longer than 220 characters");
  MdxTag t;
  t.name = u;
  t.expression = expression;
  t.key_type = key_type;
  t.key_length = key_length;
  t.key_format = KeyFormatFromOptions(options);
  t.item_length = (key_length + 4 + 3) / 4 * 4;
  t.max_keys = (kMdxBlockSize - 12) / t.item_length;
  t.header_page = AllocateBlock();
  t.root_page = AllocateBlock();
  WriteNode(t, t.root_page, MdxNode{});
  WriteTagHeader(t);
  tags_.push_back(t);
  WriteTagTable();
  WriteHeader();
  return tags_.back();
}

void MdxFile::WriteTagHeader(const MdxTag& t) {
  uint8_t b[kMdxBlockSize] = {};
  PutU32(b, t.root_page);
  PutU32(b + 4, pages_);
  b[8] = t.key_format;
  b[9] = uint8_t(t.key_type);
  PutU16(b + 12, uint16_t(t.key_length));
  PutU16(b + 14, uint16_t(t.max_keys));
  PutU16(b + 18, uint16_t(t.item_length));
  b[23] = t.Unique() ? 1 : 0;
  std::memcpy(b + 24, t.expression.data(), std::min<size_t>(t.expression.size(), kMaxExpression));
  WriteBlock(t.header_page, b);
}

void MdxFile::RemoveTag(int index) {
  MdxTag t = tags_.at(size_t(index));
  // Free the tree; a damaged tree just leaks its blocks.
  std::vector<uint32_t> stack{t.root_page};
  std::vector<uint32_t> seen;
  while (!stack.empty() && seen.size() < pages_) {
    uint32_t page = stack.back();
    stack.pop_back();
    if (std::find(seen.begin(), seen.end(), page) != seen.end()) continue;
    seen.push_back(page);
    try {
      MdxNode n = ReadNode(t, page);
      if (!n.leaf) stack.insert(stack.end(), n.pointers.begin(), n.pointers.end());
    } catch (const DatabaseError&) {
      continue;
    }
    FreeBlock(page);
  }
  FreeBlock(t.header_page);
  tags_.erase(tags_.begin() + index);
  WriteTagTable();
  WriteHeader();
}

void MdxFile::Clear() {
  tags_.clear();
  pages_ = kFirstBlockPage;
  first_free_ = 0;
  file_.Truncate(uint64_t(pages_) * kMdxPageSize);
  WriteTagTable();
  WriteHeader();
}

uint32_t MdxFile::AllocateBlock() {
  if (first_free_ != 0) {
    uint32_t page = first_free_;
    uint8_t b[8];
    uint32_t next = 0;
    if (file_.ReadExact(uint64_t(page) * kMdxPageSize, b, 8)) next = GetU32(b + 4);
    first_free_ = (next >= kFirstBlockPage && next + kMdxBlockPages <= pages_ && next != page) ? next : 0;
    return page;
  }
  // A fresh block is written by whoever asked for it; the header's page
  // count is only a hint (the file's size wins when it is shorter).
  uint32_t page = pages_;
  pages_ += kMdxBlockPages;
  return page;
}

void MdxFile::FreeBlock(uint32_t page) {
  if (page < kFirstBlockPage || page + kMdxBlockPages > pages_) return;
  uint8_t b[kMdxBlockSize] = {};
  PutU32(b + 4, first_free_);
  WriteBlock(page, b);
  first_free_ = page;
}

void MdxFile::ReadBlock(uint32_t page, uint8_t* out) const {
  if (page < kFirstBlockPage || uint64_t(page) + kMdxBlockPages > pages_)
    Damaged(file_.path(), "block " + std::to_string(page) + " lies outside the file");
  uint64_t at = uint64_t(page) * kMdxPageSize;
  if (!snapshot_.empty()) {
    if (at + kMdxBlockSize > snapshot_.size()) Damaged(file_.path(), "block " + std::to_string(page) + " cannot be read");
    std::memcpy(out, snapshot_.data() + at, kMdxBlockSize);
    return;
  }
  if (!file_.ReadExact(at, out, kMdxBlockSize))
    Damaged(file_.path(), "block " + std::to_string(page) + " cannot be read");
}

void MdxFile::TakeSnapshot() {
  snapshot_.clear();
  uint64_t size = std::min<uint64_t>(file_.Size(), uint64_t(pages_) * kMdxPageSize);
  snapshot_.resize(size_t(size));
  size_t got = size ? file_.ReadAt(0, snapshot_.data(), snapshot_.size()) : 0;
  snapshot_.resize(got);
}

void MdxFile::WriteBlock(uint32_t page, const uint8_t* data) {
  if (read_only_) throw DatabaseError(ErrorReason::InvalidState, "Index file is open read-only");
  DropSnapshot();
  file_.WriteAt(uint64_t(page) * kMdxPageSize, data, kMdxBlockSize);
}

MdxNode MdxFile::ReadNode(const MdxTag& tag, uint32_t page) const {
  uint8_t b[kMdxBlockSize];
  ReadBlock(page, b);
  uint32_t count = GetU32(b);
  if (count > uint32_t(tag.max_keys) || 8 + count * uint32_t(tag.item_length) + 4 > uint32_t(kMdxBlockSize))
    Damaged(file_.path(), "block " + std::to_string(page) + " of tag " + tag.name + " holds too many keys");
  MdxNode n;
  const uint8_t* e = b + 8;
  for (uint32_t i = 0; i < count; ++i, e += tag.item_length) {
    n.pointers.push_back(GetU32(e));
    n.keys.append(reinterpret_cast<const char*>(e + 4), size_t(tag.key_length));
  }
  uint32_t right = GetU32(e);
  n.leaf = right == 0;
  if (!n.leaf) n.pointers.push_back(right);
  return n;
}

namespace {

void EncodeNode(const MdxTag& tag, const MdxNode& n, uint8_t* b) {
  std::memset(b, 0, kMdxBlockSize);
  size_t keyed = n.KeyCount(tag.key_length);
  PutU32(b, uint32_t(keyed));
  uint8_t* e = b + 8;
  for (size_t i = 0; i < keyed; ++i, e += tag.item_length) {
    PutU32(e, n.pointers[i]);
    std::memcpy(e + 4, n.keys.data() + i * size_t(tag.key_length), size_t(tag.key_length));
  }
  if (!n.leaf) PutU32(e, n.pointers.back());
}

}  // namespace

void MdxFile::WriteNode(const MdxTag& tag, uint32_t page, const MdxNode& n) {
  uint8_t b[kMdxBlockSize];
  EncodeNode(tag, n, b);
  WriteBlock(page, b);
}

void MdxFile::WriteNodes(const MdxTag& tag, std::vector<std::pair<uint32_t, MdxNode>>& nodes) {
  if (read_only_) throw DatabaseError(ErrorReason::InvalidState, "Index file is open read-only");
  DropSnapshot();
  std::sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<uint8_t> run;
  for (size_t i = 0; i < nodes.size();) {
    size_t j = i;
    run.clear();
    while (j < nodes.size() && nodes[j].first == nodes[i].first + (j - i) * kMdxBlockPages && run.size() < (4u << 20)) {
      run.resize(run.size() + kMdxBlockSize);
      EncodeNode(tag, nodes[j].second, run.data() + run.size() - kMdxBlockSize);
      ++j;
    }
    file_.WriteAt(uint64_t(nodes[i].first) * kMdxPageSize, run.data(), run.size());
    i = j;
  }
}

}  // namespace quillary::dbase
