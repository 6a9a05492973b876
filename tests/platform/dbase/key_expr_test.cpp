// Key expressions: the key bytes of every key shape the sort descriptor
// builds, dBASE's STR/MLINE/DTOS/SUBSTR rules, upper-casing by code page
// (including texts whose upper case has another byte length), raw bound
// bytes, numeric and date keys, and the expressions that must be refused.
#include <gtest/gtest.h>

#include <map>

#include "platform/dbase/key_expr.h"

namespace quillary::dbase {
namespace {

const std::vector<FieldDef> kFields = {
    {"RECNO", 'N', 10, 0}, {"MARK", 'C', 1, 0},   {"TITLE", 'C', 12, 0}, {"DATE", 'D', 8, 0},
    {"NOTES", 'M', 10, 0}, {"AMOUNT", 'N', 12, 2}, {"WIDE", 'C', 120, 0}, {"OK", 'L', 1, 0},
};

using Values = std::map<std::string, std::string>;

// A record given as field texts; unset fields are blank.
class FakeRecord : public KeyRecord {
 public:
  explicit FakeRecord(std::map<std::string, std::string> values, std::string memo = {})
      : memo_(std::move(memo)) {
    for (const auto& f : kFields) {
      std::string v = values.count(f.name) ? values[f.name] : std::string();
      if (f.type == 'N') v = std::string(size_t(f.width) - std::min(v.size(), size_t(f.width)), ' ') + v;
      v.resize(size_t(f.width), ' ');
      bytes_.push_back(v);
    }
  }
  std::string_view FieldBytes(int field) const override { return bytes_[size_t(field)]; }
  std::string MemoText(int) const override { return memo_; }
  const std::vector<bool>* RawMask(int field) const override {
    auto it = masks_.find(field);
    return it == masks_.end() ? nullptr : &it->second;
  }
  std::map<int, std::vector<bool>> masks_;

 private:
  std::vector<std::string> bytes_;
  std::string memo_;
};

std::string Key(const std::string& expr, const FakeRecord& rec, CodePage cp = CodePage::Utf8) {
  return KeyExpression::Compile(expr, kFields, cp).Evaluate(rec);
}

std::string Pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

struct Case {
  const char* expr;
  std::map<std::string, std::string> values;
  std::string memo;
  std::string key;
};

TEST(KeyExpression, KeysOfEverySortKeyShape) {
  const std::string spaces50(50, ' ');
  const Case cases[] = {
      // Entry order and its inverted form.
      {"STR(RECNO, 20, 4)", {{"RECNO", "42"}}, "", "             42.0000"},
      // 18 nines minus a number overflows 4 decimals: dBASE gives decimals up first.
      {"STR(999999999999999999-RECNO, 20, 4)", {{"RECNO", "42"}}, "", "999999999999999957.0"},
      {"STR(999999999999999999-RECNO, 20, 4)", {}, "", "999999999999999999.0"},
      {"STR(AMOUNT, 20, 4)", {{"AMOUNT", "-12.5"}}, "", "            -12.5000"},
      {"STR(999999999999999999-AMOUNT, 20, 4)", {{"AMOUNT", "12.25"}}, "", "999999999999999986.8"},
      // Dates: ascending as yyyymmdd, descending as days until 31 Dec 3099.
      {"DTOS(DATE)", {{"DATE", "20261210"}}, "", "20261210"},
      {"DTOS(DATE)", {}, "", "        "},
      {"STR({12/31/3099}-DATE, 10, 0)", {{"DATE", "20261210"}}, "", "    391926"},
      {"STR({12/31/3099}-DATE, 10, 0)", {}, "", "   2853311"},
      {"DTOS(DATE-1)", {{"DATE", "20240301"}}, "", "20240229"},
      // Text keys, plain and cut to a budget.
      {"UPPER(TITLE)", {{"TITLE", "Apple pie"}}, "", "APPLE PIE   "},
      {"UPPER(SUBSTR(TITLE, 1, 5))", {{"TITLE", "apple pie"}}, "", "APPLE"},
      {"UPPER(SUBSTR(WIDE, 1, 99))", {{"WIDE", "x"}}, "", Pad("X", 99)},
      // Two-field keys with SUBSTR budgets and the filter mark in front.
      {"UPPER(TITLE)+STR({12/31/3099}-DATE, 10, 0)", {{"TITLE", "b"}, {"DATE", "20261210"}}, "",
       Pad("B", 12) + "    391926"},
      {"UPPER(SUBSTR(TITLE, 1, 4))+UPPER(SUBSTR(WIDE, 1, 3))", {{"TITLE", "abcdef"}, {"WIDE", "wxyz"}}, "",
       "ABCDWXY"},
      {"STR(AMOUNT, 8, 4)+UPPER(TITLE)", {{"AMOUNT", "3.5"}, {"TITLE", "z"}}, "", "  3.5000Z           "},
      {"MARK+UPPER(TITLE)", {{"MARK", "2"}, {"TITLE", "ok"}}, "", "2OK          "},
      {"DTOS(DATE)+UPPER(TITLE)", {{"TITLE", "t"}}, "", "        T           "},
      // Memo keys: the first line at dBASE's memo width of 50.
      {"UPPER(MLINE(NOTES, 1))", {}, "", spaces50},
      {"UPPER(MLINE(NOTES, 1))", {}, "first line\r\nsecond", Pad("FIRST LINE", 50)},
      {"UPPER(MLINE(NOTES, 2))", {}, "first line\r\nsecond", Pad("SECOND", 50)},
      {"UPPER(SUBSTR(MLINE(NOTES, 1), 1, 5))", {}, "abcdefgh", "ABCDE"},
      {"MLINE(NOTES, 1)", {}, std::string(48, 'a') + " bbbbbbbb", Pad(std::string(48, 'a'), 50)},
      // Case-insensitive names, abbreviations, literals, "-" on text.
      {"upper(title)", {{"TITLE", "mixed"}}, "", "MIXED       "},
      {"UPPE(SUBS(TITLE, 2, 3))", {{"TITLE", "mixed"}}, "", "IXE"},
      {"'A'+TITLE", {{"TITLE", "b"}}, "", Pad("Ab", 13)},
      {"TITLE-'x'", {{"TITLE", "ab"}}, "", Pad("abx", 13)},
      {"STR(AMOUNT, 5, 2)", {{"AMOUNT", "123.456"}}, "", "123.5"},
      {"STR(AMOUNT, 2)", {{"AMOUNT", "123"}}, "", "**"},
      {"STR(AMOUNT)", {{"AMOUNT", "7"}}, "", "         7"},
  };
  for (const auto& c : cases) {
    FakeRecord rec(c.values, c.memo);
    EXPECT_EQ(Key(c.expr, rec), c.key) << c.expr;
    EXPECT_EQ(int(c.key.size()), KeyExpression::Compile(c.expr, kFields, CodePage::Utf8).KeyLength()) << c.expr;
  }
}

TEST(KeyExpression, UpperCaseByCodePageKeepsTheKeyWidthOnCharacterBoundaries) {
  // UTF-8: dotless i (2 bytes) upper-cases to "I" (1 byte); the key is padded.
  EXPECT_EQ(Key("UPPER(TITLE)", FakeRecord(Values{{"TITLE", "\xC4\xB1stanbul"}})), "ISTANBUL    ");
  // y with diaeresis: 2 bytes either way, but not ASCII.
  EXPECT_EQ(Key("UPPER(TITLE)", FakeRecord(Values{{"TITLE", "\xC3\xBF\xC3\xA9t\xC3\xA9"}})),
            "\xC5\xB8\xC3\x89T\xC3\x89     ");
  // A capital longer than its small letter is cut on a character boundary.
  std::string grows = "\xC9\x90\xC9\x90\xC9\x90\xC9\x90\xC9\x90\xC9\x90";  // six U+0250, 12 bytes
  std::string upper = Key("UPPER(TITLE)", FakeRecord(Values{{"TITLE", grows}}));
  ASSERT_EQ(upper.size(), 12u);
  EXPECT_EQ(upper, "\xE2\xB1\xAF\xE2\xB1\xAF\xE2\xB1\xAF\xE2\xB1\xAF");
  // SUBSTR counts bytes but never splits a character.
  EXPECT_EQ(Key("SUBSTR(TITLE, 1, 2)", FakeRecord(Values{{"TITLE", "a\xC3\xA9"}})), "a ");
  EXPECT_EQ(Key("SUBSTR(TITLE, 3, 2)", FakeRecord(Values{{"TITLE", "a\xC3\xA9z"}})), "z ");
  // Windows-1252: letters above ASCII upper-case too.
  EXPECT_EQ(Key("UPPER(TITLE)", FakeRecord(Values{{"TITLE", "\xE9t\xE9 \xFF"}}), CodePage::Windows1252),
            "\xC9T\xC9 \x9F       ");
}

TEST(KeyExpression, RawBoundBytesSurviveUpperCasing) {
  // 0xFF is "y with diaeresis" in Windows-1252, but as a range bound given
  // raw it must stay 0xFF so that it sorts above every text.
  FakeRecord rec(Values{{"TITLE", "z\xFF"}});
  rec.masks_[2] = {false, true};
  EXPECT_EQ(Key("UPPER(TITLE)", rec, CodePage::Windows1252), "Z\xFF          ");
  EXPECT_EQ(Key("MARK+UPPER(SUBSTR(TITLE, 1, 5))", rec, CodePage::Windows1252), " Z\xFF   ");
  FakeRecord low(Values{{"TITLE", "\x01"}});
  EXPECT_EQ(Key("UPPER(TITLE)", low, CodePage::Windows1252), Pad("\x01", 12));
}

TEST(KeyExpression, NumericAndDateKeysCompareByValue) {
  auto expr = KeyExpression::Compile("AMOUNT", kFields, CodePage::Utf8);
  EXPECT_EQ(expr.Type(), 'N');
  EXPECT_EQ(expr.KeyLength(), 12);
  std::vector<std::string> values = {"-1000", "-5.5", "-5", "0", "0.01", "3.5", "12", "99999999.99"};
  for (size_t i = 0; i + 1 < values.size(); ++i) {
    std::string a = expr.Evaluate(FakeRecord(Values{{"AMOUNT", values[i]}}));
    std::string b = expr.Evaluate(FakeRecord(Values{{"AMOUNT", values[i + 1]}}));
    EXPECT_LT(CompareKeys('N', a, b), 0) << values[i] << " < " << values[i + 1];
  }
  // Number keys of any magnitude and scale a numeric field can hold.
  const char* ordered[] = {"-99999999999999999999", "-123456789012345678.5", "-1", "-0.000000000000000001",
                           "0",  "0.000000000000000001",  "0.00000000000000001", "0.5", "1",
                           "12345678901234567890", "99999999999999999999"};
  for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
    std::string a = EncodeNumericKey(ParseDecimal(ordered[i])), b = EncodeNumericKey(ParseDecimal(ordered[i + 1]));
    EXPECT_LT(CompareKeys('N', a, b), 0) << ordered[i] << " < " << ordered[i + 1];
    EXPECT_GT(CompareKeys('N', b, a), 0) << ordered[i + 1] << " > " << ordered[i];
    EXPECT_EQ(CompareKeys('N', a, a), 0) << ordered[i];
  }
  // A key whose header claims absurd digit counts still compares.
  std::string absurd = EncodeNumericKey(ParseDecimal("98765432109876543210"));
  absurd[0] = char(0xFF);
  EXPECT_GT(CompareKeys('N', absurd, EncodeNumericKey(ParseDecimal("0.000000000000000001"))), 0);
  absurd[0] = char(0x00);
  EXPECT_LT(CompareKeys('N', absurd, EncodeNumericKey(ParseDecimal("1"))), 0);
  Decimal d = DecodeNumericKey(EncodeNumericKey(ParseDecimal("-12.25")));
  EXPECT_EQ(FormatStr(d, 8, 2), "  -12.25");

  auto date = KeyExpression::Compile("DATE", kFields, CodePage::Utf8);
  EXPECT_EQ(date.Type(), 'D');
  std::string blank = date.Evaluate(FakeRecord(Values{}));
  std::string old = date.Evaluate(FakeRecord(Values{{"DATE", "18991231"}}));
  std::string now = date.Evaluate(FakeRecord(Values{{"DATE", "20261210"}}));
  EXPECT_LT(CompareKeys('D', blank, old), 0);
  EXPECT_LT(CompareKeys('D', old, now), 0);
  EXPECT_EQ(DecodeDateKey(now), JulianDay(2026, 12, 10));
}

TEST(KeyExpression, RefusesWhatDoesNotParseOrTypeCheck) {
  const char* bad[] = {
      "",      "UPPER(",          "UPPER(RECNO)",   "NOPE",         "SUBSTR(TITLE, RECNO, 2)",
      "DTOS(TITLE)", "TITLE-RECNO", "NOTES",        "STR(TITLE)",   "WIDE+WIDE",
      "RECNO-DATE",  "OK",          "MLINE(TITLE, 1)", "{13/45/2000}", "UPPER(TITLE))",
      "'open",       "FOO(TITLE)",  "SUBSTR(TITLE, 0, 2)",
  };
  for (const char* e : bad) EXPECT_THROW(KeyExpression::Compile(e, kFields, CodePage::Utf8), KeyExpressionError) << e;
}

}  // namespace
}  // namespace quillary::dbase
