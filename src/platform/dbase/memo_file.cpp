#include "platform/dbase/memo_file.h"

#include <algorithm>
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

uint32_t MemoFile::NextFreeBlock() const {
  uint8_t b[4];
  uint32_t next = file_.ReadExact(0, b, 4) ? GetU32(b) : 1;
  uint64_t size = file_.Size();
  // Never trust a next-free pointer that would overwrite existing blocks.
  uint64_t by_size = (size + block_size_ - 1) / block_size_;
  uint64_t header_blocks = (kMemoBlockSize + block_size_ - 1) / block_size_;
  by_size = std::max(by_size, header_blocks);
  if (uint64_t(next) < by_size) next = uint32_t(std::min<uint64_t>(by_size, UINT32_MAX));
  return next;
}

std::string MemoFile::Read(uint32_t block) const {
  const uint64_t size = file_.Size();
  const uint64_t offset = uint64_t(block) * block_size_;
  uint64_t header_end = kMemoBlockSize;
  if (block == 0 || offset < header_end || offset >= size)
    throw ValueError("damaged memo: block " + std::to_string(block) + " lies outside the memo file");
  if (dialect_ == MemoDialect::DBase4) {
    uint8_t h[8];
    if (!file_.ReadExact(offset, h, 8))
      throw ValueError("damaged memo: block " + std::to_string(block) + " is truncated");
    if (h[0] == kDb4Signature[0] && h[1] == kDb4Signature[1]) {
      uint32_t length = GetU32(h + 4);
      if (length < 8 || offset + length > size)
        throw ValueError("damaged memo: block " + std::to_string(block) + " claims " + std::to_string(length) +
                         " bytes");
      std::string data(length - 8, '\0');
      if (!file_.ReadExact(offset + 8, data.data(), data.size()))
        throw ValueError("damaged memo: block " + std::to_string(block) + " is truncated");
      return data;
    }
    // No dBASE IV block header: some writers put dBASE III values into
    // dBASE IV files; read it that way.
  }
  std::string data;
  std::vector<char> chunk(16 * kMemoBlockSize);
  uint64_t pos = offset;
  while (pos < size) {
    size_t got = file_.ReadAt(pos, chunk.data(), chunk.size());
    if (got == 0) break;
    auto end = std::find(chunk.begin(), chunk.begin() + long(got), char(kEndOfFile));
    data.append(chunk.begin(), end);
    if (end != chunk.begin() + long(got)) return data;
    pos += got;
  }
  return data;  // unterminated last value: what is there
}

uint32_t MemoFile::Append(std::string_view data) {
  if (dialect_ == MemoDialect::DBase3 && data.find(char(kEndOfFile)) != std::string_view::npos)
    throw ValueError("a dBASE III memo cannot hold the byte 0x1A");
  const uint32_t block = NextFreeBlock();
  std::vector<uint8_t> out;
  if (dialect_ == MemoDialect::DBase4) {
    if (data.size() > UINT32_MAX - 16) throw ValueError("memo value too large");
    out.resize(8);
    std::copy(std::begin(kDb4Signature), std::end(kDb4Signature), out.begin());
    PutU32(out.data() + 4, uint32_t(data.size() + 8));
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(kDb4Terminator);
  } else {
    out.assign(data.begin(), data.end());
    out.push_back(kEndOfFile);
    out.push_back(kEndOfFile);
  }
  size_t blocks = (out.size() + block_size_ - 1) / block_size_;
  if (uint64_t(block) + blocks > UINT32_MAX) throw DatabaseError(ErrorReason::Other, "memo file full");
  out.resize(blocks * block_size_, 0);
  // Data before the pointer: a crash in between only leaks blocks.
  file_.WriteAt(uint64_t(block) * block_size_, out.data(), out.size());
  uint8_t next[4];
  PutU32(next, uint32_t(block + blocks));
  file_.WriteAt(0, next, 4);
  return block;
}

void MemoFile::Reset() {
  file_.Truncate(kMemoBlockSize);
  uint8_t next[4];
  PutU32(next, kMemoBlockSize / block_size_);
  file_.WriteAt(0, next, 4);
}

}  // namespace quillary::dbase
