// Date formats: the process-wide short date format chosen by a date format
// index, the locale's date separator, and the display code ("0".."3") of a
// date field from the date format list (date.dat).
#pragma once

#include <QString>

namespace quillary {

namespace dbase {
class Table;
}

// The process-wide short date format, set from a date format index:
// 0 "mm/dd/yyyy", 1 "dd/mm/yyyy", 2 "yyyy/mm/dd", 3 "yyyy" with the
// locale's separator; other indexes change nothing.
QString ShortDateFormat();
void SetDateFormatByIndex(int index);
QString DateSeparator();

// The display code of the date field at 1-based record position `position`
// of `table`: the date format entry that belongs to the field, else the
// entry at its place among the table's date fields, else "0".
QString DateCodeOf(const dbase::Table& table, int position);

}  // namespace quillary
