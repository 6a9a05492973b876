#include "shell/options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <cstring>
#include <new>

#include <unistd.h>

#include "platform/dbase/errors.h"
#include "platform/dbase/file_io.h"
#include "platform/files/case_path.h"
#include "shell/messages.h"
#include "shell/text_helpers.h"

namespace quillary {

namespace {

constexpr uint8_t kScrambleKey[10] = {0x03, 0x09, 0x0C, 0x07, 0x11,
                                      0x04, 0x0A, 0x02, 0x08, 0x0D};
constexpr char kRunningMark[] = "#10*";
constexpr char kClosedMark[] = "@a$)";
const QString kSaveOptionsError = QStringLiteral("Could not Save Options to a File!");

// Sequential little-endian reader over a byte array. A read past the end
// fails and leaves the target unchanged, so a short file keeps its defaults.
class Reader {
 public:
  explicit Reader(const QByteArray& d) : d_(d) {}
  bool AtEnd() const { return pos_ >= d_.size(); }
  bool Int16(int& out) {
    if (pos_ + 2 > d_.size()) return Fail();
    out = int16_t(uint8_t(d_[pos_]) | (uint8_t(d_[pos_ + 1]) << 8));
    pos_ += 2;
    return true;
  }
  bool UInt8(int& out) {
    if (pos_ + 1 > d_.size()) return Fail();
    out = uint8_t(d_[pos_++]);
    return true;
  }
  // A scrambled string; a failure inside it yields an empty text.
  void Text(QString& out) {
    if (pos_ + 1 > d_.size()) { Fail(); out.clear(); return; }
    int n = uint8_t(d_[pos_++]);
    if (pos_ + n > d_.size()) { pos_ = d_.size(); Fail(); out.clear(); return; }
    QByteArray raw = d_.mid(pos_, n);
    pos_ += n;
    int zero = raw.indexOf('\0');
    if (zero >= 0) raw.truncate(zero);
    ScrambleString(raw);
    out = QString::fromUtf8(raw);
  }
  bool Font(FontRecord& out) {
    if (pos_ + FontRecord::kSize > d_.size()) { pos_ = d_.size(); return Fail(); }
    std::memcpy(out.Bytes().data(), d_.constData() + pos_, FontRecord::kSize);
    pos_ += FontRecord::kSize;
    return true;
  }

 private:
  bool Fail() { return false; }
  const QByteArray& d_;
  qsizetype pos_ = 0;
};

class Writer {
 public:
  void Int16(int v) {
    out_.append(char(v & 0xFF));
    out_.append(char((v >> 8) & 0xFF));
  }
  void UInt8(int v) { out_.append(char(v & 0xFF)); }
  void Text(const QString& s) {
    QByteArray b = Utf8Cut(s, 255);
    ScrambleString(b);
    out_.append(char(uint8_t(b.size())));
    out_.append(b);
  }
  void Font(const FontRecord& f) {
    out_.append(reinterpret_cast<const char*>(f.Bytes().data()), FontRecord::kSize);
  }
  QByteArray& Bytes() { return out_; }

 private:
  QByteArray out_;
};

bool CanEnter(const QString& dir) {
  QFileInfo fi(dir);
  return fi.isDir() && fi.isExecutable();
}

// Writes a whole file atomically: a reader never sees half a file, and a
// failed write leaves the old one in place.
bool WriteFileWhole(const QString& path, const QByteArray& data) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(data) != data.size()) {
    f.cancelWriting();
    return false;
  }
  return f.commit();
}

// Finds a settings file whatever the letter case of its name on disk.
QString FindFile(const QString& dir, const QString& name) {
  return QString::fromStdString(
      files::FindCaseInsensitive(dir.toStdString(), name.toStdString()).string());
}

bool ReadFile(const QString& path, QByteArray& out) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  out = f.readAll();
  return true;
}

QStringList ReadLines(const QString& path, bool* ok) {
  QByteArray data;
  *ok = ReadFile(path, data);
  QStringList lines;
  if (!*ok) return lines;
  QString text = QString::fromUtf8(data);
  text.replace("\r\n", "\n");
  lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QByteArray JoinLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& l : lines) {
    out += l.toUtf8();
    out += "\r\n";
  }
  return out;
}


}  // namespace

// ---------------------------------------------------------------- FontRecord

FontRecord::FontRecord() : FontRecord("Arial", Bold, 10) {}

FontRecord::FontRecord(const QString& name, int style, int size) {
  SetName(name);
  SetStyle(style);
  SetSize(size);
}

QString FontRecord::Name() const {
  int n = bytes_[0];
  return QString::fromUtf8(reinterpret_cast<const char*>(bytes_.data() + 1), n);
}

void FontRecord::SetName(const QString& name) {
  QByteArray b = Utf8Cut(name, 255);
  std::fill(bytes_.begin() + 1, bytes_.begin() + 256, 0);
  bytes_[0] = uint8_t(b.size());
  std::memcpy(bytes_.data() + 1, b.constData(), size_t(b.size()));
}

int FontRecord::Size() const {
  uint32_t v = uint32_t(bytes_[260]) | (uint32_t(bytes_[261]) << 8) |
               (uint32_t(bytes_[262]) << 16) | (uint32_t(bytes_[263]) << 24);
  return int32_t(v);
}

void FontRecord::SetSize(int points) {
  uint32_t v = uint32_t(points);
  for (int i = 0; i < 4; ++i) bytes_[260 + i] = uint8_t(v >> (8 * i));
}

// --------------------------------------------------------------- helpers

void ScrambleString(QByteArray& text) {
  for (qsizetype i = 0; i < text.size(); ++i)
    text[i] = char(uint8_t(text[i]) ^ kScrambleKey[i % 10]);
}

QString DefaultProgramDir() {
  QString home = qEnvironmentVariable("QUILLARY_HOME");
  if (!home.isEmpty()) return QDir::cleanPath(home);
  QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (xdg.isEmpty()) xdg = QDir::homePath() + "/.local/share";
  return QDir::cleanPath(xdg + "/quillary");
}

QString DefaultResourceDir() {
  QString exe = QFileInfo("/proc/self/exe").canonicalFilePath();
  QString binDir = QCoreApplication::instance()
                       ? QCoreApplication::applicationDirPath()
                       : QFileInfo(exe).absolutePath();
  return QDir::cleanPath(binDir + "/../share/quillary");
}

// --------------------------------------------------------------- OptionStore

OptionStore::OptionStore() { InitDirectories(DefaultProgramDir(), QString()); }

// The lock goes with the store: the kernel drops it when the file closes,
// and also when the process dies, which is what tells a crash from a copy
// still running.
OptionStore::~OptionStore() = default;

void OptionStore::Reset() {
  // The defaults live in the member initialisers; rebuilding in place keeps
  // references to the store's variables valid.
  this->~OptionStore();
  new (this) OptionStore();
}

void OptionStore::InitDirectories(const QString& programDir,
                                  const QString& resourceDir) {
  ProgramDir = QDir::cleanPath(programDir);
  while (ProgramDir.size() > 1 && ProgramDir.endsWith('/')) ProgramDir.chop(1);
  ResourceDir = resourceDir;
  DataRoot = ProgramDir;
  UserDataDir = PublicDataDir();
  SettingsDir = UserDataDir;
}

QString OptionStore::SettingsFile(const QString& name) const {
  return FindFile(SettingsDir, name);
}

QByteArray OptionStore::SystemOptionBytes() const {
  Writer w;
  w.Int16(PasswordMode);
  w.Int16(PublicAccess);
  w.Text(DataRoot);
  w.Int16(UserCount);
  w.Text(SupervisorPassword);
  return w.Bytes();
}

void OptionStore::ReadSystemOptionBytes(const QByteArray& data) {
  Reader r(data);
  r.Int16(PasswordMode);
  r.Int16(PublicAccess);
  r.Text(DataRoot);
  r.Int16(UserCount);
  r.Text(SupervisorPassword);
}

bool OptionStore::LoadSystemOptions() {
  QByteArray data;
  bool read = ReadFile(FindFile(ProgramDir, "options.dat"), data);
  if (read) ReadSystemOptionBytes(data);
  if (read && DataRoot != ProgramDir) {
    QString copy = FindFile(DataRoot, "options.dat");
    QByteArray copyData;
    if (QFileInfo::exists(copy)) {
      const QString keepProgram = ProgramDir, keepRoot = DataRoot;
      read = ReadFile(copy, copyData);
      if (read) ReadSystemOptionBytes(copyData);
      ProgramDir = keepProgram;
      DataRoot = keepRoot;
    }
  }
  if (!CanEnter(DataRoot)) throw StartupIoError{DataRoot};
  if (!CanEnter(ProgramDir)) throw StartupIoError{ProgramDir};
  return read;
}

bool OptionStore::SaveSystemOptions() {
  const QByteArray data = SystemOptionBytes();
  bool ok = WriteFileWhole(FindFile(ProgramDir, "options.dat"), data);
  if (DataRoot != ProgramDir)
    ok = WriteFileWhole(FindFile(DataRoot, "options.dat"), data) && ok;
  // A lost supervisor password or data root would be silent otherwise.
  if (!ok) Msg().Error(kSaveOptionsError);
  return ok;
}

QByteArray OptionStore::UserOptionBytes() const {
  Writer w;
  w.Int16(MenusAndSpeedBars);
  w.Int16(ComPort);
  w.Int16(DialType);
  w.Int16(HintMessages);
  w.Int16(LetterTabs);
  w.Int16(InitialDataFile);
  w.Int16(ReservedWord);
  w.Int16(FilterDateFormat);
  w.Int16(SpeedBarLocation);
  w.Int16(RecordDeleteMode);
  w.Text(CurrentDbFile);
  w.Text(CurrentDbDir);
  w.Int16(HideOnStartup);
  w.Int16(LetterTabsLocation);
  w.UInt8(StayOnTop);
  w.UInt8(ShowTips);
  w.Text(ModemName);
  w.Text(ModemInit);
  w.Text(ModemConfig);
  w.Text(ModemHangup);
  w.Font(RecordButtonFont);
  w.Font(LineEditFont);
  w.Font(MemoEditFont);
  w.UInt8(AutoFill);
  w.UInt8(ShowReminders);
  w.UInt8(ShowTrayIcon);
  return w.Bytes();
}

void OptionStore::ReadUserOptionBytes(const QByteArray& data) {
  Reader r(data);
  r.Int16(MenusAndSpeedBars);
  r.Int16(ComPort);
  r.Int16(DialType);
  r.Int16(HintMessages);
  r.Int16(LetterTabs);
  r.Int16(InitialDataFile);
  r.Int16(ReservedWord);
  r.Int16(FilterDateFormat);
  r.Int16(SpeedBarLocation);
  r.Int16(RecordDeleteMode);
  QString lastFile, lastDir;
  r.Text(lastFile);
  r.Text(lastDir);
  if (InitialDataFile == 1 && !lastFile.isEmpty() && !lastDir.isEmpty()) {
    const bool barred =
        !SupervisorLoggedIn && AccessLevel == 3 && IsPublicDirectory(lastDir);
    if (!barred) {
      CurrentDbFile = lastFile;
      // Only a directory inside the data root is taken; a sibling whose
      // name merely starts with the root's is not inside it.
      if (lastDir == DataRoot || lastDir.startsWith(DataRoot + "/"))
        CurrentDbDir = lastDir;
    }
  }
  r.Int16(HideOnStartup);
  r.Int16(LetterTabsLocation);
  r.UInt8(StayOnTop);
  r.UInt8(ShowTips);
  if (r.AtEnd()) return;
  r.Text(ModemName);
  r.Text(ModemInit);
  r.Text(ModemConfig);
  r.Text(ModemHangup);
  r.Font(RecordButtonFont);
  r.Font(LineEditFont);
  r.Font(MemoEditFont);
  r.UInt8(AutoFill);
  r.UInt8(ShowReminders);
  if (r.AtEnd()) return;
  r.UInt8(ShowTrayIcon);
}

bool OptionStore::LoadUserOptions() {
  SettingsDir = UserDataDir;
  QByteArray data;
  if (!ReadFile(SettingsFile("options.dat"), data)) return false;
  ReadUserOptionBytes(data);
  return true;
}

bool OptionStore::SaveUserOptions() {
  return WriteFileWhole(SettingsFile("options.dat"), UserOptionBytes());
}

bool OptionStore::LoadLabels() {
  bool ok = false;
  LabelList = ReadLines(SettingsFile("labels.dat"), &ok);
  return ok;
}

bool OptionStore::SaveLabels() {
  if (WriteFileWhole(SettingsFile("labels.dat"), JoinLines(LabelList))) return true;
  Msg().Error(kSaveOptionsError);
  return false;
}

bool OptionStore::LoadDateFormats() {
  bool ok = false;
  DateFormats.clear();
  for (const QString& line : ReadLines(SettingsFile("date.dat"), &ok))
    DateFormats.push_back({line.trimmed(), -1});
  return ok;
}

bool OptionStore::SaveDateFormats() {
  QStringList lines;
  for (const auto& e : DateFormats) lines << e.code;
  if (WriteFileWhole(SettingsFile("date.dat"), JoinLines(lines))) return true;
  Msg().Error(kSaveOptionsError);
  return false;
}

namespace {

constexpr uint64_t kRunningLockAt = dbase::lock_offsets::kOpen;

// shut.dat is written in place, not replaced: the copies' locks live on the
// file itself. Both marks have one length, so one write replaces the text.
bool WriteMark(const QString& path, const char* mark) {
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite)) return false;
  const QByteArray text = QByteArray(mark) + "\r\n";
  const bool ok = f.write(text) == text.size();
  return f.resize(text.size()) && ok;
}

}  // namespace

QString OptionStore::RunningToken() const {
  return SettingsDir + QString("/shut-%1.run").arg(::getpid());
}

// Tokens of copies that are not running: with no lock on shut.dat held by
// another copy, every token but this copy's own was left by a copy that died.
QStringList OptionStore::DeadTokens() const {
  QStringList out;
  const QString own = QFileInfo(RunningToken()).fileName();
  for (const QString& name : QDir(SettingsDir).entryList({"shut-*.run"}, QDir::Files | QDir::Hidden))
    if (name != own) out << SettingsDir + "/" + name;
  return out;
}

bool OptionStore::OtherCopyRunning() const {
  dbase::File probe;
  const dbase::File* f = runningLock_ ? runningLock_.get() : &probe;
  try {
    if (!runningLock_ && !probe.OpenExisting(SettingsFile("shut.dat").toStdString(), true))
      return false;
  } catch (const dbase::EngineError&) {
    return false;  // a mark that cannot be opened is held by no one
  }
  return dbase::IsLockedByOther(*f, kRunningLockAt, dbase::LockKind::Exclusive);
}

void OptionStore::MarkRunning() {
  const QString path = SettingsFile("shut.dat");
  if (!runningLock_) {
    if (!QFileInfo::exists(path)) WriteMark(path, kRunningMark);
    auto f = std::make_unique<dbase::File>();
    try {
      if (f->OpenExisting(path.toStdString()) &&
          dbase::TryLock(*f, kRunningLockAt, dbase::LockKind::Shared))
        runningLock_ = std::move(f);
    } catch (const dbase::EngineError&) {
      // Without the lock this copy behaves as a lone copy did before.
    }
  }
  // Alone now: the tokens left by copies that died were reported by this
  // start's warning.
  if (!OtherCopyRunning())
    for (const QString& t : DeadTokens()) QFile::remove(t);
  WriteMark(path, kRunningMark);
  runningToken_ = RunningToken();
  QFile token(runningToken_);
  if (token.open(QIODevice::WriteOnly)) token.close();
}

void OptionStore::MarkClosed() {
  if (!runningToken_.isEmpty()) QFile::remove(runningToken_);
  runningToken_.clear();
  const bool othersRunning = OtherCopyRunning();
  if (!othersRunning) {
    const QStringList dead = DeadTokens();
    if (dead.isEmpty()) {
      const QString path = SettingsFile("shut.dat");
      if (runningLock_) WriteMark(path, kClosedMark);
      else WriteFileWhole(path, QByteArray(kClosedMark) + "\r\n");
    }
    // Otherwise a copy died while this one ran: the running mark stays for
    // the next start to report, and the tokens go with that report.
    for (const QString& t : dead) QFile::remove(t);
  }
  runningLock_.reset();
}

bool OptionStore::WasClosedNormally() const {
  bool ok = false;
  QStringList lines = ReadLines(SettingsFile("shut.dat"), &ok);
  if (!ok) return true;
  if (!lines.isEmpty() && lines.first() == kClosedMark) return true;
  // "Running" while another copy runs is that copy's mark, not a crash.
  return OtherCopyRunning();
}

void OptionStore::EnsureDataDirectories() {
  const QString pub = PublicDataDir();
  if (CanEnter(pub) && CanEnter(pub + "/BACKUP") && CanEnter(ProgramDir)) return;
  if (!CanEnter(DataRoot)) throw StartupIoError{DataRoot};
  QDir().mkdir(pub);
  if (!QDir().mkpath(pub + "/BACKUP"))
    Msg().Warning("Could not Create Data Directory!");
  if (!CanEnter(ProgramDir)) throw StartupIoError{ProgramDir};
}

bool OptionStore::IsPublicDirectory(const QString& dir) const {
  return QString::compare(QDir::cleanPath(dir), QDir::cleanPath(PublicDataDir()),
                          Qt::CaseInsensitive) == 0;
}

bool OptionStore::IsReadOnlyDatabase() const {
  return AccessLevel == 2 && IsPublicDirectory(CurrentDbDir);
}

WindowGeometry OptionStore::LoadWindowGeometry() const {
  WindowGeometry g;
  QByteArray d;
  if (!ReadFile(SettingsFile("wnd.dat"), d) || d.size() < 20) return g;
  auto at = [&](int i) {
    const auto* p = reinterpret_cast<const uint8_t*>(d.constData()) + 4 * i;
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                   (uint32_t(p[3]) << 24));
  };
  g.top = at(0);
  g.left = at(1);
  g.width = at(2);
  g.height = at(3);
  g.paneWidth = at(4);
  g.present = true;
  return g;
}

void OptionStore::SaveWindowGeometry(const WindowGeometry& g) const {
  QByteArray d;
  const int32_t v[5] = {g.maximized ? 0 : g.top, g.maximized ? 0 : g.left,
                        g.maximized ? 0 : g.width, g.maximized ? 0 : g.height,
                        g.maximized ? 0 : g.paneWidth};
  for (int32_t x : v)
    for (int i = 0; i < 4; ++i) d.append(char(uint32_t(x) >> (8 * i)));
  WriteFileWhole(SettingsFile("wnd.dat"), d);
}

OptionStore& Opt() {
  static OptionStore store;
  return store;
}

}  // namespace quillary
