#include "platform/dbase/memo_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dbase/bytes.h"
#include "platform/dbase/errors.h"

namespace quillary::dbase {

namespace {
constexpr uint8_t kDb4Signature[4] = {0xFF, 0xFF, 0x08, 0x00};
// After a dBASE IV value: some readers take the length without its header
// and stop at 0x1F, so one is written right after the data.
constexpr uint8_t kDb4Terminator = 0x1F;

std::vector<uint8_t> MakeHeader(MemoDialect dialect, uint32_t next_free, const std::string& base) {
  std::vector<uint8_t> h(kMemoBlockSize, 0);
  PutU32(h.data(), next_free);
  if (dialect == MemoDialect::DBase3) {
    h[16] = 0x03;
  } else {
    std::string name = base.substr(0, 8);
    for (auto& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    std::copy(name.begin(), name.end(), h.begin() + 8);
    h[17] = 0x02;
    h[18] = 0x01;
    PutU16(h.data() + 20, uint16_t(kMemoBlockSize));
  }
  return h;
}
}  // namespace

void MemoFile::Open(const std::filesystem::path& path, MemoDialect dialect, bool read_only) {
  if (!file_.OpenExisting(path, read_only))
    throw DatabaseError(ErrorReason::Missing, "memo file missing: " + path.string());
  dialect_ = dialect;
  base_ = path.stem().string();
  uint8_t h[24] = {};
  if (!file_.ReadExact(0, h, sizeof h)) {
    file_.Close();
    throw DatabaseError(ErrorReason::Damaged, "memo file header truncated: " + path.string());
  }
  size_ = file_.Size();
  pointer_ = 0;
  window_.clear();
  window_offset_ = 0;
  block_size_ = kMemoBlockSize;
  if (dialect == MemoDialect::DBase4) {
    uint32_t bs = GetU16(h + 20);
    if (bs >= 64 && bs % 64 == 0) block_size_ = bs;
  }
}

void MemoFile::CreateNew(const std::filesystem::path& path, MemoDialect dialect, const std::string& base) {
  File f;
  f.Create(path);
  auto h = MakeHeader(dialect, 1, base);
  f.WriteAt(0, h.data(), h.size());
}

void MemoFile::CreateEmptyCopy(const std::filesystem::path& path) const {
  std::vector<uint8_t> h(kMemoBlockSize, 0);
  file_.ReadAt(0, h.data(), h.size());
  // The first free block is the one after the header.
  PutU32(h.data(), kMemoBlockSize / block_size_);
  File f;
  f.Create(path);
  f.WriteAt(0, h.data(), h.size());
}

uint32_t MemoFile::NextFreeBlock() const {
  uint8_t b[4];
  uint32_t next = pointer_;
  if (next == 0) next = file_.ReadExact(0, b, 4) ? GetU32(b) : 1;
  uint64_t size = sole_writer_ ? size_ : file_.Size();
  // Never trust a next-free pointer that would overwrite existing blocks.
  uint64_t by_size = (size + block_size_ - 1) / block_size_;
  uint64_t header_blocks = (kMemoBlockSize + block_size_ - 1) / block_size_;
  by_size = std::max(by_size, header_blocks);
  if (uint64_t(next) < by_size) next = uint32_t(std::min<uint64_t>(by_size, UINT32_MAX));
  return next;
}

std::string MemoFile::Read(uint32_t block) const {
  const uint64_t offset = uint64_t(block) * block_size_;
  const uint64_t header_end = kMemoBlockSize;
  if (block == 0 || offset < header_end)
    throw ValueError("damaged memo: block " + std::to_string(block) + " lies outside the memo file");
  // Another user may have appended since the size was last seen.
  if (offset + 8 > size_) size_ = file_.Size();
  if (offset >= size_)
    throw ValueError("damaged memo: block " + std::to_string(block) + " lies outside the memo file");
  // Most values fit their first block: served from the window, which is
  // refilled from the block on when it does not hold it.
  constexpr size_t kWindow = 64 * 1024;
  const size_t want = size_t(std::min<uint64_t>(block_size_, size_ - offset));
  if (offset < window_offset_ || offset + want > window_offset_ + window_.size()) {
    window_.resize(size_t(std::min<uint64_t>(kWindow, size_ - offset)));
    window_.resize(file_.ReadAt(offset, window_.data(), window_.size()));
    window_offset_ = offset;
  }
  const size_t in_window = size_t(window_offset_ + window_.size() - offset);
  // The value's first block, inside the window (which stays as it is below).
  const char* first = window_.data() + (offset - window_offset_);
  const size_t got = std::min(want, in_window);
  if (dialect_ == MemoDialect::DBase4 && got >= 8 && uint8_t(first[0]) == kDb4Signature[0] &&
      uint8_t(first[1]) == kDb4Signature[1]) {
    uint32_t length = GetU32(reinterpret_cast<const uint8_t*>(first) + 4);
    if (length < 8) throw ValueError("damaged memo: block " + std::to_string(block) + " claims " +
                                     std::to_string(length) + " bytes");
    if (offset + length > size_) size_ = file_.Size();
    if (offset + length > size_)
      throw ValueError("damaged memo: block " + std::to_string(block) + " claims " + std::to_string(length) +
                       " bytes");
    if (length <= got) return std::string(first + 8, length - 8);
    std::string data(length - 8, '\0');
    std::copy(first + 8, first + got, data.begin());
    size_t rest = data.size() - (got - 8);
    if (!file_.ReadExact(offset + got, data.data() + (got - 8), rest))
      throw ValueError("damaged memo: block " + std::to_string(block) + " is truncated");
    return data;
  }
  if (dialect_ == MemoDialect::DBase4 && got < 8)
    throw ValueError("damaged memo: block " + std::to_string(block) + " is truncated");
  // dBASE III values (and dBASE IV files holding them) end at 0x1A.
  size_ = std::max(size_, file_.Size());
  std::string data;
  std::vector<char> chunk(16 * kMemoBlockSize);
  uint64_t pos = offset;
  while (pos < size_) {
    size_t n = file_.ReadAt(pos, chunk.data(), chunk.size());
    if (n == 0) break;
    auto end = std::find(chunk.begin(), chunk.begin() + long(n), char(kEndOfFile));
    data.append(chunk.begin(), end);
    if (end != chunk.begin() + long(n)) return data;
    pos += n;
  }
  return data;  // unterminated last value: what is there
}

uint32_t MemoFile::Append(std::string_view data) { return AppendMany({data})[0]; }

std::vector<uint32_t> MemoFile::AppendMany(const std::vector<std::string_view>& values) {
  const uint32_t first = NextFreeBlock();
  std::vector<uint32_t> blocks;
  blocks.reserve(values.size());
  std::vector<uint8_t>& out = out_;
  out.clear();
  size_t total = 0;
  for (std::string_view data : values) total += (data.size() + 8 + 2 + block_size_ - 1) / block_size_ * block_size_;
  out.reserve(total);
  for (std::string_view data : values) {
    if (dialect_ == MemoDialect::DBase3 && data.find(char(kEndOfFile)) != std::string_view::npos)
      throw ValueError("a dBASE III memo cannot hold the byte 0x1A");
    if (data.size() > UINT32_MAX - 16) throw ValueError("memo value too large");
    uint64_t block = uint64_t(first) + out.size() / block_size_;
    if (block > UINT32_MAX) throw DatabaseError(ErrorReason::Other, "memo file full");
    blocks.push_back(uint32_t(block));
    size_t start = out.size();
    // The value with its header and terminator, zero padding to the block.
    const size_t head = dialect_ == MemoDialect::DBase4 ? 8 : 0;
    const size_t tail = dialect_ == MemoDialect::DBase4 ? 1 : 2;
    const size_t end = start + head + data.size() + tail;
    out.resize((end + block_size_ - 1) / block_size_ * block_size_, 0);
    uint8_t* p = out.data() + start;
    if (dialect_ == MemoDialect::DBase4) {
      std::copy(std::begin(kDb4Signature), std::end(kDb4Signature), p);
      PutU32(p + 4, uint32_t(data.size() + 8));
    }
    if (!data.empty()) std::memcpy(p + head, data.data(), data.size());
    if (dialect_ == MemoDialect::DBase4) {
      p[head + data.size()] = kDb4Terminator;
    } else {
      p[data.size()] = kEndOfFile;
      p[data.size() + 1] = kEndOfFile;
    }
  }
  uint64_t end_block = uint64_t(first) + out.size() / block_size_;
  if (end_block > UINT32_MAX) throw DatabaseError(ErrorReason::Other, "memo file full");
  // Data before the pointer: a crash in between only leaks blocks.
  file_.WriteAt(uint64_t(first) * block_size_, out.data(), out.size());
  size_ = std::max<uint64_t>(size_, uint64_t(first) * block_size_ + out.size());
  pointer_ = uint32_t(end_block);
  return blocks;
}

void MemoFile::WritePointer() {
  if (pointer_ == 0 || !file_.IsOpen() || file_.ReadOnly()) return;
  uint8_t next[4];
  PutU32(next, pointer_);
  file_.WriteAt(0, next, 4);
  pointer_ = 0;
}

void MemoFile::Reset() {
  pointer_ = 0;
  window_.clear();
  file_.Truncate(kMemoBlockSize);
  size_ = kMemoBlockSize;
  uint8_t next[4];
  PutU32(next, kMemoBlockSize / block_size_);
  file_.WriteAt(0, next, 4);
}

}  // namespace quillary::dbase
