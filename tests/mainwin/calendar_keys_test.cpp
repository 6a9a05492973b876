// The calendar popup's date arithmetic: key moves, the one-year rules around
// leap days, and the month grid.
#include <gtest/gtest.h>

#include <QLocale>

#include "mainwin/calendar_keys.h"

namespace quillary {
namespace {

struct MoveCase {
  QDate from;
  CalendarKey key;
  QDate to;
};

TEST(CalendarKeysTest, KeyMoves) {
  const MoveCase cases[] = {
      {QDate(2004, 3, 10), CalendarKey::End, QDate(2003, 3, 10)},
      {QDate(2003, 3, 10), CalendarKey::Home, QDate(2004, 3, 10)},
      {QDate(2004, 1, 31), CalendarKey::Home, QDate(2005, 1, 31)},
      {QDate(2005, 1, 31), CalendarKey::End, QDate(2004, 1, 31)},
      {QDate(2004, 2, 29), CalendarKey::Home, QDate(2005, 3, 1)},
      {QDate(2003, 2, 28), CalendarKey::Home, QDate(2004, 2, 28)},
      {QDate(2001, 6, 1), CalendarKey::Home, QDate(2002, 6, 1)},
      {QDate(2100, 3, 1), CalendarKey::End, QDate(2099, 3, 1)},  // 2100 is no leap year
      {QDate(2000, 3, 1), CalendarKey::End, QDate(1999, 3, 1)},  // 2000 is
      {QDate(2004, 3, 10), CalendarKey::PageUp, QDate(2004, 2, 10)},   // February 2004: 29 days
      {QDate(2004, 3, 31), CalendarKey::PageUp, QDate(2004, 3, 2)},
      {QDate(2004, 1, 31), CalendarKey::PageDown, QDate(2004, 3, 2)},  // January: 31 days
      {QDate(2004, 2, 10), CalendarKey::PageDown, QDate(2004, 3, 10)},
      {QDate(2004, 3, 1), CalendarKey::Left, QDate(2004, 2, 29)},
      {QDate(2004, 12, 31), CalendarKey::Right, QDate(2005, 1, 1)},
      {QDate(2004, 3, 3), CalendarKey::Up, QDate(2004, 2, 25)},
      {QDate(2004, 3, 30), CalendarKey::Down, QDate(2004, 4, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from.toString(Qt::ISODate).toStdString() + " key " + std::to_string(int(c.key)));
    EXPECT_EQ(CalendarMove(c.from, c.key), c.to);
  }
}

TEST(CalendarKeysTest, GridStartsOnSundayWithBlanksOutsideTheMonth) {
  // March 2004 began on a Monday.
  const QDate march(2004, 3, 10);
  EXPECT_FALSE(CalendarCellDate(march, 0, 0).isValid());
  EXPECT_EQ(CalendarCellDate(march, 0, 1), QDate(2004, 3, 1));
  EXPECT_EQ(CalendarCellDate(march, 4, 3), QDate(2004, 3, 31));
  EXPECT_FALSE(CalendarCellDate(march, 4, 4).isValid());
  EXPECT_FALSE(CalendarCellDate(march, 6, 0).isValid());
  int row = -1, col = -1;
  CalendarCellOf(QDate(2004, 3, 10), &row, &col);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(col, 3);
  // A month that starts on a Sunday has no leading blanks; 31 days from a
  // Saturday need all six weeks.
  EXPECT_EQ(CalendarCellDate(QDate(2004, 2, 1), 0, 0), QDate(2004, 2, 1));
  EXPECT_EQ(CalendarCellDate(QDate(2004, 5, 1), 5, 1), QDate(2004, 5, 31));
}

TEST(CalendarKeysTest, Title) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(CalendarTitle(QDate(2004, 3, 10)), "March 10, 2004");
  EXPECT_EQ(CalendarTitle(QDate(1998, 1, 1)), "January 1, 1998");
}

}  // namespace
}  // namespace quillary
