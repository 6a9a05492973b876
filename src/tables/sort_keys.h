// The sort setting (the 4 bytes kept per table) and the dBASE key expression
// a setting stands for: one- and two-field keys within the 99-character key
// budget, the direction rules, and the filtered form led by the mark field.
// Pure functions of the setting and the table's field definitions.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/field_kinds.h"

namespace quillary::tables {

struct SortSetting {
  uint8_t PrimaryField = 0;         // 0: entry order (the record number)
  uint8_t PrimaryDescending = 0;
  uint8_t SecondaryField = 0;       // below 2: none
  uint8_t SecondaryDescending = 0;

  QByteArray Bytes() const;
  static SortSetting FromBytes(const QByteArray& bytes);  // shorter than 4: entry order
  bool operator==(const SortSetting&) const = default;
};

// Tag option bits.
inline constexpr int kExpressionKey = 16;
inline constexpr int kDescendingKey = 4;
// Longest key expression text kept.
inline constexpr int kMaxExpressionText = 100;

// The field definitions of an open table, kept for key building while the
// table is closed.
std::vector<dbase::FieldDef> KeyFieldsOf(const dbase::Table& table);

struct SortKey {
  std::string expression;  // empty when the setting has no key (a picture field)
  int options = kExpressionKey;
};

SortKey BuildSortKey(const SortSetting& setting, const std::vector<dbase::FieldDef>& fields);
// The mark field's name, "+" and the plain key, cut to 100 characters.
std::string FilteredKeyExpression(const std::vector<dbase::FieldDef>& fields, const std::string& plain);

}  // namespace quillary::tables
