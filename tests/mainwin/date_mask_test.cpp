// The date editor's mask: caret moves of typing, completion, validity and the
// conversion between text and date, for every format.
#include <gtest/gtest.h>

#include "mainwin/date_mask.h"

namespace quillary {
namespace {

TEST(DateMaskTest, ShapesOfTheFormats) {
  EXPECT_EQ(DateMask::FromIndex(0, "/").EmptyText(), "__/__/____");
  EXPECT_EQ(DateMask::FromIndex(1, ".").EmptyText(), "__.__.____");
  EXPECT_EQ(DateMask::FromIndex(2, "-").EmptyText(), "____-__-__");
  EXPECT_EQ(DateMask::FromIndex(3, "/").EmptyText(), "____");
  EXPECT_EQ(DateMask("mm/dd/yy").EmptyText(), "__/__/__");
  EXPECT_EQ(DateMask("m/d/yy").Length(), 8);
  EXPECT_EQ(DateMask::FromIndex(7, "/").Format(), "mm/dd/yyyy");
}

TEST(DateMaskTest, TypingJumpsOverSeparatorsAndStopsAtTheEnd) {
  const DateMask ymd = DateMask::FromIndex(2, "/");
  DateMask::Edit e{ymd.EmptyText(), 0};
  for (QChar c : QString("1999")) e = ymd.TypeDigit(e.text, e.caret, c);
  EXPECT_EQ(e.text, "1999/__/__");
  EXPECT_EQ(e.caret, 5);  // on the month
  for (QChar c : QString("123456")) e = ymd.TypeDigit(e.text, e.caret, c);
  EXPECT_EQ(e.text, "1999/12/34");
  EXPECT_EQ(e.caret, 10);  // typing past the last position is ignored
  // A caret on a separator types into the next position.
  e = ymd.TypeDigit(ymd.EmptyText(), 4, '7');
  EXPECT_EQ(e.text, "____/7_/__");
  EXPECT_EQ(e.caret, 6);
}

TEST(DateMaskTest, BackspaceAndCaretKeys) {
  const DateMask mdy = DateMask::FromIndex(0, "/");
  DateMask::Edit e = mdy.Backspace("12/25/2001", 3);  // just after the separator
  EXPECT_EQ(e.text, "1_/25/2001");
  EXPECT_EQ(e.caret, 1);
  e = mdy.Backspace(e.text, 0);
  EXPECT_EQ(e.text, "1_/25/2001");
  EXPECT_EQ(e.caret, 0);
  EXPECT_EQ(mdy.Right(1), 3);
  EXPECT_EQ(mdy.Right(0), 1);
  EXPECT_EQ(mdy.Left(3), 1);
  EXPECT_EQ(mdy.Left(0), 0);
  EXPECT_EQ(mdy.Right(10), 10);
  EXPECT_EQ(mdy.End(), 10);
  EXPECT_EQ(mdy.Click(2), 3);
  EXPECT_EQ(mdy.Click(4), 4);
}

struct CompleteCase {
  int format;
  const char* text;
  const char* completed;
  bool valid;
  QDate date;
};

TEST(DateMaskTest, CompletionValidityAndValue) {
  const CompleteCase cases[] = {
      {1, "_5/_3/2001", "05/03/2001", true, QDate(2001, 3, 5)},
      {0, "02/30/2001", "02/30/2001", false, QDate()},
      {0, "2_/10/2001", "2_/10/2001", false, QDate()},  // trailing "_" stay
      {0, "__/__/____", "__/__/____", true, QDate()},   // empty is valid
      {0, "_1/__/2001", "01/__/2001", false, QDate()},
      {2, "_201/_2/29", "0201/02/29", false, QDate()},  // 201 is no leap year
      {2, "2004/_2/29", "2004/02/29", true, QDate(2004, 2, 29)},
      {3, "1998", "1998", true, QDate(1998, 1, 1)},
      {3, "_998", "0998", true, QDate(998, 1, 1)},
      {3, "0000", "0000", false, QDate()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const DateMask m = DateMask::FromIndex(c.format, "/");
    EXPECT_EQ(m.Complete(c.text), c.completed);
    EXPECT_EQ(m.IsValid(c.text), c.valid);
    EXPECT_EQ(m.ToDate(c.text), c.date);
  }
}

TEST(DateMaskTest, DatesShowInTheFormat) {
  const QDate d(2004, 3, 10);
  EXPECT_EQ(DateMask::FromIndex(0, "/").FromDate(d), "03/10/2004");
  EXPECT_EQ(DateMask::FromIndex(1, ".").FromDate(d), "10.03.2004");
  EXPECT_EQ(DateMask::FromIndex(2, "-").FromDate(d), "2004-03-10");
  EXPECT_EQ(DateMask::FromIndex(3, "/").FromDate(d), "2004");
  EXPECT_EQ(DateMask("dd/mm/yy").FromDate(d), "10/03/04");
  EXPECT_EQ(DateMask("dd/mm/yy").ToDate("10/03/04"), d);
  EXPECT_EQ(DateMask("dd/mm/yy").ToDate("10/03/75"), QDate(1975, 3, 10));
  EXPECT_EQ(DateMask::FromIndex(0, "/").FromDate(QDate()), "__/__/____");
  // Texts from elsewhere are brought into shape.
  EXPECT_EQ(DateMask::FromIndex(0, "/").Normalize("1x/2"), "1_/2_/____");
}

}  // namespace
}  // namespace quillary
