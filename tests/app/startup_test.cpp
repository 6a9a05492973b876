// Start-up and ending: in-process through the controller, and the real
// program ended by signals.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QThread>
#include <csignal>

#include "app/application.h"
#include "internet/ui/tray_form.h"
#include "internet/ui/tray_icon.h"
#include "mainwin/ui/main_window.h"
#include "shell/options.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

using test::ReadAll;

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Opt().Reset();
  }
  // Starts the program in-process; dialogs are recorded, not run.
  std::unique_ptr<Application> StartApp() {
    Opt().Reset();
    auto app = std::make_unique<Application>(QUILLARY_TEST_SHARE_DIR);
    app->runDialog = [this](QDialog& d) { dialogs << d.windowTitle(); };
    EXPECT_TRUE(app->Start());
    return app;
  }
  QString Shut() const { return QString::fromUtf8(ReadAll(home.path() + "/DATA/shut.dat")).trimmed(); }

  // Writes user options that skip the tips, so the real program starts
  // straight into its event loop.
  void NoTips() {
    OptionStore o;
    o.InitDirectories(home.path(), {});
    QDir().mkpath(o.SettingsDir);
    o.ShowTips = 0;
    ASSERT_TRUE(o.SaveUserOptions());
  }

  test::TempHome home;
  test::ScriptedMessages msgs;
  QStringList dialogs;
};

TEST_F(StartupTest, FirstStartInAnEmptyHomeAndANormalEnd) {
  auto app = StartApp();
  EXPECT_TRUE(QFileInfo(home.path() + "/DATA/BACKUP").isDir());
  EXPECT_EQ(dialogs, QStringList{"Tips"});  // ShowTips defaults to 1
  ASSERT_TRUE(app->MainWindow());
  EXPECT_EQ(app->MainWindow()->windowTitle(), "Norvane Quillary - Database: data.dbf");
  EXPECT_TRUE(app->MainWindow()->isVisible());

  app->FirstActivation();
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  EXPECT_EQ(Shut(), "#10*");

  app->Exit();
  EXPECT_TRUE(app->Ended());
  EXPECT_EQ(Shut(), "@a$)");
  EXPECT_TRUE(QFileInfo::exists(home.path() + "/options.dat"));       // system
  EXPECT_TRUE(QFileInfo::exists(home.path() + "/DATA/options.dat"));  // user
  EXPECT_EQ(ReadAll(home.path() + "/DATA/wnd.dat").size(), 20);
  for (const char* f : {"filters.tml", "headers.tml", "labels.tml"})
    EXPECT_EQ(ReadAll(home.path() + "/DATA/" + f), QByteArray("\x01\x00", 2)) << f;
  EXPECT_EQ(ReadAll(home.path() + "/DATA/log.dat"), QByteArray("\x01\x00", 2));
}

TEST_F(StartupTest, TheDatabaseOpensAtStartAndClosesWithItsSortAtTheEnd) {
  NoTips();
  auto app = StartApp();
  for (const char* f : {"master.dbf", "copy.dbf", "data.dbf", "data.dbt", "data.mdx"})
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/DATA/" + f)) << f;
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  app->Exit();
  EXPECT_EQ(ReadAll(home.path() + "/DATA/data.idx"), QByteArray(4, '\0'));
}

TEST_F(StartupTest, ADatabaseThatCannotBeOpenedOrRecreatedClosesTheMainWindow) {
  NoTips();
  ASSERT_TRUE(QDir().mkpath(home.path() + "/DATA/data.dbf"));  // in the way of the new table
  Opt().Reset();
  Application app(QUILLARY_TEST_SHARE_DIR);
  app.runDialog = [](QDialog&) {};
  EXPECT_FALSE(app.Start());
  EXPECT_EQ(msgs.Texts(), QStringList{"Could not Open the new database!"});
  EXPECT_TRUE(app.Ended());  // no notification area here: closing the window ended the program
  EXPECT_FALSE(app.MainWindow()->isVisible());
}

TEST_F(StartupTest, TipsFollowTheOption) {
  NoTips();
  auto app = StartApp();
  EXPECT_TRUE(dialogs.isEmpty());
  app->MainWindow()->TipsAction()->trigger();
  EXPECT_EQ(dialogs, QStringList{"Tips"});
}

TEST_F(StartupTest, UncleanEndIsReportedOnceAtTheNextStart) {
  NoTips();
  test::WriteAll(home.path() + "/DATA/shut.dat", "#10*\r\n");
  {
    auto app = StartApp();
    app->FirstActivation();
    app->FirstActivation();  // once per run
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(msgs.shown[0].buttons, MsgButtons::OkHelp);
    EXPECT_EQ(msgs.shown[0].helpTopic, 123);
    EXPECT_EQ(msgs.shown[0].text,
              "Norvane Quillary was not Closed normally!\nIt is STRONGLY recommended that you "
              "Restore the last used database from your backup. For more information click on Help.");
    app->Exit();
  }
  msgs.shown.clear();
  auto again = StartApp();
  again->FirstActivation();
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(StartupTest, ClosingTheMainWindowWithoutANotificationAreaEndsTheProgram) {
  NoTips();
  auto app = StartApp();
  app->FirstActivation();
  ASSERT_FALSE(TTrayIcon::Available());  // the offscreen platform has none
  EXPECT_FALSE(app->TrayForm()->TrayMode());
  app->MainWindow()->close();
  EXPECT_TRUE(app->Ended());
  EXPECT_EQ(Shut(), "@a$)");
}

TEST_F(StartupTest, TrayMenuCaptionsAndTerminate) {
  NoTips();
  auto app = StartApp();
  TTrayForm* tray = app->TrayForm();
  EXPECT_FALSE(tray->isVisible());
  tray->UpdateMenu();
  EXPECT_EQ(tray->Show1()->text(), "Hide Quillary");
  EXPECT_EQ(tray->Terminate1()->text(), "Terminate Quillary");
  tray->Show1Click();
  EXPECT_FALSE(app->MainWindow()->isVisible());
  EXPECT_TRUE(tray->HiddenInTray());
  tray->UpdateMenu();
  EXPECT_EQ(tray->Show1()->text(), "Show Quillary");
  tray->Show1Click();
  EXPECT_TRUE(app->MainWindow()->isVisible());
  EXPECT_FALSE(tray->HiddenInTray());

  TTrayIcon icon;
  icon.SetToolTip(QString(70, 'x'));
  EXPECT_EQ(icon.ToolTip(), QString(62, 'x'));

  tray->Terminate1()->trigger();
  EXPECT_TRUE(app->Ended());
  tray->close();  // a second close while closing is ignored
  EXPECT_EQ(Shut(), "@a$)");
}

TEST_F(StartupTest, TheDesktopSessionEndingEndsTheProgramLikeExit) {
  NoTips();
  auto app = StartApp();
  app->FirstActivation();
  EXPECT_TRUE(app->SessionEnding());
  EXPECT_EQ(msgs.Texts(), QStringList{"Quillary is shutting down."});
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Information);
  EXPECT_TRUE(app->Ended());
  EXPECT_EQ(Shut(), "@a$)");
}

// ---- the real program

class ProgramTest : public StartupTest {
 protected:
  void Launch() {
    NoTips();
    proc.setProgram(QString(QUILLARY_TEST_BIN_DIR) + "/quillary");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLARY_HOME", home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    proc.start();
    ASSERT_TRUE(proc.waitForStarted(10000));
    QElapsedTimer t;
    t.start();
    while (Shut() != "#10*" && t.elapsed() < 20000) QThread::msleep(50);
    ASSERT_EQ(Shut(), "#10*") << "the program did not reach its event loop";
  }
  QProcess proc;
};

TEST_F(ProgramTest, TerminationSignalsEndCleanly) {
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(sig);
    QFile::remove(home.path() + "/DATA/options.dat");
    Launch();
    ::kill(pid_t(proc.processId()), sig);
    ASSERT_TRUE(proc.waitForFinished(20000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_EQ(Shut(), "@a$)");
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/DATA/options.dat"));
  }
}

TEST_F(ProgramTest, KilledProgramIsReportedAtTheNextStart) {
  Launch();
  proc.kill();
  ASSERT_TRUE(proc.waitForFinished(10000));
  EXPECT_EQ(Shut(), "#10*");
  auto app = StartApp();
  app->FirstActivation();
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_TRUE(msgs.shown[0].text.startsWith("Norvane Quillary was not Closed normally!"));
  app->Exit();
  EXPECT_EQ(Shut(), "@a$)");
}

}  // namespace
}  // namespace quillary
