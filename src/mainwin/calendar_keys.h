// Date arithmetic of the calendar popup: the moves of its keys, including the
// one-year moves with their leap-year rules, and the month grid of 6 weeks.
#pragma once

#include <QDate>
#include <QString>

namespace quillary {

enum class CalendarKey { Left, Right, Up, Down, PageUp, PageDown, Home, End };

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The date selected after a key: Left/Right one day, Up/Down one week,
// PageUp the length of the previous month back, PageDown the length of the
// current month forward, Home one year forward, End one year back.
QDate CalendarMove(const QDate& date, CalendarKey key);
QDate YearForward(const QDate& date);
QDate YearBack(const QDate& date);

// The grid of 6 weeks by 7 days starting on Sunday: the date in a cell, or an
// invalid date for a cell outside the month of `anyDayOfMonth`.
QDate CalendarCellDate(const QDate& anyDayOfMonth, int row, int column);
// The row and column of a date of the shown month.
void CalendarCellOf(const QDate& date, int* row, int* column);

// The popup's title text: "mmmm d, yyyy" ("March 10, 2004").
QString CalendarTitle(const QDate& date);

}  // namespace quillary
