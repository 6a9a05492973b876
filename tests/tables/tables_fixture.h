// A fresh home per test with the build's template tables as the shipped
// files, the database directory DATA under it, and the record store reset.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "platform/dbase/table.h"
#include "shell/options.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"
#include "tables/database.h"

namespace quillary::test {

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Opt().Reset();
    Opt().InitDirectories(home.path(), QUILLARY_TEST_SHARE_DIR);
    Opt().CurrentDbDir = home.path() + "/DATA";
    QDir().mkpath(Opt().CurrentDbDir);
    tables::Db().Reset();
  }
  void TearDown() override { tables::Db().Reset(); }

  QString Dir() const { return Opt().CurrentDbDir; }
  QString PathOf(const QString& name) const { return Dir() + "/" + name; }
  bool Exists(const QString& name) const { return QFileInfo::exists(PathOf(name)); }
  QStringList Files() const { return QDir(Dir()).entryList(QDir::Files, QDir::Name); }

  // Appends a record to the open data table with these user fields.
  void AddRecord(const std::string& title, const std::string& mark = "2") {
    dbase::Table& t = tables::Db().Data;
    t.Append();
    t.SetText(1, mark);
    t.SetText(2, title);
    t.Post();
  }

  TempHome home;
  ScriptedMessages msgs;
};

}  // namespace quillary::test
