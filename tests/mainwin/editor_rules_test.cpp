// Character and value rules of the editors: phone characters, reading and
// showing numbers, the calculator result, mailto addresses and the picture
// control's geometry.
#include <gtest/gtest.h>

#include "mainwin/editor_rules.h"

namespace quillary {
namespace {

TEST(EditorRulesTest, PhoneCharacters) {
  for (QChar c : QString("0123456789 #()*+,-ABCPRZ")) EXPECT_EQ(PhoneChar(c), c) << c.toLatin1();
  EXPECT_EQ(PhoneChar('a'), QChar('A'));
  EXPECT_EQ(PhoneChar('z'), QChar('Z'));
  EXPECT_EQ(PhoneChar('\b'), QChar('\b'));
  for (QChar c : QString("qQ./_!?")) EXPECT_FALSE(PhoneChar(c)) << c.toLatin1();
  EXPECT_FALSE(PhoneChar('a', false));
  EXPECT_FALSE(PhoneChar(QChar(0x00E9)));  // letters outside A to Z
}

struct NumberCase {
  const char* text;
  std::optional<double> value;
};

TEST(EditorRulesTest, NumberTextUnderEnglishSeparators) {
  const NumberCase cases[] = {
      {"(1,234.50)", -1234.5}, {"1,234.50", 1234.5}, {"-12", -12}, {"", 0},
      {"abc", 0},              {"12-", -12},         {"1.2.3", std::nullopt},
      {"$ 7.25", 7.25},        {".5", 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadNumberText(c.text, ".", ","), c.value);
  }
  EXPECT_TRUE(NumberEditAccepts('7', "."));
  EXPECT_TRUE(NumberEditAccepts('-', "."));
  EXPECT_TRUE(NumberEditAccepts('.', "."));
  EXPECT_FALSE(NumberEditAccepts(',', "."));
  EXPECT_FALSE(NumberEditAccepts('(', "."));
}

TEST(EditorRulesTest, NumberTextWhenBothSeparatorsAreOneCharacter) {
  // Only the rightmost separator is the decimal one.
  EXPECT_EQ(ReadNumberText("1.234.5", ".", "."), 1234.5);
  EXPECT_EQ(ReadNumberText("1,234,50", ",", "."), std::nullopt);
  EXPECT_EQ(ReadNumberText("1.234,50", ",", "."), 1234.5);
}

TEST(EditorRulesTest, NumberDisplay) {
  EXPECT_EQ(FormatNumber(-1234.5, ".", ","), "-1,234.50");
  EXPECT_EQ(FormatNumber(0, ".", ","), "0.00");
  EXPECT_EQ(FormatNumber(1234567.891, ",", "."), "1.234.567,89");
  EXPECT_EQ(FormatNumber(999.999, ".", ","), "1,000.00");
  EXPECT_EQ(FormatNumber(-0.001, ".", ","), "0.00");
}

TEST(EditorRulesTest, CalculatorResultKeepsItsSign) {
  EXPECT_EQ(CleanCalculatorText("1234.5", "."), "1234.5");
  EXPECT_EQ(CleanCalculatorText("-20", "."), "-20");
  EXPECT_EQ(CleanCalculatorText("-0.25", ","), "-0,25");
  EXPECT_EQ(CleanCalculatorText(".5", "."), "0.5");
}

TEST(EditorRulesTest, MailtoAddresses) {
  EXPECT_EQ(MailtoUrl("ann@example.com").toString(), "mailto:ann@example.com");
  EXPECT_EQ(MailtoUrl("  ann@example.com ").toString(), "mailto:ann@example.com");
  EXPECT_EQ(MailtoUrl("MailTo:ann@example.com").scheme(), "mailto");
  EXPECT_EQ(MailtoUrl("MailTo:ann@example.com").path(), "ann@example.com");
  EXPECT_TRUE(MailtoUrl("").isEmpty());
  EXPECT_TRUE(MailtoUrl("   ").isEmpty());
  // Whatever the text, the desktop gets a mailto: address and nothing else.
  for (const char* hostile : {"file:///etc/passwd", "/usr/bin/xterm", "http://example.com",
                              "x mailto:y@z", "javascript:alert(1)"}) {
    const QUrl url = MailtoUrl(hostile);
    EXPECT_TRUE(url.isEmpty() || url.scheme() == "mailto") << hostile;
  }
  EXPECT_EQ(MailtoUrl("file:///etc/passwd").toString(), "mailto:file:///etc/passwd");
}

TEST(EditorRulesTest, PictureGeometry) {
  EXPECT_FALSE(PictureToolBarShown(true, 209));
  EXPECT_TRUE(PictureToolBarShown(true, 210));
  EXPECT_FALSE(PictureToolBarShown(false, 400));
  // Fit to the width, or to the height when that would be too tall.
  EXPECT_EQ(StretchToFit(QSize(100, 50), QSize(200, 200)), QSize(200, 100));
  EXPECT_EQ(StretchToFit(QSize(50, 100), QSize(200, 100)), QSize(50, 100));
  EXPECT_EQ(StretchToFit(QSize(400, 400), QSize(200, 100)), QSize(100, 100));
  // Printing: at least a quarter of the width and a fifth of the height,
  // never larger than the page.
  const QSize page(2000, 3000);
  EXPECT_EQ(PrintRect(QSize(100, 100), page).size(), QSize(600, 600));
  EXPECT_EQ(PrintRect(QSize(1000, 100), page).size(), QSize(2000, 200));
  EXPECT_EQ(PrintRect(QSize(800, 800), page).size(), QSize(800, 800));
  EXPECT_EQ(PrintRect(QSize(4000, 1000), page).size(), QSize(2000, 500));
  EXPECT_EQ(PrintRect(QSize(100, 9000), page).size(), QSize(33, 3000));
}

}  // namespace
}  // namespace quillary
