// Lookup lists.
#include "tables/lookup_list.h"

#include <QSet>

#include "shell/messages.h"
#include "tables/database.h"

namespace quillary::tables {

namespace fs = std::filesystem;

namespace {
std::string Std(const QString& s) { return s.toStdString(); }
QString Path(const fs::path& dir, const QString& file) {
  return QString::fromStdString((dir / Std(file)).string());
}
}  // namespace

bool LookupList::OpenQuietly() {
  try {
    if (!table_.IsOpen()) table_.Open();
    return true;
  } catch (const std::exception&) {
    try {
      table_.Close();
    } catch (const std::exception&) {
      // A failed open leaves nothing written to flush.
    }
    return false;
  }
}

LookupList::Binding LookupList::Bind(const fs::path& dir, const QString& source) {
  if (table_.IsOpen()) table_.Close();
  dir_ = dir;
  source_ = source;
  if (source.isEmpty()) return state_ = Binding::None;
  table_.Bind(dir, Std(source));
  Binding result = Binding::Bound;
  std::error_code ec;
  if (!dbase::TableExists(dir, Std(source))) {
    // Only a missing list is made anew: one that exists but does not open
    // belongs to someone (another copy holding it, or a repair to come).
    try {
      dbase::CopyTable(TemplateDir(), "list.dbf", dir, Std(source), true);
      result = Binding::Created;
    } catch (const std::exception&) {
      Msg().Error(lookup_text::kCreateFailed + Path(dir, source));
      return state_ = Binding::Unavailable;
    }
  }
  if (!OpenQuietly()) return state_ = Binding::Unavailable;
  table_.Close();
  return state_ = result;
}

QStringList LookupList::LoadItems() {
  QStringList items;
  if (state_ == Binding::None || !OpenQuietly()) return items;
  if (state_ == Binding::Unavailable) state_ = Binding::Bound;  // it opens again
  try {
    for (table_.First(); !table_.Eof(); table_.Next())
      items << QString::fromStdString(table_.AsText(0));
  } catch (const std::exception&) {
    // The items read up to the damage are still offered.
  }
  table_.Close();
  return items;
}

bool LookupList::Append(const QString& text) {
  if (state_ == Binding::None || !OpenQuietly()) return false;
  bool ok = true;
  try {
    table_.Append();
    table_.SetText(0, Std(text));
    table_.Post();
  } catch (const std::exception&) {
    ok = false;
    try {
      table_.Cancel();
    } catch (const std::exception&) {
      // Cancelling only drops the edit buffer: nothing is left to undo.
    }
  }
  table_.Close();
  return ok;
}

std::optional<QString> AutoFillMatch(const QStringList& items, const QString& prefix) {
  if (prefix.isEmpty()) return std::nullopt;
  for (const QString& item : items)
    if (item.startsWith(prefix, Qt::CaseSensitive)) return item;
  return std::nullopt;
}

int UpdateListsFromData(dbase::Table& data, const fs::path& dir, const std::vector<ListField>& lists) {
  int added = 0;
  if (!data.IsOpen()) return 0;
  for (const ListField& lf : lists) {
    dbase::Table list(dir, Std(lf.file));
    list.SetActiveTag(kListTag);
    try {
      list.Open();
    } catch (const std::exception&) {
      Msg().Error(lookup_text::kUpdateCannotOpen + lf.file);
      continue;
    }
    try {
      // Exact texts: keys hold only the first 100 characters of an item.
      QSet<QString> known;
      for (list.First(); !list.Eof(); list.Next()) known.insert(QString::fromStdString(list.AsText(0)));
      for (data.First(); !data.Eof(); data.Next()) {
        const QString text = QString::fromStdString(data.AsText(lf.position));
        if (text.trimmed().isEmpty() || known.contains(text)) continue;
        list.Append();
        list.SetText(0, Std(text));
        list.Post();
        known.insert(text);
        ++added;
      }
    } catch (const std::exception&) {
      try {
        list.Cancel();
      } catch (const std::exception&) {
        // Cancelling only drops the edit buffer: nothing is left to undo.
      }
    }
    list.Close();
  }
  return added;
}

}  // namespace quillary::tables
