#include "platform/dbase/file_date.h"

#include <ctime>

namespace quillary::dbase {

FileDate TodayStamp() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return FileDate{uint8_t(tm.tm_year % 256), uint8_t(tm.tm_mon + 1), uint8_t(tm.tm_mday)};
}

void PutTodayStamp(uint8_t* out) {
  const FileDate d = TodayStamp();
  out[0] = d.year;
  out[1] = d.month;
  out[2] = d.day;
}

}  // namespace quillary::dbase
