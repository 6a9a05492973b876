#include "maintenance/maintenance_log.h"

#include <QFile>
#include <algorithm>

#include "shell/clock.h"
#include "shell/date_formats.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/tagged_stream.h"

namespace quillary {

QString FormatDateByPattern(const QDate& date, const QString& pattern) {
  QString out;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i].toLower();
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run].toLower() == c) ++run;
    if (c == 'd') {
      out += run == 1 ? QString::number(date.day()) : QString("%1").arg(date.day(), 2, 10, QChar('0'));
    } else if (c == 'm') {
      out += run == 1 ? QString::number(date.month())
                      : QString("%1").arg(date.month(), 2, 10, QChar('0'));
    } else if (c == 'y') {
      out += run <= 2 ? QString("%1").arg(date.year() % 100, 2, 10, QChar('0'))
                      : QString("%1").arg(date.year(), 4, 10, QChar('0'));
    } else {
      out += pattern.mid(i, run);
    }
    i += run;
  }
  return out;
}

QString TMaintenanceLog::DateText(const QDate& date) {
  return FormatDateByPattern(date, ShortDateFormat());
}

QString TMaintenanceLog::TimeText(const QTime& time) { return time.toString("hh:mm:ss"); }

void TMaintenanceLog::Load() {
  entries_.clear();
  const QString path = Opt().SettingsFile(kFileName);
  if (!QFile::exists(path)) return;
  try {
    StreamReader r = StreamReader::FromFile(path);
    r.ReadListBegin();
    while (!r.EndOfList()) {
      TLogEntry e;
      e.Date = r.ReadString();
      e.Time = r.ReadString();
      e.DatabaseFile = r.ReadString();
      e.Description = r.ReadString();
      entries_.push_back(std::move(e));
    }
    r.ReadListEnd();
  } catch (const StreamError&) {
    entries_.clear();
  }
}

bool TMaintenanceLog::Save() const {
  StreamWriter w;
  w.WriteListBegin();
  for (const TLogEntry& e : entries_) {
    w.WriteString(e.Date);
    w.WriteString(e.Time);
    w.WriteString(e.DatabaseFile);
    w.WriteString(e.Description);
  }
  w.WriteListEnd();
  try {
    w.SaveToFile(Opt().SettingsFile(kFileName));
    return true;
  } catch (const StreamError&) {
    Msg().Error(kSaveError);
    return false;
  }
}

bool TMaintenanceLog::AddEntry(const QString& databaseFile, const QString& description) {
  const QDateTime now = Now();
  TLogEntry e{DateText(now.date()), TimeText(now.time()), databaseFile, description};
  Load();
  if (std::find(entries_.begin(), entries_.end(), e) != entries_.end()) return false;
  entries_.push_back(std::move(e));
  Save();
  return true;
}

bool TMaintenanceLog::SaveAtEnd() {
  Load();
  return Save();
}

bool TMaintenanceLog::RemoveFromFile(const std::vector<TLogEntry>& gone) {
  Load();
  // One file entry per removed one: two equal entries shown and one deleted
  // leave one.
  for (const TLogEntry& g : gone) {
    auto it = std::find(entries_.begin(), entries_.end(), g);
    if (it != entries_.end()) entries_.erase(it);
  }
  return Save();
}

bool TMaintenanceLog::RemoveRows(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<TLogEntry> gone;
  for (int r : rows)
    if (r >= 0 && r < Count()) gone.push_back(entries_[size_t(r)]);
  if (gone.empty()) return true;
  return RemoveFromFile(gone);
}

bool TMaintenanceLog::Clear() {
  if (entries_.empty()) return true;
  return RemoveFromFile(std::vector<TLogEntry>(entries_));
}

TMaintenanceLog& MaintenanceLog() {
  static TMaintenanceLog log;
  return log;
}

}  // namespace quillary
