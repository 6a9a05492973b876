#include "tables/exclusive_use.h"

#include <tuple>

#include "tables/database.h"

namespace quillary::tables {

ExclusiveUse::ExclusiveUse(dbase::Table& table)
    : table_(table), reopen_(table.IsOpen()), exclusive_(table.Exclusive()), tag_(table.ActiveTag()) {
  if (table_.IsOpen()) {
    std::tie(range_from_, range_to_) = table_.KeyRange();
    had_range_ = range_from_ || range_to_;
  }
  table_.Close();
  table_.SetActiveTag("");
  table_.SetExclusive(true);
}

ExclusiveUse::~ExclusiveUse() {
  // A close that could not flush has nothing left to flush into: the
  // exclusive work already failed or finished, and the table is closed
  // either way.
  try {
    table_.Close();
  } catch (const std::exception&) {
  }
  table_.SetExclusive(exclusive_);
  table_.SetActiveTag(tag_);
  if (!reopen_) return;
  // A table that does not reopen (another user took it meanwhile, or the
  // work removed its tag) stays closed: callers see that through IsOpen().
  try {
    table_.Open();
    if (had_range_) table_.SetKeyRange(range_from_, range_to_);
  } catch (const dbase::EngineError&) {
  }
}

void ExclusiveUse::Open() { table_.Open(); }

bool ExclusiveUse::OpenRetrying() {
  return OpenTableIn(table_, table_.Directory(), table_.FileName(), true) == OpenResult::Opened;
}

}  // namespace quillary::tables
