// What the browsing and window tests share: a record store in the test's
// home, databases of numbered titles, and a second process that holds one
// record the way another running copy would.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "shell/options.h"
#include "tables/database.h"
#include "tables/tindex.h"

namespace quillary::test {

inline constexpr int kTitlePos = 2;  // table positions
inline constexpr int kKeywordsPos = 6;

// The public data directory of `home` as the settings and database directory.
inline void UseRecordStoreIn(const QString& home) {
  Opt().Reset();
  Opt().InitDirectories(home, QUILLARY_TEST_SHARE_DIR);
  Opt().UserDataDir = Opt().PublicDataDir();
  Opt().SettingsDir = Opt().UserDataDir;
  QDir().mkpath(Opt().CurrentDbDir);
  tables::Db().Reset();
}

// "T00", "T01", ...
inline std::vector<std::string> Numbered(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back(QString("T%1").arg(i, 2, 10, QChar('0')).toStdString());
  return v;
}

// Writes a database of these titles (keywords "k" + title), sorted by
// `sortField` (0: entry order), and closes it again.
inline void MakeTitleDatabase(const std::vector<std::string>& titles, int sortField = 0) {
  ASSERT_TRUE(tables::OpenDatabase());
  dbase::Table& t = tables::Db().Data;
  for (const std::string& title : titles) {
    t.Append();
    t.SetText(1, "2");
    t.SetText(kTitlePos, title);
    t.SetText(kKeywordsPos, "k" + title);
    t.Post();
  }
  tables::Db().Index.Create(sortField, false, 0, false);
  ASSERT_TRUE(tables::Db().Index.ApplySort());
  ASSERT_TRUE(tables::Db().Index.SaveSort());
  tables::CloseDatabase();
  tables::Db().Reset();
}

// Starts a process that holds record `recno` of the current database's
// data table until it is killed (with the returned object).
inline void HoldRecord(QProcess& holder, int recno) {
  holder.start(QString(QUILLARY_TEST_BIN_DIR_TESTS) + "/hold_record",
               {Opt().CurrentDbDir, "data.dbf", QString::number(recno)});
  ASSERT_TRUE(holder.waitForStarted(10000));
  ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();
  ASSERT_EQ(holder.readLine().trimmed(), "held");
}

}  // namespace quillary::test
