// Date arithmetic of the calendar popup.
#include "mainwin/calendar_keys.h"

#include <QLocale>

namespace quillary {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 30;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

QDate YearForward(const QDate& date) {
  QDate d = date;
  if (IsLeapYear(d.year()) && d.month() <= 2) d = d.addDays(1);
  d = d.addDays(365);
  if (IsLeapYear(d.year()) && d.month() >= 3) d = d.addDays(1);
  return d;
}

QDate YearBack(const QDate& date) {
  QDate d = date;
  if (IsLeapYear(d.year()) && d.month() >= 3) d = d.addDays(-1);
  d = d.addDays(-365);
  if (IsLeapYear(d.year()) && d.month() <= 2) d = d.addDays(-1);
  return d;
}

QDate CalendarMove(const QDate& date, CalendarKey key) {
  if (!date.isValid()) return date;
  switch (key) {
    case CalendarKey::Left: return date.addDays(-1);
    case CalendarKey::Right: return date.addDays(1);
    case CalendarKey::Up: return date.addDays(-7);
    case CalendarKey::Down: return date.addDays(7);
    case CalendarKey::PageUp: {
      const QDate prev = QDate(date.year(), date.month(), 1).addDays(-1);
      return date.addDays(-DaysInMonth(prev.year(), prev.month()));
    }
    case CalendarKey::PageDown: return date.addDays(DaysInMonth(date.year(), date.month()));
    case CalendarKey::Home: return YearForward(date);
    case CalendarKey::End: return YearBack(date);
  }
  return date;
}

namespace {
// Cells before the first of the month: Qt counts Monday 1 .. Sunday 7.
int LeadingBlanks(const QDate& first) { return first.dayOfWeek() % 7; }
}  // namespace

QDate CalendarCellDate(const QDate& anyDayOfMonth, int row, int column) {
  if (!anyDayOfMonth.isValid() || row < 0 || row > 5 || column < 0 || column > 6) return {};
  const QDate first(anyDayOfMonth.year(), anyDayOfMonth.month(), 1);
  const int day = row * 7 + column - LeadingBlanks(first) + 1;
  if (day < 1 || day > first.daysInMonth()) return {};
  return QDate(first.year(), first.month(), day);
}

void CalendarCellOf(const QDate& date, int* row, int* column) {
  const QDate first(date.year(), date.month(), 1);
  const int index = LeadingBlanks(first) + date.day() - 1;
  *row = index / 7;
  *column = index % 7;
}

QString CalendarTitle(const QDate& date) {
  if (!date.isValid()) return {};
  return QLocale().standaloneMonthName(date.month(), QLocale::LongFormat) + " " +
         QString::number(date.day()) + ", " + QString::number(date.year());
}

}  // namespace quillary
