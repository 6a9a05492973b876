// The small text and number helpers and the date format, under locales
// with different separators.
#include <gtest/gtest.h>

#include <QLocale>

#include "platform/dbase/table.h"
#include "shell/date_formats.h"
#include "shell/options.h"
#include "shell/text_helpers.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

class LocaleScope {
 public:
  explicit LocaleScope(const char* name) : old_(QLocale()) { QLocale::setDefault(QLocale(name)); }
  ~LocaleScope() { QLocale::setDefault(old_); }

 private:
  QLocale old_;
};

TEST(HelpersTest, IsBlankAndUpperText) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank(" \t\r\n"));
  EXPECT_TRUE(IsBlank(QString(QChar(31))));
  EXPECT_FALSE(IsBlank("  x "));
  EXPECT_FALSE(IsBlank(QString(QChar(0x00A0))));  // above 32
  EXPECT_EQ(UpperText("stra\u00dfe caf\u00e9 abc"), "STRASSE CAF\u00c9 ABC");
}

struct NumberCase {
  const char* locale;
  const char* input;
  const char* clean;
  double loose;
  qint64 integer;
};

TEST(HelpersTest, NumbersUnderTwoLocales) {
  const NumberCase cases[] = {
      // English: "." decimal, "," thousands.
      {"en_US", "1,234.56", "1234.56", 1234.56, 0},
      {"en_US", "$ 12", "12", 12, 0},
      {"en_US", ".5", "0.5", 0.5, 0},
      {"en_US", "1.2.3", "12.3", 0, 0},
      {"en_US", "-42", "42", 42, -42},
      {"en_US", "1,234", "1.234", 1234, 1234},
      {"en_US", "abc", "", 0, 0},
      {"en_US", "", "", 0, 0},
      // German: "," decimal, "." thousands.
      {"de_DE", "1.234,56", "1234,56", 1234.56, 0},
      {"de_DE", "1.5", "1,5", 15, 15},
      {"de_DE", "1,5", "1,5", 1.5, 0},
      {"de_DE", "1.234", "1,234", 1234, 1234},
      {"de_DE", "EUR 7,25", "7,25", 7.25, 0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " \"" + c.input + "\"");
    LocaleScope scope(c.locale);
    EXPECT_EQ(CleanNumberText(c.input), QString(c.clean));
    EXPECT_DOUBLE_EQ(ParseLooseNumber(c.input), c.loose);
    EXPECT_EQ(ParseLooseInteger(c.input), c.integer);
  }
}

TEST(HelpersTest, DateFormatByIndexUsesTheLocaleSeparator) {
  struct Case { const char* locale; int index; const char* want; };
  const Case cases[] = {
      {"en_US", 0, "mm/dd/yyyy"}, {"en_US", 1, "dd/mm/yyyy"},
      {"en_US", 2, "yyyy/mm/dd"}, {"en_US", 3, "yyyy"},
      {"de_DE", 0, "mm.dd.yyyy"}, {"de_DE", 2, "yyyy.mm.dd"}, {"de_DE", 3, "yyyy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.index));
    LocaleScope scope(c.locale);
    SetDateFormatByIndex(c.index);
    EXPECT_EQ(ShortDateFormat(), QString(c.want));
  }
  LocaleScope scope("en_GB");
  SetDateFormatByIndex(1);
  SetDateFormatByIndex(7);  // other values change nothing
  SetDateFormatByIndex(-1);
  EXPECT_EQ(ShortDateFormat(), "dd/mm/yyyy");
}

// A date field's display code: the entry bound to the field, else the entry
// at its place among the date fields, else "0" (also past the last field).
TEST(HelpersTest, DateCodeOfAField) {
  test::TempHome home;
  dbase::Table::Create(home.path().toStdString(), "dates.dbf",
                       {{"RECNO", 'N', 10, 0}, {"MARK", 'C', 1, 0}, {"FIRST", 'D', 8, 0},
                        {"NAME", 'C', 10, 0}, {"SECOND", 'D', 8, 0}, {"THIRD", 'D', 8, 0}});
  dbase::Table t(home.path().toStdString(), "dates.dbf");
  t.Open();
  Opt().DateFormats = {{"1", -1}, {"2", -1}};
  struct Case { int position; const char* code; };
  for (Case c : {Case{2, "1"}, Case{4, "2"}, Case{5, "0"}, Case{40, "0"}})
    EXPECT_EQ(DateCodeOf(t, c.position), QString(c.code)) << c.position;
  Opt().DateFormats = {{"1", -1}, {"3", 4}};  // the third date field's own entry
  EXPECT_EQ(DateCodeOf(t, 5), "3");
  EXPECT_EQ(DateCodeOf(t, 4), "3");  // second place: the list's second entry
  Opt().DateFormats.clear();
}

}  // namespace
}  // namespace quillary
