#include "tables/sort_keys.h"

#include <algorithm>

namespace quillary::tables {

namespace {

const std::string kNines = "999999999999999999";
const std::string kLastDate = "{12/31/3099}";

std::string Num(int v) { return std::to_string(v); }

// A position beyond the fields stands for a field no key is made of.
dbase::FieldDef FieldAt(const std::vector<dbase::FieldDef>& fields, int pos) {
  if (pos < 0 || size_t(pos) >= fields.size()) return dbase::FieldDef{"", 'L', 1, 0, dbase::FieldKind::Logical};
  return fields[size_t(pos)];
}

// One field alone: the whole key.
SortKey OneField(const dbase::FieldDef& f, bool descending) {
  SortKey k;
  const std::string& n = f.name;
  switch (KindOf(f)) {
    case Kind::Text:
      k.expression = f.width >= 100 ? "UPPER(SUBSTR(" + n + ", 1, 99))" : "UPPER(" + n + ")";
      if (descending) k.options |= kDescendingKey;
      break;
    case Kind::Memo:
      k.expression = "UPPER(MLINE(" + n + ", 1))";
      if (descending) k.options |= kDescendingKey;
      break;
    case Kind::Numeric:
      // Numbers and dates are inverted inside the key, never by the tag.
      k.expression = descending ? "STR(" + kNines + "-" + n + ", 20, 4)" : "STR(" + n + ", 20, 4)";
      break;
    case Kind::Date:
      k.expression = descending ? "STR(" + kLastDate + "-" + n + ", 10, 0)" : "DTOS(" + n + ")";
      break;
    default:
      k.expression.clear();
      break;
  }
  return k;
}

struct Part {
  std::string text;
  int used = 0;
};

// One part of a two-field key within a budget of `b` characters.
Part KeyPart(const dbase::FieldDef& f, bool descending, int b) {
  const std::string& n = f.name;
  switch (KindOf(f)) {
    case Kind::Text:
      if (f.width > b) return {"UPPER(SUBSTR(" + n + ", 1, " + Num(b) + "))", b};
      return {"UPPER(" + n + ")", f.width};
    case Kind::Memo:
      return {"UPPER(SUBSTR(MLINE(" + n + ", 1), 1, " + Num(b) + "))", b};
    case Kind::Numeric: {
      int w = std::min(b, 20);
      if (descending) return {"STR(" + kNines + "-" + n + ", 20, 4)", w};
      return {"STR(" + n + ", " + Num(w) + ", 4)", w};
    }
    case Kind::Date:
      if (descending) return {"STR(" + kLastDate + "-" + n + ", 10, 0)", 10};
      return {"DTOS(" + n + ")", 8};
    default:
      return {};
  }
}

SortKey TwoFields(const dbase::FieldDef& p, bool pDesc, const dbase::FieldDef& s, bool sDesc) {
  const bool pText = IsTextLike(KindOf(p)), sText = IsTextLike(KindOf(s));
  bool tagDescending = false;
  if (pText && sText) {
    sDesc = pDesc;  // one direction for the whole tag
    tagDescending = pDesc;
  } else if (pText) {
    if (pDesc) {
      tagDescending = true;
      sDesc = !sDesc;  // the descending tag turns it back
    }
  } else if (sText) {
    if (sDesc) {
      tagDescending = true;
      pDesc = !pDesc;
    }
  }
  SortKey k;
  Part first = KeyPart(p, pDesc, 59);
  Part second = KeyPart(s, sDesc, 99 - first.used);
  if (first.text.empty() || second.text.empty()) {
    k.expression.clear();
    return k;
  }
  k.expression = first.text + "+" + second.text;
  if (tagDescending) k.options |= kDescendingKey;
  return k;
}

}  // namespace

QByteArray SortSetting::Bytes() const {
  QByteArray b(4, '\0');
  b[0] = char(PrimaryField);
  b[1] = char(PrimaryDescending);
  b[2] = char(SecondaryField);
  b[3] = char(SecondaryDescending);
  return b;
}

SortSetting SortSetting::FromBytes(const QByteArray& b) {
  SortSetting s;
  if (b.size() < 4) return s;
  s.PrimaryField = uint8_t(b[0]);
  s.PrimaryDescending = uint8_t(b[1]);
  s.SecondaryField = uint8_t(b[2]);
  s.SecondaryDescending = uint8_t(b[3]);
  return s;
}

std::vector<dbase::FieldDef> KeyFieldsOf(const dbase::Table& table) {
  std::vector<dbase::FieldDef> out;
  for (int i = 0; i < table.FieldCount(); ++i) out.push_back(table.Field(i));
  return out;
}

SortKey BuildSortKey(const SortSetting& s, const std::vector<dbase::FieldDef>& fields) {
  // Entry order is the key on the record number.
  const int primary = s.PrimaryField == 0 ? kRecordNumberField : s.PrimaryField;
  const dbase::FieldDef p = FieldAt(fields, primary);
  if (s.SecondaryField < kFirstUserField || s.SecondaryField == s.PrimaryField)
    return OneField(p, s.PrimaryDescending != 0);
  return TwoFields(p, s.PrimaryDescending != 0, FieldAt(fields, s.SecondaryField), s.SecondaryDescending != 0);
}

std::string FilteredKeyExpression(const std::vector<dbase::FieldDef>& fields, const std::string& plain) {
  std::string e = FieldAt(fields, kFilterMarkField).name + "+" + plain;
  if (e.size() > size_t(kMaxExpressionText)) e.resize(size_t(kMaxExpressionText));
  return e;
}

}  // namespace quillary::tables
