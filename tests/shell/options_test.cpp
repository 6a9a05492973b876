// The option files: layouts against hand-built fixtures, the loading rules,
// the data-root copy and the small files of the settings directory.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "shell/option_fixtures.h"
#include "shell/options.h"
#include "shell/text_helpers.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

using test::Bytes;
using test::ReadAll;
using test::WriteAll;

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    o.InitDirectories(home.path(), QUILLARY_TEST_SHARE_DIR);
    QDir().mkpath(o.PublicDataDir());
    o.SettingsDir = o.UserDataDir;
  }
  test::TempHome home;
  test::ScriptedMessages msgs;
  OptionStore o;
};

TEST_F(OptionsTest, UserFileOfAllFieldsReadsAndWritesBackByteForByte) {
  const QByteArray dir = (o.DataRoot + "/DATA/work").toUtf8();
  QByteArray fixture = test::UserFixedFields("links.dbf", dir)
                           .text("Hayes Compatible").text("ATZ").text("AT&F").text("ATH0")
                           .font("Courier New", 1 | 4, 12, 0x5A)
                           .font("Liberation Sans", 2, 9, 0xA1)
                           .font("DejaVu Serif", 8, 14, 0x11)
                           .u8(0).u8(0)
                           .u8(0)
                           .bytes();
  ASSERT_EQ(fixture.size(), 20 + 1 + 9 + 1 + dir.size() + 6 + 17 + 4 + 5 + 5 + 3 * 264 + 3);
  ASSERT_TRUE(WriteAll(o.SettingsDir + "/options.dat", fixture));

  ASSERT_TRUE(o.LoadUserOptions());
  EXPECT_EQ(o.MenusAndSpeedBars, 2);
  EXPECT_EQ(o.ComPort, 3);
  EXPECT_EQ(o.ReservedWord, -7);
  EXPECT_EQ(o.FilterDateFormat, 2);
  EXPECT_EQ(o.SpeedBarLocation, 0);
  EXPECT_EQ(o.RecordDeleteMode, 1);
  EXPECT_EQ(o.CurrentDbFile, "links.dbf");
  EXPECT_EQ(o.CurrentDbDir, QString::fromUtf8(dir));
  EXPECT_EQ(o.UserDataDir, QString::fromUtf8(dir));  // one variable
  EXPECT_EQ(o.HideOnStartup, 6);
  EXPECT_EQ(o.StayOnTop, 1);
  EXPECT_EQ(o.ShowTips, 0);
  EXPECT_EQ(o.ModemName, "Hayes Compatible");
  EXPECT_EQ(o.ModemHangup, "ATH0");
  EXPECT_EQ(o.RecordButtonFont.Name(), "Courier New");
  EXPECT_EQ(o.RecordButtonFont.Style(), FontRecord::Bold | FontRecord::Underline);
  EXPECT_EQ(o.MemoEditFont.Size(), 14);
  EXPECT_EQ(o.AutoFill, 0);
  EXPECT_EQ(o.ShowReminders, 0);
  EXPECT_EQ(o.ShowTrayIcon, 0);

  ASSERT_TRUE(o.SaveUserOptions());
  EXPECT_EQ(ReadAll(o.SettingsDir + "/options.dat"), fixture);
}

TEST_F(OptionsTest, ShortUserFilesKeepTheDefaultsOfTheMissingTails) {
  const QByteArray fixed = test::UserFixedFields("a.dbf", "").bytes();
  const QByteArray tailA = Bytes().text("M").text("I").text("C").text("H")
                               .font("X", 0, 8, 1).font("Y", 0, 8, 1).font("Z", 0, 8, 1)
                               .u8(0).u8(0).bytes();
  struct Case { const char* what; QByteArray data; bool tailA; };
  for (const Case& c : {Case{"fixed fields only", fixed, false},
                        Case{"fixed fields and tail A", fixed + tailA, true}}) {
    SCOPED_TRACE(c.what);
    OptionStore fresh;
    fresh.InitDirectories(home.path(), {});
    ASSERT_TRUE(WriteAll(fresh.UserDataDir + "/options.dat", c.data));
    fresh.ShowTrayIcon = 1;
    ASSERT_TRUE(fresh.LoadUserOptions());
    EXPECT_EQ(fresh.ShowTips, 0);
    EXPECT_EQ(fresh.ShowTrayIcon, 1);
    EXPECT_EQ(fresh.ModemName, c.tailA ? "M" : "Custom Settings");
    EXPECT_EQ(fresh.AutoFill, c.tailA ? 0 : 1);
    EXPECT_EQ(fresh.ShowReminders, c.tailA ? 0 : 1);
    if (c.tailA) {
      EXPECT_EQ(fresh.LineEditFont.Name(), "Y");
      EXPECT_EQ(fresh.LineEditFont.Size(), 8);
    } else {
      EXPECT_EQ(fresh.LineEditFont, FontRecord());
      EXPECT_EQ(fresh.LineEditFont.Name(), "Arial");
      EXPECT_EQ(fresh.LineEditFont.Style(), FontRecord::Bold);
      EXPECT_EQ(fresh.LineEditFont.Size(), 10);
    }
  }
}

TEST_F(OptionsTest, DamagedUserFilesNeverCrashAndKeepWhatWasRead) {
  const QByteArray full = test::UserFixedFields("x.dbf", "").bytes();
  for (int cut = 0; cut < full.size(); ++cut) {
    OptionStore fresh;
    fresh.InitDirectories(home.path(), {});
    fresh.ReadUserOptionBytes(full.left(cut));
    if (cut >= 2) EXPECT_EQ(fresh.MenusAndSpeedBars, 2);
    else EXPECT_EQ(fresh.MenusAndSpeedBars, 0);
  }
  // A text length pointing past the end gives an empty text.
  OptionStore fresh;
  fresh.ReadUserOptionBytes(Bytes().i16(0).i16(0).i16(0).i16(0).i16(0).i16(1).i16(0).i16(0)
                                .i16(0).i16(0).u8(200).raw("abc").bytes());
  EXPECT_EQ(fresh.CurrentDbFile, "data.dbf");
}

TEST_F(OptionsTest, SystemFileReadsAndWritesBackByteForByte) {
  const QByteArray fixture =
      Bytes().i16(0).i16(2).text(o.ProgramDir.toUtf8()).i16(1).text("s3cret").bytes();
  ASSERT_TRUE(WriteAll(o.ProgramDir + "/options.dat", fixture));
  ASSERT_TRUE(o.LoadSystemOptions());
  EXPECT_EQ(o.PasswordMode, 0);
  EXPECT_EQ(o.PublicAccess, 2);
  EXPECT_EQ(o.UserCount, 1);
  EXPECT_EQ(o.SupervisorPassword, "s3cret");
  ASSERT_TRUE(o.SaveSystemOptions());
  EXPECT_EQ(ReadAll(o.ProgramDir + "/options.dat"), fixture);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(OptionsTest, NoSystemFileKeepsDefaults) {
  EXPECT_FALSE(o.LoadSystemOptions());
  EXPECT_EQ(o.PasswordMode, 1);
  EXPECT_EQ(o.DataRoot, o.ProgramDir);
}

TEST_F(OptionsTest, DataRootCopySuppliesAccountsButNotTheRoot) {
  const QString root = home.path() + "/shared-root";
  QDir().mkpath(root);
  WriteAll(o.ProgramDir + "/options.dat",
           Bytes().i16(1).i16(0).text(root.toUtf8()).i16(0).text("").bytes());
  WriteAll(root + "/options.dat",
           Bytes().i16(0).i16(3).text("/elsewhere").i16(1).text("pw").bytes());
  EXPECT_TRUE(o.LoadSystemOptions());
  EXPECT_EQ(o.DataRoot, root);
  EXPECT_EQ(o.ProgramDir, home.path());
  EXPECT_EQ(o.PasswordMode, 0);
  EXPECT_EQ(o.PublicAccess, 3);
  EXPECT_EQ(o.UserCount, 1);
  EXPECT_EQ(o.SupervisorPassword, "pw");

  // Saving writes both files, and they are identical.
  ASSERT_TRUE(o.SaveSystemOptions());
  EXPECT_EQ(ReadAll(o.ProgramDir + "/options.dat"), ReadAll(root + "/options.dat"));
  EXPECT_EQ(ReadAll(root + "/options.dat"), o.SystemOptionBytes());
}

TEST_F(OptionsTest, OnlyOneSystemFileWhenTheRootIsTheProgramDirectory) {
  ASSERT_TRUE(o.SaveSystemOptions());
  QStringList found = QDir(home.path()).entryList({"options.dat"}, QDir::Files);
  EXPECT_EQ(found, QStringList{"options.dat"});
  EXPECT_FALSE(QFile::exists(o.PublicDataDir() + "/options.dat"));
}

TEST_F(OptionsTest, AnUnwritableSystemFileIsReported) {
  // A directory in the file's place makes the write fail even for root.
  QDir().mkpath(o.ProgramDir + "/options.dat");
  EXPECT_FALSE(o.SaveSystemOptions());
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text, "Could not Save Options to a File!");
}

TEST_F(OptionsTest, DataRootThatCannotBeEnteredEndsStartUp) {
  WriteAll(o.ProgramDir + "/options.dat",
           Bytes().i16(1).i16(0).text("/nonexistent/root").i16(0).text("").bytes());
  EXPECT_THROW(o.LoadSystemOptions(), StartupIoError);
}

TEST_F(OptionsTest, LastUsedDatabaseRule) {
  const QString pub = o.PublicDataDir();
  struct Case {
    const char* what;
    int initialDataFile;
    QString lastDir;
    bool supervisor;
    int accessLevel;
    QString wantFile;
    QString wantDir;
  };
  const QString own = home.path() + "/DATA";
  const Case cases[] = {
      {"inside the data root", 1, home.path() + "/bob", true, 1, "last.dbf", home.path() + "/bob"},
      {"outside the data root: file only", 1, "/srv/other", true, 1, "last.dbf", own},
      {"sibling sharing the root's prefix", 1, home.path() + "-old/x", true, 1, "last.dbf", own},
      {"default file option", 0, home.path() + "/bob", true, 1, "data.dbf", own},
      {"no access to the public dir", 1, pub, false, 3, "data.dbf", own},
      {"no access, public dir in other case", 1, pub.toUpper(), false, 3, "data.dbf", own},
      {"supervisor is never barred", 1, pub, true, 3, "last.dbf", pub},
      {"read-only access may open it", 1, pub, false, 2, "last.dbf", pub},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OptionStore s;
    s.InitDirectories(home.path(), {});
    s.SupervisorLoggedIn = c.supervisor;
    s.AccessLevel = c.accessLevel;
    QByteArray data = test::UserFixedFields("last.dbf", c.lastDir.toUtf8()).bytes();
    data[10] = char(c.initialDataFile);  // field 6
    s.ReadUserOptionBytes(data);
    EXPECT_EQ(s.CurrentDbFile, c.wantFile);
    EXPECT_EQ(s.CurrentDbDir, c.wantDir);
  }
}

TEST_F(OptionsTest, LongTextsAreCutOnACharacterBoundary) {
  // 200 two-byte characters: 400 bytes, more than a length byte can say.
  const QString longDir = o.DataRoot + "/" + QString(200, QChar(0x00E9));
  o.CurrentDbDir = longDir;
  o.ModemInit = "ATZ";
  ASSERT_TRUE(o.SaveUserOptions());
  OptionStore back;
  back.InitDirectories(home.path(), {});
  ASSERT_TRUE(back.LoadUserOptions());
  EXPECT_TRUE(longDir.startsWith(back.CurrentDbDir));
  EXPECT_LE(back.CurrentDbDir.toUtf8().size(), 255);
  EXPECT_GE(back.CurrentDbDir.toUtf8().size(), 254);
  EXPECT_EQ(back.ModemInit, "ATZ");  // what follows is still in step
  EXPECT_EQ(Utf8Cut(QString(200, QChar(0x00E9)), 255).size(), 254);
}

TEST_F(OptionsTest, ScramblingIsItsOwnInverse) {
  QByteArray t("Supervisor password 123");
  QByteArray s = t;
  ScrambleString(s);
  EXPECT_EQ(uint8_t(s[0]), uint8_t('S' ^ 0x03));
  EXPECT_EQ(uint8_t(s[10]), uint8_t(t[10] ^ 0x03));
  EXPECT_NE(s, t);
  ScrambleString(s);
  EXPECT_EQ(s, t);
}

TEST_F(OptionsTest, ShutdownMarker) {
  EXPECT_TRUE(o.WasClosedNormally());  // no file
  o.MarkRunning();
  EXPECT_EQ(ReadAll(o.SettingsDir + "/shut.dat").left(4), "#10*");
  EXPECT_FALSE(o.WasClosedNormally());
  o.MarkClosed();
  EXPECT_EQ(ReadAll(o.SettingsDir + "/shut.dat").left(4), "@a$)");
  EXPECT_TRUE(o.WasClosedNormally());
  WriteAll(o.SettingsDir + "/shut.dat", "garbage\r\n");
  EXPECT_FALSE(o.WasClosedNormally());
}

TEST_F(OptionsTest, SettingsFilesAreFoundWhateverTheirCase) {
  WriteAll(o.SettingsDir + "/SHUT.DAT", "#10*\r\n");
  EXPECT_FALSE(o.WasClosedNormally());
  o.MarkClosed();  // writes the existing file, not a second one
  EXPECT_EQ(QDir(o.SettingsDir).entryList({"shut.dat"}, QDir::Files, QDir::Name).size(), 1);
  EXPECT_TRUE(o.WasClosedNormally());
}

TEST_F(OptionsTest, DataDirectoriesAreCreated) {
  QDir(o.PublicDataDir()).removeRecursively();
  o.EnsureDataDirectories();
  EXPECT_TRUE(QFileInfo(o.PublicDataDir() + "/BACKUP").isDir());
  EXPECT_TRUE(msgs.shown.empty());

  // A file where the backup directory should be cannot be replaced.
  QDir(o.PublicDataDir()).removeRecursively();
  QDir().mkpath(o.PublicDataDir());
  WriteAll(o.PublicDataDir() + "/BACKUP", "x");
  o.EnsureDataDirectories();
  ASSERT_EQ(msgs.Texts(), QStringList{"Could not Create Data Directory!"});
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
}

TEST_F(OptionsTest, PublicDirectoryAndReadOnlyDatabase) {
  EXPECT_TRUE(o.IsPublicDirectory(o.DataRoot + "/DATA"));
  EXPECT_TRUE(o.IsPublicDirectory(o.DataRoot + "/data"));
  EXPECT_TRUE(o.IsPublicDirectory(o.DataRoot.toUpper() + "/Data/"));
  EXPECT_FALSE(o.IsPublicDirectory(o.DataRoot + "/bob"));
  o.CurrentDbDir = o.PublicDataDir();
  o.AccessLevel = 2;
  EXPECT_TRUE(o.IsReadOnlyDatabase());
  o.AccessLevel = 1;
  EXPECT_FALSE(o.IsReadOnlyDatabase());
  o.AccessLevel = 2;
  o.CurrentDbDir = o.DataRoot + "/bob";
  EXPECT_FALSE(o.IsReadOnlyDatabase());
}

TEST_F(OptionsTest, LabelAndDateFilesRoundTripAndReportWriteFailures) {
  o.LabelList = {"Title:", "Address:", "Caf\u00e9:"};
  o.DateFormats = {{"0", 8}, {"3", 12}};
  ASSERT_TRUE(o.SaveLabels());
  ASSERT_TRUE(o.SaveDateFormats());
  EXPECT_EQ(ReadAll(o.SettingsDir + "/labels.dat"), "Title:\r\nAddress:\r\nCaf\xc3\xa9:\r\n");
  EXPECT_EQ(ReadAll(o.SettingsDir + "/date.dat"), "0\r\n3\r\n");
  OptionStore back;
  back.InitDirectories(home.path(), {});
  ASSERT_TRUE(back.LoadLabels());
  ASSERT_TRUE(back.LoadDateFormats());
  EXPECT_EQ(back.LabelList, o.LabelList);
  ASSERT_EQ(back.DateFormats.size(), 2u);
  EXPECT_EQ(back.DateFormats[1].code, "3");
  EXPECT_EQ(back.DateFormats[1].field, -1);  // filled in by the record form

  OptionStore none;
  none.InitDirectories(home.path() + "/missing", {});
  EXPECT_FALSE(none.LoadLabels());
  EXPECT_TRUE(none.LabelList.isEmpty());

  QFile::remove(o.SettingsDir + "/labels.dat");
  QDir().mkpath(o.SettingsDir + "/labels.dat");
  EXPECT_FALSE(o.SaveLabels());
  EXPECT_EQ(msgs.Texts(), QStringList{"Could not Save Options to a File!"});
}

TEST_F(OptionsTest, WindowFile) {
  EXPECT_FALSE(o.LoadWindowGeometry().present);
  WindowGeometry g;
  g.top = 10; g.left = 20; g.width = 640; g.height = 480; g.paneWidth = 300;
  o.SaveWindowGeometry(g);
  EXPECT_EQ(ReadAll(o.SettingsDir + "/wnd.dat"),
            Bytes().i32(10).i32(20).i32(640).i32(480).i32(300).bytes());
  g.maximized = true;
  o.SaveWindowGeometry(g);
  EXPECT_EQ(ReadAll(o.SettingsDir + "/wnd.dat"), QByteArray(20, '\0'));
  WriteAll(o.SettingsDir + "/wnd.dat", "short");
  EXPECT_FALSE(o.LoadWindowGeometry().present);
}

}  // namespace
}  // namespace quillary
