// The date stamp of the file headers (the data file's last update, the
// index file's creation and last reindex): one clock for both, the local
// date as dBASE writes it.
#pragma once

#include <cstdint>

namespace quillary::dbase {

struct FileDate {
  uint8_t year = 0;  // years since 1900, modulo 256
  uint8_t month = 1;
  uint8_t day = 1;
};

FileDate TodayStamp();

// The three stamp bytes at `out`: year, month, day.
void PutTodayStamp(uint8_t* out);

}  // namespace quillary::dbase
