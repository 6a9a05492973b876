// The one description of a field the engine knows: name, type letter, width
// and decimals as the header stores them, with the kind callers test and the
// field's place in the record. Tables to create are described with it too.
#pragma once

#include <string>

namespace quillary::dbase {

// The kind callers test, derived from the field's type letter.
enum class FieldKind { Text, Memo, LargeObject, Date, Numeric, Logical };

struct FieldDef {
  std::string name;  // as stored, upper case, at most 10 characters
  char type = 'C';   // C N F D L M B
  // Bytes in the record. Widths of D, L, M and B are fixed by the format
  // and ignored when a table is created.
  int width = 0;
  int decimals = 0;
  // Read from the file: ignored when a table is created.
  FieldKind kind = FieldKind::Text;
  int offset = 0;  // byte offset inside the record (after the deleted flag)
};

}  // namespace quillary::dbase
