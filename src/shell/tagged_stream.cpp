#include "shell/tagged_stream.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <cstring>

#include "platform/files/case_path.h"

namespace quillary {
namespace {

// A settings or definition file larger than this is not one of ours; reading
// it whole would only waste memory.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;

void PutLE(QByteArray& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

// 80-bit extended precision: 64-bit mantissa with explicit integer bit,
// 15-bit biased exponent, sign.
double ExtendedToDouble(const uint8_t* p) {
  uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | p[i];
  const int se = p[8] | (p[9] << 8);
  const bool negative = se & 0x8000;
  const int exponent = se & 0x7FFF;
  double value;
  if (exponent == 0 && mantissa == 0) {
    value = 0;
  } else if (exponent == 0x7FFF) {
    value = (mantissa << 1) == 0 ? INFINITY : NAN;
  } else {
    // Denormals use exponent 1 - bias with no implicit bit, which the explicit
    // integer bit already expresses.
    const int e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    value = std::ldexp(double(mantissa), e);
  }
  return negative ? -value : value;
}

const char* TagName(StreamTag t) {
  switch (t) {
    case StreamTag::EndOfList: return "end-of-list";
    case StreamTag::ListBegin: return "list-begin";
    case StreamTag::Int8: return "int8";
    case StreamTag::Int16: return "int16";
    case StreamTag::Int32: return "int32";
    case StreamTag::Extended: return "extended";
    case StreamTag::ShortString: return "short string";
    case StreamTag::Identifier: return "identifier";
    case StreamTag::False: return "false";
    case StreamTag::True: return "true";
    case StreamTag::Binary: return "binary";
    case StreamTag::Set: return "set";
    case StreamTag::LongString: return "long string";
    case StreamTag::Nil: return "nil";
    case StreamTag::Collection: return "collection";
  }
  return "?";
}

}  // namespace

// ---------------------------------------------------------------- writer

void StreamWriter::WriteListBegin() { bytes_.append(char(StreamTag::ListBegin)); }
void StreamWriter::WriteListEnd() { bytes_.append(char(StreamTag::EndOfList)); }

void StreamWriter::WriteInteger(int32_t value) {
  if (value >= -128 && value <= 127) {
    bytes_.append(char(StreamTag::Int8));
    PutLE(bytes_, uint32_t(value), 1);
  } else if (value >= -32768 && value <= 32767) {
    bytes_.append(char(StreamTag::Int16));
    PutLE(bytes_, uint32_t(value), 2);
  } else {
    bytes_.append(char(StreamTag::Int32));
    PutLE(bytes_, uint32_t(value), 4);
  }
}

void StreamWriter::WriteString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  if (utf8.size() <= 255) {
    bytes_.append(char(StreamTag::ShortString));
    bytes_.append(char(utf8.size()));
  } else {
    bytes_.append(char(StreamTag::LongString));
    PutLE(bytes_, uint32_t(utf8.size()), 4);
  }
  bytes_.append(utf8);
}

void StreamWriter::WriteRaw(const QByteArray& bytes) { bytes_.append(bytes); }
void StreamWriter::WriteRaw(const void* data, qsizetype size) {
  bytes_.append(static_cast<const char*>(data), size);
}
void StreamWriter::WriteRawUInt8(uint8_t value) { PutLE(bytes_, value, 1); }
void StreamWriter::WriteRawInt16(int16_t value) { PutLE(bytes_, uint16_t(value), 2); }
void StreamWriter::WriteRawInt32(int32_t value) { PutLE(bytes_, uint32_t(value), 4); }

void StreamWriter::SaveToFile(const QString& path) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes_) != bytes_.size() ||
      !file.commit())
    throw StreamError("cannot write " + path.toStdString());
}

// ---------------------------------------------------------------- reader

StreamReader::StreamReader(QByteArray data) : data_(std::move(data)) {}

StreamReader StreamReader::FromFile(const QString& path) {
  const QString found =
      QString::fromStdString(files::FindCaseInsensitive(path.toStdString()).string());
  QFile file(found);
  if (!file.open(QIODevice::ReadOnly))
    throw StreamError("cannot open " + path.toStdString());
  if (file.size() > kMaxFileSize) throw StreamError("file too large: " + path.toStdString());
  QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw StreamError("cannot read " + path.toStdString());
  return StreamReader(std::move(data));
}

void StreamReader::Fail(const std::string& what) const {
  throw StreamError(what + " at byte " + std::to_string(pos_));
}

void StreamReader::Unexpected(StreamTag got, const char* expected) const {
  Fail(std::string("found ") + TagName(got) + ", expected " + expected);
}

void StreamReader::Need(qsizetype size) const {
  if (size < 0 || data_.size() - pos_ < size) Fail("stream ended early");
}

StreamTag StreamReader::PeekTag() const {
  Need(1);
  const uint8_t t = uint8_t(data_[pos_]);
  if (t > uint8_t(StreamTag::Collection)) Fail("unknown tag " + std::to_string(t));
  return StreamTag(t);
}

void StreamReader::Expect(StreamTag tag) {
  const StreamTag t = PeekTag();
  if (t != tag) Unexpected(t, TagName(tag));
  ++pos_;
}

QByteArray StreamReader::TakeBytes(qsizetype size) {
  Need(size);
  QByteArray out = data_.mid(pos_, size);
  pos_ += size;
  return out;
}

bool StreamReader::EndOfList() const { return PeekTag() == StreamTag::EndOfList; }
void StreamReader::ReadListBegin() { Expect(StreamTag::ListBegin); }
void StreamReader::ReadListEnd() { Expect(StreamTag::EndOfList); }

int32_t StreamReader::ReadInteger() {
  const StreamTag t = PeekTag();
  switch (t) {
    case StreamTag::Int8: ++pos_; return int8_t(ReadRawUInt8());
    case StreamTag::Int16: ++pos_; return ReadRawInt16();
    case StreamTag::Int32: ++pos_; return ReadRawInt32();
    default: Unexpected(t, "an integer");
  }
}

QString StreamReader::ReadString() {
  const StreamTag t = PeekTag();
  qsizetype size = 0;
  if (t == StreamTag::ShortString) {
    ++pos_;
    size = ReadRawUInt8();
  } else if (t == StreamTag::LongString) {
    ++pos_;
    size = ReadRawInt32();
    if (size < 0) Fail("negative string length");
  } else {
    Unexpected(t, "a string");
  }
  return QString::fromUtf8(TakeBytes(size));
}

bool StreamReader::ReadBoolean() {
  const StreamTag t = PeekTag();
  if (t != StreamTag::False && t != StreamTag::True) Unexpected(t, "a boolean");
  ++pos_;
  return t == StreamTag::True;
}

double StreamReader::ReadFloat() {
  Expect(StreamTag::Extended);
  Need(10);
  const double v = ExtendedToDouble(reinterpret_cast<const uint8_t*>(data_.constData() + pos_));
  pos_ += 10;
  return v;
}

QString StreamReader::ReadIdent() {
  Expect(StreamTag::Identifier);
  return QString::fromUtf8(TakeBytes(ReadRawUInt8()));
}

QByteArray StreamReader::ReadBinary() {
  Expect(StreamTag::Binary);
  const int32_t size = ReadRawInt32();
  if (size < 0) Fail("negative binary length");
  return TakeBytes(size);
}

QStringList StreamReader::ReadSet() {
  Expect(StreamTag::Set);
  QStringList names;
  for (;;) {
    const uint8_t size = ReadRawUInt8();
    if (size == 0) return names;
    names << QString::fromUtf8(TakeBytes(size));
  }
}

StreamValue StreamReader::ReadValue() { return ReadValueAt(0); }

StreamValue StreamReader::ReadValueAt(int depth) {
  StreamValue v;
  v.tag = PeekTag();
  switch (v.tag) {
    case StreamTag::Int8:
    case StreamTag::Int16:
    case StreamTag::Int32: v.integer = ReadInteger(); break;
    case StreamTag::Extended: v.real = ReadFloat(); break;
    case StreamTag::ShortString:
    case StreamTag::LongString: v.text = ReadString(); break;
    case StreamTag::Identifier: v.text = ReadIdent(); break;
    case StreamTag::False:
    case StreamTag::True: v.boolean = ReadBoolean(); break;
    case StreamTag::Binary: v.bytes = ReadBinary(); break;
    case StreamTag::Set: v.names = ReadSet(); break;
    case StreamTag::Nil: ++pos_; break;
    case StreamTag::ListBegin:
    case StreamTag::Collection:
      if (depth >= kMaxDepth) Fail("nesting too deep");
      ++pos_;
      while (!EndOfList()) v.items.push_back(ReadValueAt(depth + 1));
      ++pos_;
      break;
    case StreamTag::EndOfList: Unexpected(v.tag, "a value");
  }
  return v;
}

QByteArray StreamReader::ReadRaw(qsizetype size) { return TakeBytes(size); }

uint8_t StreamReader::ReadRawUInt8() {
  Need(1);
  return uint8_t(data_[pos_++]);
}

int16_t StreamReader::ReadRawInt16() {
  Need(2);
  const auto* p = reinterpret_cast<const uint8_t*>(data_.constData() + pos_);
  pos_ += 2;
  return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

int32_t StreamReader::ReadRawInt32() {
  Need(4);
  const auto* p = reinterpret_cast<const uint8_t*>(data_.constData() + pos_);
  pos_ += 4;
  return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                 (uint32_t(p[3]) << 24));
}

}  // namespace quillary
