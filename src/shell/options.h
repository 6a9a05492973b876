// The option store: every global setting held in memory for the whole run,
// the directory variables, and the small settings files of the user
// (options.dat, wnd.dat, labels.dat, date.dat, shut.dat) and of the system
// (options.dat in ProgramDir, optionally copied into DataRoot).
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace quillary::dbase {
class File;
}

namespace quillary {

// Thrown by start-up steps when a directory the program needs cannot be
// entered; start-up reports it and ends.
struct StartupIoError {
  QString path;
};

// A font as stored in the option files: 264 bytes, kept whole so that bytes
// the program does not interpret (padding, bytes after the name) are written
// back as they were read.
class FontRecord {
 public:
  static constexpr int kSize = 264;
  FontRecord();  // "Arial", bold, 10
  FontRecord(const QString& name, int style, int size);

  QString Name() const;
  void SetName(const QString& name);  // cut to 255 bytes on a character boundary
  int Style() const { return bytes_[256]; }
  void SetStyle(int style) { bytes_[256] = uint8_t(style); }
  int Size() const;
  void SetSize(int points);

  enum StyleBit { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

  const std::array<uint8_t, kSize>& Bytes() const { return bytes_; }
  std::array<uint8_t, kSize>& Bytes() { return bytes_; }
  bool operator==(const FontRecord&) const = default;

 private:
  std::array<uint8_t, kSize> bytes_{};
};

// The date format of one date field of the record form.
struct DateFormatEntry {
  QString code;    // "0".."3" as stored
  int field = -1;  // record-form field number; filled in when the form is built
};

struct WindowGeometry {
  int32_t top = 0, left = 0, width = 0, height = 0, paneWidth = 0;
  bool maximized = false;  // writing: store five zeros
  bool present = false;    // reading: a whole file was read
};

class OptionStore {
 public:
  OptionStore();
  ~OptionStore();
  OptionStore(const OptionStore&) = delete;
  OptionStore& operator=(const OptionStore&) = delete;

  // Every variable back to its default, as at the start of a run.
  void Reset();

  // Directory and file-name variables.
  QString ProgramDir;    // writable home: $QUILLARY_HOME or $XDG_DATA_HOME/quillary
  QString ResourceDir;   // shipped read-only files: share/quillary beside bin/
  QString DataRoot;
  QString PublicDirName = "DATA";
  QString SupervisorName = "Supervisor";
  QString UserDataDir;
  QString& CurrentDbDir = UserDataDir;  // one variable, two names
  QString SettingsDir;
  QString CurrentDbFile = "data.dbf";
  QString SupervisorPassword;
  bool SupervisorLoggedIn = true;
  int AccessLevel = 1;

  // User options.
  int MenusAndSpeedBars = 0;
  int ComPort = 1;
  int DialType = 0;
  int HintMessages = 0;
  int LetterTabs = 0;
  int InitialDataFile = 1;
  int ReservedWord = 0;
  int FilterDateFormat = 0;
  int SpeedBarLocation = 1;
  int RecordDeleteMode = 0;
  int HideOnStartup = 0;
  int LetterTabsLocation = 0;
  int StayOnTop = 0;
  int ShowTips = 1;
  QString ModemName = "Custom Settings";
  QString ModemInit;
  QString ModemConfig;
  QString ModemHangup;
  FontRecord RecordButtonFont;
  FontRecord LineEditFont;
  FontRecord MemoEditFont;
  int AutoFill = 1;
  int ShowReminders = 1;
  int ShowTrayIcon = 1;

  // System options.
  int PasswordMode = 1;
  int PublicAccess = 0;
  int UserCount = 0;

  // Loaded at start and kept for the whole run.
  QStringList LabelList;
  std::vector<DateFormatEntry> DateFormats;

  // Sets ProgramDir, ResourceDir and the directories derived from them, the
  // way start-up does before any file is read.
  void InitDirectories(const QString& programDir, const QString& resourceDir);

  QString PublicDataDir() const { return DataRoot + "/" + PublicDirName; }

  bool LoadSystemOptions();   // throws StartupIoError
  bool SaveSystemOptions();   // false (and the error shown) when a file could not be written
  bool LoadUserOptions();
  bool SaveUserOptions();
  bool LoadLabels();
  bool SaveLabels();
  bool LoadDateFormats();
  bool SaveDateFormats();
  // shut.dat says "running" from the first activation to the end. Every
  // running copy holds a shared lock on it, so a copy starting beside a
  // running one is not warned, and the last copy to end writes the closed
  // mark unless a copy died on the way (it left its running token behind).
  void MarkRunning();
  void MarkClosed();
  bool WasClosedNormally() const;
  void EnsureDataDirectories();  // throws StartupIoError
  bool IsPublicDirectory(const QString& dir) const;
  bool IsReadOnlyDatabase() const;

  WindowGeometry LoadWindowGeometry() const;   // the stored five values, all zero when none
  void SaveWindowGeometry(const WindowGeometry& g) const;

  // Serialised forms, exposed for tests and tools.
  QByteArray SystemOptionBytes() const;
  QByteArray UserOptionBytes() const;
  void ReadSystemOptionBytes(const QByteArray& data);
  void ReadUserOptionBytes(const QByteArray& data);  // InitialDataFile rule applied

  QString SettingsFile(const QString& name) const;

 private:
  bool OtherCopyRunning() const;
  QString RunningToken() const;
  QStringList DeadTokens() const;

  std::unique_ptr<dbase::File> runningLock_;  // this copy's lock on shut.dat
  QString runningToken_;
};

// The process-wide option store.
OptionStore& Opt();

// Scrambles (or unscrambles) the bytes of a stored text in place.
void ScrambleString(QByteArray& text);

// Default directories from the environment and the executable's location.
QString DefaultProgramDir();
QString DefaultResourceDir();

}  // namespace quillary
