#include "mainwin/list_page.h"

#include <QLocale>

#include "shell/options.h"
#include "tables/field_kinds.h"
#include "tables/table_utils.h"

namespace quillary {

CellKind CellKindOf(const dbase::Table& table, int position) {
  if (position < 0 || position >= table.FieldCount()) return CellKind::Other;
  switch (tables::KindOf(table.Field(position))) {
    case tables::Kind::Text: return CellKind::Text;
    case tables::Kind::Memo: return CellKind::Memo;
    case tables::Kind::Picture: return CellKind::Picture;
    case tables::Kind::Date: return CellKind::Date;
    case tables::Kind::Numeric: return CellKind::Numeric;
    default: return CellKind::Other;
  }
}

std::vector<ListRow> ReadListPage(dbase::Table& table, int64_t offset, int rows,
                                  const std::vector<ListColumn>& columns) {
  std::vector<ListRow> out;
  if (!table.IsOpen() || rows <= 0) return out;
  const QLocale locale;
  const QString dec = locale.decimalPoint(), thou = locale.groupSeparator();
  tables::GotoPosition(table, uint64_t(std::max<int64_t>(0, offset)));
  while (int(out.size()) < rows && !table.Eof() && table.HasRecord()) {
    ListRow row;
    try {
      row.recordNumber = int64_t(table.AsNumber(tables::kRecordNumberField));
    } catch (const dbase::EngineError&) {
      row.recordNumber = 0;
    }
    for (size_t c = 0; c < columns.size(); ++c) {
      const int pos = columns[c].position;
      const CellKind kind = CellKindOf(table, pos);
      QString raw;
      if (kind != CellKind::Memo && kind != CellKind::Picture && pos >= 0 && pos < table.FieldCount()) {
        try {
          raw = QString::fromStdString(table.AsText(pos));
        } catch (const dbase::EngineError&) {
          // A value that cannot be read shows as an empty cell; the rest of
          // the row is still worth showing.
        }
      }
      const int decimals = pos >= 0 && pos < table.FieldCount() ? table.Field(pos).decimals : 0;
      CellText cell = FormatCell(kind, raw, decimals, kind == CellKind::Date ? DateCodeOf(table, pos) : QString(),
                                 dec, thou);
      // Columns after the first are set off by a space.
      if (c > 0) cell.text.prepend(' ');
      row.cells.push_back(cell);
    }
    out.push_back(std::move(row));
    table.Next();
  }
  return out;
}

}  // namespace quillary
