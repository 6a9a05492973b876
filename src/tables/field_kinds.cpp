#include "tables/field_kinds.h"

#include <algorithm>

namespace quillary::tables {

Kind KindOf(const dbase::FieldDef& field) {
  switch (field.kind) {
    case dbase::FieldKind::Text: return Kind::Text;
    case dbase::FieldKind::Memo: return Kind::Memo;
    case dbase::FieldKind::LargeObject: return Kind::Picture;
    case dbase::FieldKind::Date: return Kind::Date;
    case dbase::FieldKind::Numeric: return Kind::Numeric;
    case dbase::FieldKind::Logical: break;
  }
  return Kind::Other;
}

FieldKindSets BuildFieldKindSets(const dbase::Table& table) {
  FieldKindSets sets;
  if (!table.IsOpen()) return sets;
  const int n = std::min(table.FieldCount(), 256);
  for (int i = kFirstUserField; i < n; ++i) {
    switch (KindOf(table.Field(i))) {
      case Kind::Text: sets.text.set(size_t(i)); break;
      case Kind::Memo: sets.memo.set(size_t(i)); break;
      case Kind::Picture: sets.picture.set(size_t(i)); break;
      default: break;
    }
  }
  return sets;
}

std::vector<int> FloatDecimals(const dbase::Table& table) {
  std::vector<int> out;
  if (!table.IsOpen()) return out;
  for (int i = 0; i < table.FieldCount(); ++i) {
    const dbase::FieldDef& f = table.Field(i);
    out.push_back(f.kind == dbase::FieldKind::Numeric ? f.decimals : 0);
  }
  return out;
}

}  // namespace quillary::tables
