// The moment a table is used exclusively (pack, empty, tag changes and
// rebuilds, index repair) and how the table is put back afterwards for the
// rest of the program: its sharing mode, active tag, range and open state.
#pragma once

#include <optional>
#include <string>

#include "platform/dbase/table.h"

namespace quillary::tables {

// Closes a table and remembers how it was: open or closed, shared or
// exclusive, its active tag and key range. The table is left set for an
// exclusive open without a tag. The end of the scope closes it and puts all
// of that back, reopening it when it was open (on the first record of its
// range).
class ExclusiveUse {
 public:
  explicit ExclusiveUse(dbase::Table& table);
  ~ExclusiveUse();
  ExclusiveUse(const ExclusiveUse&) = delete;
  ExclusiveUse& operator=(const ExclusiveUse&) = delete;

  // One exclusive open; throws the engine's error.
  void Open();
  // The exclusive open of OpenTableIn (index repair, then the silent
  // retries); false when the table could not be had.
  bool OpenRetrying();
  // The table stays closed at the end, whatever it was; its mode and tag
  // are still put back.
  void LeaveClosed() { reopen_ = false; }

 private:
  dbase::Table& table_;
  bool reopen_;
  bool exclusive_;
  std::string tag_;
  bool had_range_ = false;
  std::optional<std::string> range_from_, range_to_;
};

}  // namespace quillary::tables
