// The maintenance log: entries, log.dat, the duplicate rule and damaged files.
#include <gtest/gtest.h>

#include <QDir>

#include "maintenance/maintenance_log.h"
#include "shell/clock.h"
#include "shell/date_formats.h"
#include "shell/options.h"
#include "shell/tagged_stream.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

class LogTest : public ::testing::Test {
 protected:
  LogTest() {
    Opt().InitDirectories(home.path(), QString());
    QDir().mkpath(Opt().SettingsDir);
    SetAt(QDateTime(QDate(2026, 12, 10), QTime(10, 20, 51)));
  }
  void SetAt(const QDateTime& t) { now = t; }
  QString LogPath() const { return Opt().SettingsDir + "/log.dat"; }
  static TLogEntry Entry(const QString& db, const QString& what, const QDateTime& t) {
    return {TMaintenanceLog::DateText(t.date()), TMaintenanceLog::TimeText(t.time()), db, what};
  }

  test::TempHome home;
  test::ScriptedMessages messages;
  QDateTime now;
  ScopedClock clock{[this] { return now; }};
};

TEST(LogDateText, FormatsByTheShortDatePattern) {
  const QDate d(2026, 3, 7);
  const struct {
    const char* pattern;
    const char* text;
  } cases[] = {
      {"mm/dd/yyyy", "03/07/2026"}, {"dd.mm.yyyy", "07.03.2026"}, {"yyyy-mm-dd", "2026-03-07"},
      {"yyyy", "2026"},             {"m/d/yy", "3/7/26"},          {"MM/DD/YYYY", "03/07/2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateByPattern(d, c.pattern), c.text) << c.pattern;
  EXPECT_EQ(TMaintenanceLog::TimeText(QTime(9, 5, 3)), "09:05:03");
}

TEST_F(LogTest, SameActionWithinOneSecondIsStoredOnce) {
  TMaintenanceLog log;
  EXPECT_TRUE(log.AddEntry("data.dbf", "Database Packed."));
  now = now.addMSecs(400);
  EXPECT_FALSE(log.AddEntry("data.dbf", "Database Packed."));
  EXPECT_EQ(log.Count(), 1);

  // Another text, another file or the next second are new entries.
  EXPECT_TRUE(log.AddEntry("data.dbf", "Database Reindexed."));
  EXPECT_TRUE(log.AddEntry("data_2.dbf", "Database Packed."));
  now = now.addSecs(1);
  EXPECT_TRUE(log.AddEntry("data.dbf", "Database Packed."));
  // An identical entry further back than the last also counts.
  EXPECT_TRUE(log.AddEntry("data_2.dbf", "Database Reindexed."));
  EXPECT_FALSE(log.AddEntry("data.dbf", "Database Packed."));
  EXPECT_EQ(log.Count(), 5);
  EXPECT_TRUE(messages.shown.empty());

  // Each added entry is written at once.
  TMaintenanceLog reread;
  reread.Load();
  EXPECT_EQ(reread.Entries(), log.Entries());
}

TEST_F(LogTest, FileIsAListOfFourStringsPerEntry) {
  TMaintenanceLog log;
  const QString longText = QString(300, 'd') + QString::fromUtf8("\xc3\xa9");
  ASSERT_TRUE(log.AddEntry("data.dbf", longText));
  const TLogEntry& e = log.Entries().front();
  EXPECT_EQ(e.Time, "10:20:51");
  EXPECT_EQ(e.Date, FormatDateByPattern(QDate(2026, 12, 10), ShortDateFormat()));

  StreamWriter expected;
  expected.WriteListBegin();
  expected.WriteString(e.Date);
  expected.WriteString("10:20:51");
  expected.WriteString("data.dbf");
  expected.WriteRaw(QByteArray::fromHex("0c2e010000") + longText.toUtf8());  // long string
  expected.WriteListEnd();
  EXPECT_EQ(test::ReadAll(LogPath()).toHex(), expected.Bytes().toHex());

  TMaintenanceLog reread;
  reread.Load();
  ASSERT_EQ(reread.Count(), 1);
  EXPECT_EQ(reread.Entries().front().Description, longText);
}

TEST_F(LogTest, DeletedRowsStayDeletedAfterTheRunEnds) {
  TMaintenanceLog log;
  for (const char* what : {"Database Reindexed.", "Indexes Deleted.", "Database Packed.",
                           "Database Repaired."})
    ASSERT_TRUE(log.AddEntry("data.dbf", what));
  ASSERT_TRUE(log.RemoveRows({3, 1, 3, 7, -1}));
  // Written at once.
  TMaintenanceLog after;
  after.Load();
  ASSERT_EQ(after.Count(), 2);
  EXPECT_EQ(after.Entries()[0].Description, "Database Reindexed.");
  EXPECT_EQ(after.Entries()[1].Description, "Database Packed.");
  EXPECT_EQ(log.Entries(), after.Entries());
  ASSERT_TRUE(log.SaveAtEnd());  // the end of the run
  after.Load();
  EXPECT_EQ(after.Count(), 2);

  // A cleared log is an empty list in the file.
  ASSERT_TRUE(after.Clear());
  EXPECT_EQ(after.Count(), 0);
  EXPECT_EQ(test::ReadAll(LogPath()), QByteArray("\x01\x00", 2));
  now = now.addSecs(5);
  ASSERT_TRUE(after.AddEntry("data.dbf", "Database Backed Up - 12 records."));
  TMaintenanceLog last;
  last.Load();
  EXPECT_EQ(last.Entries(), std::vector<TLogEntry>({Entry("data.dbf",
                                                          "Database Backed Up - 12 records.", now)}));
}

// Two copies of the program on one settings directory: what one logs or
// deletes never undoes what the other did.
TEST_F(LogTest, TwoCopiesKeepEachOthersEntries) {
  TMaintenanceLog first, second;
  first.Load();
  second.Load();
  ASSERT_TRUE(first.AddEntry("data.dbf", "Database Packed."));
  ASSERT_TRUE(second.AddEntry("data_2.dbf", "Database Reindexed."));
  const TLogEntry packed = Entry("data.dbf", "Database Packed.", now);
  const TLogEntry reindexed = Entry("data_2.dbf", "Database Reindexed.", now);
  EXPECT_EQ(second.Entries(), std::vector<TLogEntry>({packed, reindexed}));
  // The same action logged by both copies within the second is one entry.
  EXPECT_FALSE(first.AddEntry("data_2.dbf", "Database Reindexed."));

  // The second copy shows both and deletes the first copy's entry, while the
  // first logs another one it has not seen.
  now = now.addSecs(1);
  ASSERT_TRUE(first.AddEntry("data.dbf", "Database Repaired."));
  const TLogEntry repaired = Entry("data.dbf", "Database Repaired.", now);
  ASSERT_TRUE(second.RemoveRows({0}));
  EXPECT_EQ(second.Entries(), std::vector<TLogEntry>({reindexed, repaired}));

  // Clearing removes only what was shown: the entry logged since stays.
  now = now.addSecs(1);
  ASSERT_TRUE(first.AddEntry("data.dbf", "Database Backed Up - 3 records."));
  const TLogEntry backup = Entry("data.dbf", "Database Backed Up - 3 records.", now);
  ASSERT_TRUE(second.Clear());
  EXPECT_EQ(second.Entries(), std::vector<TLogEntry>({backup}));

  // The ends of both runs keep the file as it is.
  ASSERT_TRUE(first.SaveAtEnd());
  ASSERT_TRUE(second.SaveAtEnd());
  TMaintenanceLog reread;
  reread.Load();
  EXPECT_EQ(reread.Entries(), std::vector<TLogEntry>({backup}));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LogTest, DamagedFileGivesAnEmptyLogWithoutMessage) {
  TMaintenanceLog log;
  ASSERT_TRUE(log.AddEntry("data.dbf", "Database Packed."));
  now = now.addSecs(1);
  ASSERT_TRUE(log.AddEntry("data.dbf", QString(400, 'x')));
  const QByteArray whole = test::ReadAll(LogPath());

  std::vector<std::pair<std::string, QByteArray>> damaged;
  for (qsizetype n = 0; n < whole.size(); ++n)
    damaged.push_back({"cut to " + std::to_string(n) + " bytes", whole.left(n)});
  damaged.push_back({"garbage", QByteArray("\x07\xff\xff\xff\xff garbage", 14)});
  damaged.push_back({"an entry of three texts", whole.left(whole.indexOf("Database Packed.") - 2) +
                                                    QByteArray::fromHex("00")});
  damaged.push_back({"a long string claiming 2 GB", QByteArray::fromHex("010cffffff7f41")});
  damaged.push_back({"an integer for a text", QByteArray::fromHex("01020100")});

  for (const auto& [what, data] : damaged) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(test::WriteAll(LogPath(), data));
    TMaintenanceLog reread;
    reread.Load();
    EXPECT_EQ(reread.Count(), 0);
  }
  EXPECT_TRUE(messages.shown.empty());

  // The next save replaces the damaged file.
  TMaintenanceLog fresh;
  fresh.Load();
  now = now.addSecs(1);
  ASSERT_TRUE(fresh.AddEntry("data.dbf", "Database Repaired."));
  TMaintenanceLog reread;
  reread.Load();
  EXPECT_EQ(reread.Count(), 1);

  // No file at all: empty, silently.
  QFile::remove(LogPath());
  reread.Load();
  EXPECT_EQ(reread.Count(), 0);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LogTest, FindsLogDatInAnyLetterCase) {
  TMaintenanceLog log;
  ASSERT_TRUE(log.AddEntry("data.dbf", "Database Packed."));
  ASSERT_TRUE(QFile::rename(LogPath(), Opt().SettingsDir + "/LOG.DAT"));
  TMaintenanceLog reread;
  reread.Load();
  EXPECT_EQ(reread.Count(), 1);
}

TEST_F(LogTest, UnwritableLogIsReported) {
  Opt().SettingsDir = home.file("no/such/dir");
  TMaintenanceLog log;
  EXPECT_TRUE(log.AddEntry("data.dbf", "Database Packed."));
  EXPECT_EQ(log.Count(), 1);  // kept in memory; the end of the run tries again
  EXPECT_FALSE(log.Save());
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(messages.Texts(),
            QStringList({"Error Saving Log to a file!", "Error Saving Log to a file!"}));
}

}  // namespace
}  // namespace quillary
