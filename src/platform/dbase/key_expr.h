// Key expressions of index tags: a small dBASE expression language parsed to
// a tree, type-checked against the table's fields and evaluated against one
// record into the fixed-width key bytes a tag stores and compares.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbase/codepage.h"
#include "platform/dbase/field_def.h"
#include "platform/dbase/key_encoding.h"

namespace quillary::dbase {

// What an expression reads of one record. Field bytes are the raw stored
// bytes (fixed width, in the table's code page); memo text is the whole memo
// in the table's code page.
class KeyRecord {
 public:
  virtual ~KeyRecord() = default;
  virtual std::string_view FieldBytes(int field) const = 0;
  virtual std::string MemoText(int field) const = 0;
  // Positions of field bytes a caller gave raw (bytes that were no UTF-8,
  // such as the 0x01 and 0xFF bounds of letter ranges). Upper-casing leaves
  // them alone so that a bound byte keeps its place at the ends of the key
  // space whatever letter the code page happens to have there. Null: none.
  virtual const std::vector<bool>* RawMask(int /*field*/) const { return nullptr; }
};

// Raised for text that does not parse or type-check; the table turns it into
// its general error.
class KeyExpressionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The key width limit of the dBASE IV index format.
constexpr int kMaxKeyLength = 100;

class KeyExpression {
 public:
  struct Node;

  // Parses and type-checks; throws KeyExpressionError.
  static KeyExpression Compile(std::string_view text, const std::vector<FieldDef>& fields,
                               CodePage cp);

  KeyExpression(KeyExpression&&) noexcept;
  KeyExpression& operator=(KeyExpression&&) noexcept;
  ~KeyExpression();

  // 'C' character, 'N' numeric, 'D' date: the tag's key type.
  char Type() const { return type_; }
  // Bytes of every key: the static width for character keys, 12 for numeric
  // keys (dBASE IV BCD), 8 for date keys (day number as a double).
  int KeyLength() const { return key_length_; }
  const std::string& Text() const { return text_; }

  // The key of one record, exactly KeyLength() bytes. Throws ValueError when
  // a memo cannot be read.
  std::string Evaluate(const KeyRecord& record) const;
  // Appends the same KeyLength() bytes to `out`. The plain shapes of
  // character keys (a field, SUBSTR of a field, UPPER of either) are cut
  // straight from the field bytes in `scratch`, which callers keep between
  // records so that a scan of a whole table allocates nothing per record.
  void AppendKey(const KeyRecord& record, std::string& out, std::string& scratch) const;

 private:
  KeyExpression() = default;
  std::string text_;
  char type_ = 'C';
  int key_length_ = 0;
  CodePage cp_ = CodePage::Utf8;
  std::unique_ptr<Node> root_;
};

}  // namespace quillary::dbase
