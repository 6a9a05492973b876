// The record form's values in the record table.
#include "mainwin/field_values.h"

#include <chrono>

#include "shell/clock.h"
#include "shell/options.h"
#include "shell/text_helpers.h"

namespace quillary {

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

QString ReadLineText(const dbase::Table& table, int field) { return Utf8(table.AsText(field)); }

void WriteLineText(dbase::Table& table, int field, const QString& text) {
  if (table.Field(field).kind == dbase::FieldKind::Numeric) {
    table.SetNumber(field, ParseLooseNumber(text));
    return;
  }
  const QByteArray cut = Utf8Cut(text, table.Field(field).width);
  table.SetText(field, std::string_view(cut.constData(), size_t(cut.size())));
}

std::string MemoToStored(const QString& text) {
  QString crlf = text;
  // A CR LF already there stays one line break, not two.
  crlf.replace("\r\n", "\n");
  crlf.replace('\n', "\r\n");
  return crlf.toStdString();
}

QString MemoFromStored(std::string_view stored) {
  QString text = Utf8(stored);
  text.replace("\r\n", "\n");
  return text;
}

QString ReadMemoText(const dbase::Table& table, int field) { return MemoFromStored(table.AsText(field)); }

void WriteMemoText(dbase::Table& table, int field, const QString& text) {
  table.SetText(field, MemoToStored(text));
}

bool IsTemplateDateMarker(const dbase::Date& date) {
  return date == dbase::Date{std::chrono::year(1899), std::chrono::December, std::chrono::day(31)};
}

QDate ReadDate(const dbase::Table& table, int field, bool fromTemplate) {
  const std::optional<dbase::Date> d = table.AsDate(field);
  if (!d) return {};
  if (fromTemplate && IsTemplateDateMarker(*d)) return Today();
  return QDate(int(d->year()), int(unsigned(d->month())), int(unsigned(d->day())));
}

void WriteDate(dbase::Table& table, int field, const QDate& date) {
  if (!date.isValid()) {
    table.SetDate(field, std::nullopt);
    return;
  }
  table.SetDate(field, dbase::Date{std::chrono::year(date.year()), std::chrono::month(unsigned(date.month())),
                                   std::chrono::day(unsigned(date.day()))});
}

MemoryPictureField ReadPicture(const dbase::Table& table, int field) {
  MemoryPictureField picture;
  if (table.HasRecord() && !table.IsEmpty(field)) {
    const std::string b = table.AsBytes(field);
    picture.SetBytes(QByteArray(b.data(), qsizetype(b.size())));
  }
  return picture;
}

bool TablePictureField::IsNull() const { return !table_.HasRecord() || table_.IsEmpty(field_); }

QByteArray TablePictureField::Bytes() const {
  if (!table_.HasRecord()) return {};
  const std::string b = table_.AsBytes(field_);
  return QByteArray(b.data(), qsizetype(b.size()));
}

void TablePictureField::SetBytes(const QByteArray& bytes) {
  table_.SetBytes(field_, std::string_view(bytes.constData(), size_t(bytes.size())));
}

void TablePictureField::Clear() { table_.Clear(field_); }

}  // namespace quillary
