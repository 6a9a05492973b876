// How the record form's values sit in the record table: one-line texts cut
// to the field, memo line breaks, dates with the record template's date
// marker, and picture fields as bytes.
#pragma once

#include <QDate>
#include <QString>
#include <string>
#include <string_view>

#include "mainwin/picture_field.h"
#include "platform/dbase/table.h"

namespace quillary {

// A one-line value; a numeric field reads as its text.
QString ReadLineText(const dbase::Table& table, int field);
// Text cut to the field's width on a character boundary; a numeric field takes the
// number the text holds.
void WriteLineText(dbase::Table& table, int field, const QString& text);

// Memo texts keep their line breaks as CR LF, as dBASE programs write them;
// an editor has plain line breaks. A memo written elsewhere with LF alone
// reads the same.
std::string MemoToStored(const QString& text);
QString MemoFromStored(std::string_view stored);
QString ReadMemoText(const dbase::Table& table, int field);
void WriteMemoText(dbase::Table& table, int field, const QString& text);

// An invalid QDate stands for an empty date field. fromTemplate: a record
// template's date marker reads as today.
QDate ReadDate(const dbase::Table& table, int field, bool fromTemplate);
void WriteDate(dbase::Table& table, int field, const QDate& date);
// Day 1.0 of the old date serial numbers, which a record template's date
// field holds to stand for the day the template is used.
bool IsTemplateDateMarker(const dbase::Date& date);

// The picture stored in `field` of the current record (null when empty).
MemoryPictureField ReadPicture(const dbase::Table& table, int field);

// A picture field of a table's current record as the picture control sees it.
class TablePictureField final : public PictureField {
 public:
  TablePictureField(dbase::Table& table, int field) : table_(table), field_(field) {}
  bool IsNull() const override;
  QByteArray Bytes() const override;
  void SetBytes(const QByteArray& bytes) override;
  void Clear() override;

 private:
  dbase::Table& table_;
  int field_;
};

}  // namespace quillary
