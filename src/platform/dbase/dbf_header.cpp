#include "platform/dbase/dbf_header.h"

#include <algorithm>
#include <cctype>

#include "platform/dbase/bytes.h"
#include "platform/dbase/errors.h"
#include "platform/dbase/file_date.h"

namespace quillary::dbase {

namespace {
[[noreturn]] void Damaged(const std::string& why) {
  throw DatabaseError(ErrorReason::Damaged, "damaged data file: " + why);
}

bool KnownType(char t) {
  switch (t) {
    case 'C': case 'N': case 'F': case 'D': case 'L': case 'M': case 'B': case 'G':
      return true;
    default:
      return false;
  }
}
}  // namespace

FieldKind KindOfType(char type) {
  switch (type) {
    case 'C': return FieldKind::Text;
    case 'M': return FieldKind::Memo;
    case 'B': case 'G': return FieldKind::LargeObject;
    case 'D': return FieldKind::Date;
    case 'L': return FieldKind::Logical;
    default: return FieldKind::Numeric;
  }
}

bool DbfHeader::HasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(),
                     [](const FieldDef& f) { return f.kind == FieldKind::Memo || f.kind == FieldKind::LargeObject; });
}

MemoDialect DbfHeader::Memo() const {
  if (!HasMemoFields()) return MemoDialect::None;
  return (version & 0x08) ? MemoDialect::DBase4 : MemoDialect::DBase3;
}

size_t HeaderBytesNeeded(const uint8_t* p, uint64_t file_size) {
  uint8_t v = p[hdr::kVersion];
  if ((v & 0x07) != 0x03)
    Damaged("unknown version byte " + std::to_string(v));
  size_t header_size = GetU16(p + hdr::kHeaderSize);
  if (header_size < kHeaderPrefix + 1 || header_size > file_size)
    Damaged("header size " + std::to_string(header_size) + " impossible for a file of " +
            std::to_string(file_size) + " bytes");
  return header_size;
}

DbfHeader ParseHeader(const uint8_t* p, size_t size, uint64_t file_size) {
  if (size < kHeaderPrefix + 1) Damaged("truncated header");
  DbfHeader h;
  h.version = p[hdr::kVersion];
  h.year = p[hdr::kDate];
  h.month = p[hdr::kDate + 1];
  h.day = p[hdr::kDate + 2];
  h.record_count = GetU32(p + hdr::kRecordCount);
  h.header_size = GetU16(p + hdr::kHeaderSize);
  h.record_size = GetU16(p + hdr::kRecordSize);
  h.mdx_flag = p[hdr::kMdxFlag];
  h.language_driver = p[hdr::kLanguageDriver];
  if (h.header_size > size) Damaged("truncated header");
  if (p[hdr::kEncrypted] != 0) Damaged("encrypted tables are not supported");
  if (h.record_size < 1) Damaged("record size 0");

  size_t pos = kHeaderPrefix;
  int offset = 1;
  while (true) {
    if (pos >= h.header_size) Damaged("field descriptors do not end in the header");
    if (p[pos] == kFieldTerminator) break;
    if (pos + kDescriptorSize > h.header_size) Damaged("truncated field descriptor");
    if (int(h.fields.size()) >= kMaxFields) Damaged("too many fields");
    const uint8_t* d = p + pos;
    FieldDef f;
    size_t nlen = 0;
    while (nlen < 11 && d[nlen] != 0) ++nlen;
    f.name.assign(reinterpret_cast<const char*>(d), nlen);
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    f.type = char(std::toupper(d[11]));
    f.width = d[16];
    f.decimals = d[17];
    if (!KnownType(f.type)) Damaged("unknown field type '" + std::string(1, char(d[11])) + "' of field " + f.name);
    // Character fields wider than 255 keep the high byte in the decimals.
    if (f.type == 'C' && f.decimals != 0) {
      f.width += f.decimals * 256;
      f.decimals = 0;
    }
    if (f.width == 0) Damaged("field " + f.name + " has width 0");
    switch (f.type) {
      case 'D':
        if (f.width != 8) Damaged("date field " + f.name + " is not 8 bytes wide");
        break;
      case 'L':
        if (f.width != 1) Damaged("logical field " + f.name + " is not 1 byte wide");
        break;
      case 'N': case 'F':
        if (f.width > 32 || f.decimals >= f.width) Damaged("numeric field " + f.name + " has impossible width");
        break;
      case 'M': case 'B': case 'G':
        if (f.width != 10 && f.width != 4) Damaged("memo field " + f.name + " has impossible width");
        break;
      default:
        break;
    }
    f.kind = KindOfType(f.type);
    f.offset = offset;
    offset += f.width;
    h.fields.push_back(std::move(f));
    pos += kDescriptorSize;
  }
  if (h.fields.empty()) Damaged("no fields");
  if (offset != h.record_size)
    Damaged("record size " + std::to_string(h.record_size) + " does not match the fields (" +
            std::to_string(offset) + ")");
  (void)file_size;
  h.raw.assign(p, p + h.header_size);
  return h;
}

DbfHeader BuildHeader(const std::vector<FieldDef>& specs) {
  if (specs.empty() || specs.size() > size_t(kMaxFields))
    throw DatabaseError(ErrorReason::Other, "a table needs 1 to 255 fields");
  DbfHeader h;
  int offset = 1;
  std::vector<std::string> seen;
  for (const auto& s : specs) {
    FieldDef f;
    f.name = s.name;
    for (auto& c : f.name) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (f.name.empty() || f.name.size() > 10)
      throw DatabaseError(ErrorReason::Other, "field name must have 1 to 10 characters: " + s.name);
    if (std::find(seen.begin(), seen.end(), f.name) != seen.end())
      throw DatabaseError(ErrorReason::Other, "duplicate field name " + f.name);
    seen.push_back(f.name);
    f.type = char(std::toupper(static_cast<unsigned char>(s.type)));
    f.width = s.width;
    f.decimals = 0;
    switch (f.type) {
      case 'C':
        if (f.width < 1 || f.width > kMaxCharWidth)
          throw DatabaseError(ErrorReason::Other, "character field width must be 1 to 254: " + f.name);
        break;
      case 'N': case 'F':
        if (f.width < 1 || f.width > 20 || s.decimals < 0 || (s.decimals > 0 && s.decimals > f.width - 2))
          throw DatabaseError(ErrorReason::Other, "numeric field width must be 1 to 20: " + f.name);
        f.decimals = s.decimals;
        break;
      case 'D': f.width = 8; break;
      case 'L': f.width = 1; break;
      case 'M': case 'B': f.width = 10; break;
      default:
        throw DatabaseError(ErrorReason::Other, std::string("unsupported field type ") + f.type);
    }
    f.kind = KindOfType(f.type);
    f.offset = offset;
    offset += f.width;
    h.fields.push_back(f);
  }
  if (offset > 0xFFFF) throw DatabaseError(ErrorReason::Other, "record too long");
  h.record_size = uint16_t(offset);
  h.header_size = uint16_t(kHeaderPrefix + kDescriptorSize * h.fields.size() + 1);
  h.version = h.HasMemoFields() ? 0x8B : 0x03;
  h.language_driver = 0;
  StampToday(h);
  return h;
}

std::vector<uint8_t> SerializeHeader(const DbfHeader& h) {
  std::vector<uint8_t> out = h.raw;
  if (out.size() != h.header_size) {
    out.assign(h.header_size, 0);
    size_t pos = kHeaderPrefix;
    for (const auto& f : h.fields) {
      uint8_t* d = out.data() + pos;
      std::copy(f.name.begin(), f.name.end(), d);
      d[11] = uint8_t(f.type);
      if (f.type == 'C' && f.width > 255) {
        d[16] = uint8_t(f.width & 0xFF);
        d[17] = uint8_t(f.width >> 8);
      } else {
        d[16] = uint8_t(f.width);
        d[17] = uint8_t(f.decimals);
      }
      pos += kDescriptorSize;
    }
    out[pos] = kFieldTerminator;
  }
  out[hdr::kVersion] = h.version;
  out[hdr::kDate] = h.year;
  out[hdr::kDate + 1] = h.month;
  out[hdr::kDate + 2] = h.day;
  PutU32(out.data() + hdr::kRecordCount, h.record_count);
  PutU16(out.data() + hdr::kHeaderSize, h.header_size);
  PutU16(out.data() + hdr::kRecordSize, h.record_size);
  out[hdr::kMdxFlag] = h.mdx_flag;
  out[hdr::kLanguageDriver] = h.language_driver;
  return out;
}

void StampToday(DbfHeader& h) {
  const FileDate d = TodayStamp();
  h.year = d.year;
  h.month = d.month;
  h.day = d.day;
}

}  // namespace quillary::dbase
