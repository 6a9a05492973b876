// The rows of one list page read from the browse table: for each record
// button, the cells of the list header's columns and the record's number.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "mainwin/browse_rules.h"
#include "platform/dbase/table.h"
#include "shell/date_formats.h"

namespace quillary {

// One column of the list: the table position of its field and its share of
// the button's width.
struct ListColumn {
  int position = 2;
  int percent = 50;
};

struct ListRow {
  std::vector<CellText> cells;
  int64_t recordNumber = 0;
};

// The cell kind of the field at `position` of the open table.
CellKind CellKindOf(const dbase::Table& table, int position);

// Up to `rows` records from 0-based position `offset` of the table's range.
// Leaves the table wherever reading ended.
std::vector<ListRow> ReadListPage(dbase::Table& table, int64_t offset, int rows,
                                  const std::vector<ListColumn>& columns);

}  // namespace quillary
