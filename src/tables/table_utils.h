// The whole-table utilities the maintenance and database functions are built
// from: the record copy loop with its renumbering and damaged count, pack,
// index rebuild, empty, quiet delete, counts and positioning by number.
#pragma once

#include "platform/dbase/table.h"

namespace quillary::tables {

struct CopyResult {
  int nextNumber = 1;  // the number the next record would get
  int damaged = 0;     // records with an unreadable field, or refused
};

// Copies every source record (from the first, in the source's order) into
// `target`, numbering them 1, 2, 3 ...; closes the target. Advances the
// progress window shown, if any.
CopyResult CopyRecords(dbase::Table& source, dbase::Table& target);

bool PackTable(dbase::Table& table, bool regenerate);
bool RegenerateIndexes(dbase::Table& table);
// False when the engine refused (the table is in use elsewhere).
bool EmptyTable(dbase::Table& table);
void DeleteTableQuietly(dbase::Table& table);
uint64_t RecordCount(dbase::Table& table);
// Goes to the record at 0-based position n, or to the end of the table.
bool GotoPosition(dbase::Table& table, uint64_t n);

}  // namespace quillary::tables
