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
  try {
    table_.Close();
  } catch (const std::exception&) {
    // The work has failed or finished by now, and the table is closed
    // either way: a destructor has no one to tell.
  }
  table_.SetExclusive(exclusive_);
  table_.SetActiveTag(tag_);
  if (!reopen_) return;
  try {
    table_.Open();
    if (had_range_) table_.SetKeyRange(range_from_, range_to_);
  } catch (const std::exception&) {
    // Another user took the table meanwhile, or the work removed its tag:
    // callers see the closed table through IsOpen().
  }
}

void ExclusiveUse::Open() { table_.Open(); }

bool ExclusiveUse::OpenRetrying() {
  return OpenTableIn(table_, table_.Directory(), table_.FileName(), true) == OpenResult::Opened;
}

}  // namespace quillary::tables
