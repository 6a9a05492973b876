// The record table layout by position (system fields, user fields, lookup
// list files), the kind of a field as the rest of the program sees it, and
// the field-kind sets built each time a data table opens.
#pragma once

#include <QString>
#include <bitset>
#include <vector>

#include "platform/dbase/table.h"

namespace quillary::tables {

inline constexpr int kRecordNumberField = 0;
inline constexpr int kFilterMarkField = 1;
inline constexpr int kFirstUserField = 2;
inline constexpr int kUserFieldCount = 17;
inline constexpr int kRecordFieldCount = kFirstUserField + kUserFieldCount;

// Marks of the filter field: passing and failing the current conditions.
inline constexpr char kMarkPasses = '2';
inline constexpr char kMarkFails = '0';

enum class Kind { Text, Memo, Picture, Date, Numeric, Other };

// Tested in the order text, memo, picture (any other large object), date,
// numeric; a logical field is none of them.
Kind KindOf(const dbase::FieldDef& field);
inline bool IsTextLike(Kind k) { return k == Kind::Text || k == Kind::Memo; }

using FieldSet = std::bitset<256>;

struct FieldKindSets {
  FieldSet text, memo, picture;
  bool IsText(int pos) const { return pos >= 0 && pos < 256 && text.test(size_t(pos)); }
  bool IsMemo(int pos) const { return pos >= 0 && pos < 256 && memo.test(size_t(pos)); }
  bool IsPicture(int pos) const { return pos >= 0 && pos < 256 && picture.test(size_t(pos)); }
};

// Over positions 2 and up of an open table.
FieldKindSets BuildFieldKindSets(const dbase::Table& table);

// Decimals of each numeric field (by position; 0 for other fields), which
// display code formats numbers with.
std::vector<int> FloatDecimals(const dbase::Table& table);

}  // namespace quillary::tables
