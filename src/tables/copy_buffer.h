// The copy buffer (the first record of copy.dbf): copying the user fields of
// a record into it and pasting them back; and the per-field captions of the
// record menu.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "platform/dbase/table.h"
#include "tables/letter_counts.h"

namespace quillary::tables {

// The data record at 0-based position `position` into the copy buffer.
void CopyToBuffer(uint64_t position);
// The copy buffer into the data record at `position`, or into a new record
// at the end; moves the record between the letter counts. False when the
// engine refused the record (another user holds it): nothing was pasted.
bool PasteFromBuffer(uint64_t position, LetterTabPanel* panel = nullptr);

// One caption per user field of the current record, each at most 50
// characters.
QStringList RecordMenuCaptions(dbase::Table& table);
void FillRecordMenu(dbase::Table& table, const std::function<void(const QString&)>& addItem);

// A date as the date field's own display format shows it ("0".."3").
QString FormatDateByCode(const std::optional<dbase::Date>& date, const QString& code);

}  // namespace quillary::tables
