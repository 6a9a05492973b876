#include "tables/copy_buffer.h"

#include <QRegularExpression>
#include <algorithm>

#include "shell/date_formats.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "tables/database.h"
#include "tables/field_kinds.h"
#include "tables/table_utils.h"

namespace quillary::tables {

void CopyToBuffer(uint64_t position) {
  CurrentDatabase& db = Db();
  if (!GotoPosition(db.Data, position) || db.Data.Eof()) {
    Msg().Warning(text::kEmptyNotCopied);
    return;
  }
  dbase::Table& buf = db.CopyBuffer;
  try {
    buf.First();
    buf.Edit();
    const int last = std::min(db.Data.FieldCount(), buf.FieldCount());
    for (int f = kFirstUserField; f < last; ++f) buf.CopyField(f, db.Data, f);
    buf.Post();
  } catch (const dbase::EngineError&) {
    try {
      buf.Cancel();
    } catch (const dbase::EngineError&) {
      // Cancelling only drops the edit buffer: nothing is left to undo.
    }
    return;  // nothing was copied: the flag keeps its meaning
  }
  db.CopyBufferFilled = true;
}

bool PasteFromBuffer(uint64_t position, LetterTabPanel* panel) {
  CurrentDatabase& db = Db();
  if (!db.CopyBufferFilled) return true;
  dbase::Table& data = db.Data;
  if (!GotoPosition(data, position)) return true;
  char oldLetter = 0;
  try {
    if (data.Eof()) {
      data.Append();
    } else {
      oldLetter = db.Index.RecordLetter(data);
      data.Edit();
    }
    db.CopyBuffer.First();
    const int last = std::min(data.FieldCount(), db.CopyBuffer.FieldCount());
    for (int f = kFirstUserField; f < last; ++f) data.CopyField(f, db.CopyBuffer, f);
    data.Post();
  } catch (const dbase::EngineError&) {
    try {
      data.Cancel();
    } catch (const dbase::EngineError&) {
      // Cancelling only drops the edit buffer: nothing is left to undo.
    }
    return false;
  }
  db.Index.AdjustLetterCounts(oldLetter, db.Index.RecordLetter(data), panel);
  return true;
}

QString FormatDateByCode(const std::optional<dbase::Date>& date, const QString& code) {
  if (!date || !date->ok()) return {};
  const QString s = DateSeparator();
  const QString y = QString("%1").arg(int(date->year()), 4, 10, QChar('0'));
  const QString m = QString("%1").arg(unsigned(date->month()), 2, 10, QChar('0'));
  const QString d = QString("%1").arg(unsigned(date->day()), 2, 10, QChar('0'));
  if (code == "1") return d + s + m + s + y;
  if (code == "2") return y + s + m + s + d;
  if (code == "3") return y;
  return m + s + d + s + y;
}

namespace {

QString FirstLine(const QString& s) {
  int cut = s.indexOf(QRegularExpression("[\r\n]"));
  return cut < 0 ? s : s.left(cut);
}

}  // namespace

QStringList RecordMenuCaptions(dbase::Table& t) {
  QStringList out;
  if (!t.IsOpen()) return out;
  for (int f = kFirstUserField; f < t.FieldCount(); ++f) {
    QString caption;
    switch (KindOf(t.Field(f))) {
      case Kind::Memo:
        try {
          caption = FirstLine(QString::fromStdString(t.AsText(f)));
        } catch (const dbase::EngineError&) {
          caption.clear();
          QString title;
          try {
            title = QString::fromStdString(t.AsText(kFirstUserField));
          } catch (const dbase::EngineError&) {
            // The message then names no title.
          }
          Msg().Error(text::kCorruptMemo + title);
        }
        break;
      case Kind::Date:
        try {
          caption = FormatDateByCode(t.AsDate(f), DateCodeOf(t, f));
        } catch (const dbase::EngineError&) {
          // An unreadable value gets an empty caption.
        }
        break;
      case Kind::Picture:
        caption = QString("<PICTURE>") + (t.IsEmpty(f) ? " - Empty" : " - Not Empty");
        break;
      default:
        try {
          caption = QString::fromStdString(t.AsText(f));
        } catch (const dbase::EngineError&) {
          // An unreadable value gets an empty caption.
        }
        break;
    }
    out << caption.left(50);
  }
  return out;
}

void FillRecordMenu(dbase::Table& t, const std::function<void(const QString&)>& addItem) {
  for (const QString& c : RecordMenuCaptions(t)) addItem(c);
}

}  // namespace quillary::tables
