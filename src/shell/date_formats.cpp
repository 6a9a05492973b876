#include "shell/date_formats.h"

#include <QLocale>

#include "platform/dbase/table.h"
#include "shell/options.h"

namespace quillary {
namespace {
QString g_shortDateFormat;
}  // namespace

QString DateSeparator() {
  QString fmt = QLocale().dateFormat(QLocale::ShortFormat);
  // The first separator between the fields of the locale's short format;
  // locales that separate by spaces or words get "/".
  for (QChar c : fmt)
    if (c == '/' || c == '.' || c == '-') return QString(c);
  return "/";
}

QString ShortDateFormat() {
  if (g_shortDateFormat.isEmpty()) SetDateFormatByIndex(0);
  return g_shortDateFormat;
}

void SetDateFormatByIndex(int index) {
  const QString s = DateSeparator();
  switch (index) {
    case 0: g_shortDateFormat = "mm" + s + "dd" + s + "yyyy"; break;
    case 1: g_shortDateFormat = "dd" + s + "mm" + s + "yyyy"; break;
    case 2: g_shortDateFormat = "yyyy" + s + "mm" + s + "dd"; break;
    case 3: g_shortDateFormat = "yyyy"; break;
    default: break;
  }
}

// System fields (record number, filter mark) are never dates, so counting
// over all fields before the position gives the place among the user fields.
QString DateCodeOf(const dbase::Table& table, int position) {
  const auto& formats = Opt().DateFormats;
  // The entry of the field itself (form field numbers are position - 1).
  for (const DateFormatEntry& e : formats)
    if (e.field == position - 1) return e.code;
  int nth = 0;
  for (int i = 0; i < position && i < table.FieldCount(); ++i)
    if (table.Field(i).kind == dbase::FieldKind::Date) ++nth;
  if (size_t(nth) < formats.size()) return formats[size_t(nth)].code;
  return "0";
}

}  // namespace quillary
