// The maintenance log: one entry per database maintenance action, kept in
// insertion order in log.dat (a tagged-value stream in SettingsDir) and shown
// by the "Maintenance Log" window. Several copies of the program may share
// the file, so every change is read, applied and written at once.
#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

namespace quillary {

struct TLogEntry {
  QString Date;          // short date format
  QString Time;          // hh:mm:ss
  QString DatabaseFile;  // as the maintenance dialog passes it
  QString Description;
  bool operator==(const TLogEntry&) const = default;
};

class TMaintenanceLog {
 public:
  static constexpr const char* kFileName = "log.dat";
  static constexpr const char* kSaveError = "Error Saving Log to a file!";

  // Replaces the entries by log.dat's. A missing file gives an empty log, and
  // so does a damaged one: half a log would be misleading. No message.
  void Load();
  // Writes every entry to log.dat, replacing the file; shows kSaveError and
  // returns false when it cannot be written.
  bool Save() const;

  // Re-reads log.dat, appends an entry stamped with the current date and
  // time and saves the log, unless an entry with the same four texts exists
  // already (the same action twice within one second). True when an entry
  // was appended.
  bool AddEntry(const QString& databaseFile, const QString& description);
  // At the end of a run: the file as it is now written back whole, so it
  // exists and a damaged one is replaced; entries of other copies stay.
  bool SaveAtEnd();

  const std::vector<TLogEntry>& Entries() const { return entries_; }
  int Count() const { return int(entries_.size()); }

  // Deletions reach the file at once and remove only the entries shown here
  // (by their texts): what another copy logged meanwhile stays. The log then
  // holds the file's entries. False when the file could not be written.
  bool RemoveRows(std::vector<int> rows);
  bool Clear();

  // The texts an entry made at `when` carries.
  static QString DateText(const QDate& date);
  static QString TimeText(const QTime& time);

 private:
  bool RemoveFromFile(const std::vector<TLogEntry>& gone);

  std::vector<TLogEntry> entries_;
};

// The process-wide log, alive for the whole run.
TMaintenanceLog& MaintenanceLog();

// Formats a date by a short date format of the option store ("mm/dd/yyyy",
// "dd.mm.yyyy", "yyyy" and the like: runs of d, m and y, anything else kept).
QString FormatDateByPattern(const QDate& date, const QString& pattern);

}  // namespace quillary
