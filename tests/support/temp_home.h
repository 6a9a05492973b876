// Each test gets its own QUILLARY_HOME: a fresh temporary directory set in
// the environment for the test's lifetime.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>

namespace quillary::test {

class TempHome {
 public:
  TempHome() {
    old_ = qgetenv("QUILLARY_HOME");
    hadOld_ = qEnvironmentVariableIsSet("QUILLARY_HOME");
    qputenv("QUILLARY_HOME", dir_.path().toUtf8());
  }
  ~TempHome() {
    if (hadOld_) qputenv("QUILLARY_HOME", old_);
    else qunsetenv("QUILLARY_HOME");
  }
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QByteArray old_;
  bool hadOld_ = false;
};

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool WriteAll(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(data) == data.size();
}

}  // namespace quillary::test
