// The tagged-value stream: the binary encoding (one tag byte, then its data,
// little-endian) of the template index files, log.dat and most definition
// files. The writer emits only the tags this program writes; the reader
// accepts every tag so that files from other writers can be read or skipped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillary {

// Raised for a tag other than the one expected, a file that ends early, a
// missing or unwritable file, and any other malformed data. Loaders catch it
// and keep what they had read, or their defaults.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class StreamTag : uint8_t {
  EndOfList = 0,
  ListBegin = 1,
  Int8 = 2,
  Int16 = 3,
  Int32 = 4,
  Extended = 5,     // 10-byte extended-precision float
  ShortString = 6,  // length byte, then that many bytes
  Identifier = 7,   // length byte, then that many bytes
  False = 8,
  True = 9,
  Binary = 10,      // int32 length, then that many bytes
  Set = 11,         // untagged length-prefixed names, ended by an empty name
  LongString = 12,  // int32 length, then that many bytes
  Nil = 13,
  Collection = 14,  // values, ended by end-of-list
};

// Strings are UTF-8; a string's length is its byte length.
class StreamWriter {
 public:
  void WriteListBegin();
  void WriteListEnd();
  // Narrowest of int8, int16 and int32.
  void WriteInteger(int32_t value);
  // Short string up to 255 bytes, long string beyond.
  void WriteString(const QString& text);

  // Bytes without a tag; the reader must take the same number back.
  void WriteRaw(const QByteArray& bytes);
  void WriteRaw(const void* data, qsizetype size);
  void WriteRawUInt8(uint8_t value);
  void WriteRawInt16(int16_t value);
  void WriteRawInt32(int32_t value);

  const QByteArray& Bytes() const { return bytes_; }

  // Replaces the file as a whole; on failure the old file stays untouched.
  // Throws StreamError when the file cannot be written.
  void SaveToFile(const QString& path) const;

 private:
  QByteArray bytes_;
};

// One value of any tag, for readers that skip or inspect what they do not
// interpret.
struct StreamValue {
  StreamTag tag = StreamTag::Nil;
  int32_t integer = 0;             // Int8, Int16, Int32
  double real = 0;                 // Extended
  bool boolean = false;            // False, True
  QString text;                    // ShortString, LongString, Identifier
  QByteArray bytes;                // Binary
  QStringList names;               // Set
  std::vector<StreamValue> items;  // ListBegin, Collection
};

class StreamReader {
 public:
  explicit StreamReader(QByteArray data);
  // Reads the whole file, finding its name in any letter case. A missing or
  // unreadable file is a StreamError.
  static StreamReader FromFile(const QString& path);

  bool AtEnd() const { return pos_ >= data_.size(); }
  qsizetype Position() const { return pos_; }
  StreamTag PeekTag() const;  // throws at the end of the data or on an unknown tag

  // True when the next tag is end-of-list; does not consume it.
  bool EndOfList() const;
  void ReadListBegin();
  void ReadListEnd();

  int32_t ReadInteger();  // tags 2, 3, 4
  QString ReadString();   // tags 6, 12
  bool ReadBoolean();     // tags 8, 9
  double ReadFloat();     // tag 5
  QString ReadIdent();    // tag 7
  QByteArray ReadBinary();  // tag 10
  QStringList ReadSet();    // tag 11

  // Any value; lists and collections are read whole, nested to a bounded depth.
  StreamValue ReadValue();
  void SkipValue() { ReadValue(); }

  QByteArray ReadRaw(qsizetype size);
  uint8_t ReadRawUInt8();
  int16_t ReadRawInt16();
  int32_t ReadRawInt32();

  // Nesting deeper than this is treated as damage rather than recursed into.
  static constexpr int kMaxDepth = 64;

 private:
  void Expect(StreamTag tag);
  void Need(qsizetype size) const;
  [[noreturn]] void Fail(const std::string& what) const;
  [[noreturn]] void Unexpected(StreamTag got, const char* expected) const;
  StreamValue ReadValueAt(int depth);
  QByteArray TakeBytes(qsizetype size);

  QByteArray data_;
  qsizetype pos_ = 0;
};

}  // namespace quillary
