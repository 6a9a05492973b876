// Key expressions of sort settings, character for character.
#include <gtest/gtest.h>

#include "tables/sort_keys.h"

namespace quillary::tables {
namespace {

// 0 number, 1 mark, 2 text 40 wide, 3 text 100, 4 text 254, 5 memo,
// 6 date, 7 number, 8 picture, 9 memo, 10 text 59, 11 logical, 12 text 99,
// 13 text 60.
std::vector<dbase::FieldDef> Fields() {
  using dbase::FieldKind;
  return {{"RECNUM", 'N', 10, 0, FieldKind::Numeric}, {"MARK", 'C', 1, 0, FieldKind::Text},
          {"TITLE", 'C', 40, 0, FieldKind::Text},     {"ADDR", 'C', 100, 0, FieldKind::Text},
          {"LONG", 'C', 254, 0, FieldKind::Text},     {"DESC", 'M', 10, 0, FieldKind::Memo},
          {"D", 'D', 8, 0, FieldKind::Date},          {"AMT", 'N', 12, 2, FieldKind::Numeric},
          {"PIC", 'B', 10, 0, FieldKind::LargeObject}, {"NOTE", 'M', 10, 0, FieldKind::Memo},
          {"W59", 'C', 59, 0, FieldKind::Text},       {"FLAG", 'L', 1, 0, FieldKind::Logical},
          {"W99", 'C', 99, 0, FieldKind::Text},       {"W60", 'C', 60, 0, FieldKind::Text}};
}

struct Row {
  int p, pd, s, sd;
  const char* expression;
  int options;
};

const std::string N = "999999999999999999";

TEST(SortKeys, EveryRowAndDirectionRule) {
  const std::vector<Row> rows = {
      // one field
      {0, 0, 0, 0, "STR(RECNUM, 20, 4)", 16},
      {0, 1, 0, 0, "STR(999999999999999999-RECNUM, 20, 4)", 16},
      {3, 0, 0, 0, "UPPER(SUBSTR(ADDR, 1, 99))", 16},
      {3, 1, 0, 0, "UPPER(SUBSTR(ADDR, 1, 99))", 20},
      {4, 0, 0, 0, "UPPER(SUBSTR(LONG, 1, 99))", 16},
      {2, 0, 0, 0, "UPPER(TITLE)", 16},
      {2, 1, 0, 0, "UPPER(TITLE)", 20},
      {5, 0, 0, 0, "UPPER(MLINE(DESC, 1))", 16},
      {5, 1, 0, 0, "UPPER(MLINE(DESC, 1))", 20},
      {7, 0, 0, 0, "STR(AMT, 20, 4)", 16},
      {7, 1, 0, 0, "STR(999999999999999999-AMT, 20, 4)", 16},
      {6, 0, 0, 0, "DTOS(D)", 16},
      {6, 1, 0, 0, "STR({12/31/3099}-D, 10, 0)", 16},
      {8, 0, 0, 0, "", 16},
      {11, 0, 0, 0, "", 16},
      // a secondary below 2 or equal to the primary is no secondary
      {2, 0, 1, 1, "UPPER(TITLE)", 16},
      {2, 1, 2, 0, "UPPER(TITLE)", 20},
      // both text-like: one direction, the primary's
      {2, 0, 4, 1, "UPPER(TITLE)+UPPER(SUBSTR(LONG, 1, 59))", 16},
      {4, 1, 3, 0, "UPPER(SUBSTR(LONG, 1, 59))+UPPER(SUBSTR(ADDR, 1, 40))", 20},
      {10, 0, 3, 0, "UPPER(W59)+UPPER(SUBSTR(ADDR, 1, 40))", 16},
      {5, 0, 4, 0, "UPPER(SUBSTR(MLINE(DESC, 1), 1, 59))+UPPER(SUBSTR(LONG, 1, 40))", 16},
      {2, 1, 9, 0, "UPPER(TITLE)+UPPER(SUBSTR(MLINE(NOTE, 1), 1, 59))", 20},
      // only the primary text-like
      {2, 0, 6, 1, "UPPER(TITLE)+STR({12/31/3099}-D, 10, 0)", 16},
      {2, 0, 6, 0, "UPPER(TITLE)+DTOS(D)", 16},
      {2, 1, 6, 0, "UPPER(TITLE)+STR({12/31/3099}-D, 10, 0)", 20},
      {2, 1, 6, 1, "UPPER(TITLE)+DTOS(D)", 20},
      {2, 0, 7, 0, "UPPER(TITLE)+STR(AMT, 20, 4)", 16},
      {2, 1, 7, 0, "UPPER(TITLE)+STR(999999999999999999-AMT, 20, 4)", 20},
      {2, 0, 7, 1, "UPPER(TITLE)+STR(999999999999999999-AMT, 20, 4)", 16},
      // only the secondary text-like
      {6, 1, 2, 0, "STR({12/31/3099}-D, 10, 0)+UPPER(TITLE)", 16},
      {6, 1, 2, 1, "DTOS(D)+UPPER(TITLE)", 20},
      {6, 0, 2, 1, "STR({12/31/3099}-D, 10, 0)+UPPER(TITLE)", 20},
      {7, 0, 4, 0, "STR(AMT, 20, 4)+UPPER(SUBSTR(LONG, 1, 79))", 16},
      {7, 0, 5, 1, "STR(999999999999999999-AMT, 20, 4)+UPPER(SUBSTR(MLINE(DESC, 1), 1, 79))", 20},
      // neither: each its own direction, ascending tag
      {6, 0, 7, 1, "DTOS(D)+STR(999999999999999999-AMT, 20, 4)", 16},
      {7, 1, 6, 1, "STR(999999999999999999-AMT, 20, 4)+STR({12/31/3099}-D, 10, 0)", 16},
      {0, 0, 7, 0, "STR(RECNUM, 20, 4)+STR(AMT, 20, 4)", 16},
      // widths at the edges of the budgets
      {12, 0, 0, 0, "UPPER(W99)", 16},
      {12, 1, 0, 0, "UPPER(W99)", 20},
      {13, 0, 2, 0, "UPPER(SUBSTR(W60, 1, 59))+UPPER(TITLE)", 16},
      {2, 0, 10, 0, "UPPER(TITLE)+UPPER(W59)", 16},
      {2, 0, 13, 0, "UPPER(TITLE)+UPPER(SUBSTR(W60, 1, 59))", 16},
      {6, 0, 4, 0, "DTOS(D)+UPPER(SUBSTR(LONG, 1, 91))", 16},
      {6, 1, 4, 0, "STR({12/31/3099}-D, 10, 0)+UPPER(SUBSTR(LONG, 1, 89))", 16},
      {0, 0, 3, 1, "STR(999999999999999999-RECNUM, 20, 4)+UPPER(SUBSTR(ADDR, 1, 79))", 20},
      {0, 1, 2, 0, "STR(999999999999999999-RECNUM, 20, 4)+UPPER(TITLE)", 16},
      // rule 2 with a memo primary, rule 3 with a number inverted by the tag
      {5, 1, 6, 0, "UPPER(SUBSTR(MLINE(DESC, 1), 1, 59))+STR({12/31/3099}-D, 10, 0)", 20},
      {5, 0, 7, 1, "UPPER(SUBSTR(MLINE(DESC, 1), 1, 59))+STR(999999999999999999-AMT, 20, 4)", 16},
      {7, 1, 2, 1, "STR(AMT, 20, 4)+UPPER(TITLE)", 20},
      {7, 1, 2, 0, "STR(999999999999999999-AMT, 20, 4)+UPPER(TITLE)", 16},
      {6, 0, 9, 1, "STR({12/31/3099}-D, 10, 0)+UPPER(SUBSTR(MLINE(NOTE, 1), 1, 89))", 20},
      {6, 1, 7, 0, "STR({12/31/3099}-D, 10, 0)+STR(AMT, 20, 4)", 16},
      // a picture part leaves no key
      {2, 0, 8, 0, "", 16},
      {8, 0, 2, 0, "", 16},
  };
  for (const Row& r : rows) {
    SortSetting s{uint8_t(r.p), uint8_t(r.pd), uint8_t(r.s), uint8_t(r.sd)};
    SortKey k = BuildSortKey(s, Fields());
    EXPECT_EQ(k.expression, r.expression) << r.p << "," << r.pd << "," << r.s << "," << r.sd;
    if (*r.expression) {
      EXPECT_EQ(k.options, r.options) << r.expression;
    }
  }
}

TEST(SortKeys, FilteredFormLeadsWithTheMarkAndIsCutTo100) {
  EXPECT_EQ(FilteredKeyExpression(Fields(), "UPPER(TITLE)"), "MARK+UPPER(TITLE)");
  std::vector<dbase::FieldDef> f = Fields();
  f[1].name = std::string(30, 'M');
  std::string e = FilteredKeyExpression(f, std::string(90, 'x'));
  EXPECT_EQ(e.size(), 100u);
  EXPECT_EQ(e.substr(0, 31), std::string(30, 'M') + "+");
}

TEST(SortKeys, SettingBytes) {
  SortSetting s{4, 1, 9, 0};
  EXPECT_EQ(s.Bytes(), QByteArray("\x04\x01\x09\x00", 4));
  EXPECT_EQ(SortSetting::FromBytes(s.Bytes()), s);
  EXPECT_EQ(SortSetting::FromBytes(QByteArray("\x04\x01\x09", 3)), SortSetting{});
}

}  // namespace
}  // namespace quillary::tables
