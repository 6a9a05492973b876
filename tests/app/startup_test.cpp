// Start-up and ending: in-process through the controller, and the real
// program ended by signals.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <csignal>

#include "app/application.h"
#include "internet/ui/tray_form.h"
#include "internet/ui/tray_icon.h"
#include "mainwin/ui/main_window.h"
#include "shell/event_pump.h"
#include "shell/hints.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "shell/ui/about_box.h"
#include "support/paint_pump.h"
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

// The desktop session ends while the tips dialog is open: the dialog closes,
// the start returns and the program has ended cleanly.
TEST_F(StartupTest, TheSessionEndingWhileTheTipsAreOpenEndsTheProgram) {
  Opt().Reset();
  Application app(QUILLARY_TEST_SHARE_DIR);
  bool stillOpen = false;
  app.runDialog = [&](QDialog& d) {
    QTimer::singleShot(100, &d, [&app] { app.SessionEndingUnattended(); });
    // Were the dialog left open the start would wait for ever.
    QTimer::singleShot(5000, &d, [&d, &stillOpen] {
      stillOpen = true;
      d.reject();
    });
    d.exec();
  };
  EXPECT_TRUE(app.Start());
  EXPECT_FALSE(stillOpen);
  EXPECT_TRUE(app.Ended());
  EXPECT_EQ(app.Exec(), 0);  // returns at once
  EXPECT_EQ(Shut(), "@a$)");
  EXPECT_TRUE(QFileInfo::exists(home.path() + "/DATA/options.dat"));
}

TEST_F(StartupTest, TheEventPumpIsInstalledFromTheStart) {
  NoTips();
  int before = 0;
  SetEventPump([&before] { ++before; });
  auto app = StartApp();
  bool fired = false;
  QTimer::singleShot(0, [&fired] { fired = true; });
  QElapsedTimer t;
  t.start();
  while (!fired && t.elapsed() < 2000) PumpEvents();
  EXPECT_TRUE(fired);
  EXPECT_EQ(before, 0);
  app.reset();
  fired = false;
  QTimer::singleShot(0, [&fired] { fired = true; });
  PumpEvents();  // the program is gone, its pump with it, and the one before is back
  EXPECT_FALSE(fired);
  EXPECT_EQ(before, 1);
  test::InstallPaintPump();
  QCoreApplication::processEvents();
}

TEST_F(StartupTest, TheAboutBoxNamesTheBuildsWordSize) {
  TAboutBox about;
  const QString bits = sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)";
  QStringList texts;
  for (QLabel* l : about.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains("Version 3.0 " + bits)) << texts.join("|").toStdString();
}

// Every key a shipped tip names ("Ctrl+PgDn", "Alt+1", "F4") is one the main
// window claims for itself; a key name in quotes is a button's caption.
TEST_F(StartupTest, EveryKeyATipNamesIsBoundByTheMainWindow) {
  NoTips();
  auto app = StartApp();
  HintsFile hints;
  ASSERT_TRUE(hints.Load(QString(QUILLARY_TEST_SHARE_DIR) + "/hints.txt"));
  static const QRegularExpression keyName(
      R"((?<![\w"+])((?:(?:Ctrl|Alt|Shift)\+)*)(PgDn|PgUp|Home|End|Delete|Tab|Enter|Esc|F1[0-2]|F[1-9]|(?<=\+)[A-Z0-9])(?![\w"+]))");
  const std::map<QString, int> named = {
      {"PgDn", Qt::Key_PageDown}, {"PgUp", Qt::Key_PageUp}, {"Home", Qt::Key_Home},
      {"End", Qt::Key_End},       {"Delete", Qt::Key_Delete}, {"Tab", Qt::Key_Tab},
      {"Enter", Qt::Key_Return},  {"Esc", Qt::Key_Escape}};
  int keys = 0;
  for (int k = 1; k <= hints.Count(); ++k) {
    const QString tip = hints.TipText(k);
    for (const QRegularExpressionMatch& m : keyName.globalMatch(tip)) {
      const QString mods = m.captured(1), name = m.captured(2);
      Qt::KeyboardModifiers modifiers;
      if (mods.contains("Ctrl")) modifiers |= Qt::ControlModifier;
      if (mods.contains("Alt")) modifiers |= Qt::AltModifier;
      if (mods.contains("Shift")) modifiers |= Qt::ShiftModifier;
      int key = 0;
      if (named.count(name)) key = named.at(name);
      else if (name.size() > 1 && name[0] == 'F') key = Qt::Key_F1 + name.mid(1).toInt() - 1;
      else if (name[0].isDigit()) key = Qt::Key_0 + name[0].digitValue();
      else key = Qt::Key_A + (name[0].unicode() - 'A');
      QKeyEvent e(QEvent::ShortcutOverride, key, modifiers);
      e.ignore();
      QCoreApplication::sendEvent(app->MainWindow(), &e);
      EXPECT_TRUE(e.isAccepted()) << "tip " << k << " names " << m.captured(0).toStdString();
      ++keys;
    }
  }
  EXPECT_GE(keys, 5);  // the tips do name keys: the pattern finds them
}

// ---- the real program

class ProgramTest : public StartupTest {
 protected:
  void Start(QProcess& p) {
    p.setProgram(QString(QUILLARY_TEST_BIN_DIR) + "/quillary");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLARY_HOME", home.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
  }
  // Starts a copy and waits until it passed its first activation: the
  // running mark is written and its running token made, which a warning
  // still open would hold back.
  void Launch(QProcess& p) {
    Start(p);
    const QString token = home.path() + QString("/DATA/shut-%1.run").arg(p.processId());
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(token) && t.elapsed() < 20000) QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(token)) << "the program did not reach its event loop";
    ASSERT_EQ(Shut(), "#10*");
  }
  void Launch() {
    NoTips();
    Launch(proc);
  }
  // The next start warns once of the unclean end, and its own end is clean.
  void ExpectUncleanEndReportedAtNextStart() {
    EXPECT_EQ(Shut(), "#10*");
    msgs.shown.clear();
    auto app = StartApp();
    app->FirstActivation();
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_TRUE(msgs.shown[0].text.startsWith("Norvane Quillary was not Closed normally!"));
    app->Exit();
    EXPECT_EQ(Shut(), "@a$)");
  }
  static void Terminate(QProcess& p) {
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
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

// A signal while a start-up dialog is open (the tips at a first start, the
// warning after an unclean end) closes the dialog and ends the program.
TEST_F(ProgramTest, ATerminationSignalWhileAStartUpDialogIsOpenEndsTheProgram) {
  for (bool firstStart : {true, false}) {
    SCOPED_TRACE(firstStart ? "tips" : "unclean-end warning");
    if (!firstStart) {
      NoTips();
      ASSERT_TRUE(test::WriteAll(home.path() + "/DATA/shut.dat", "#10*\r\n"));
    }
    Start(proc);
    QThread::msleep(2000);
    ::kill(pid_t(proc.processId()), SIGTERM);
    ASSERT_TRUE(proc.waitForFinished(5000)) << "still running";
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_EQ(Shut(), "@a$)");
    EXPECT_TRUE(QFileInfo::exists(home.path() + "/DATA/options.dat"));
  }
}

// However early the signal comes, the program does not stay behind.
TEST_F(ProgramTest, ASignalAtTheVeryStartIsNotLost) {
  for (int delayMs : {0, 30, 150}) {
    SCOPED_TRACE(delayMs);
    Start(proc);
    QThread::msleep(delayMs);
    ::kill(pid_t(proc.processId()), SIGTERM);
    ASSERT_TRUE(proc.waitForFinished(5000)) << "still running";
    // Before main() nothing can be caught; once caught, the end is clean.
    if (proc.exitStatus() == QProcess::NormalExit) EXPECT_EQ(proc.exitCode(), 0);
  }
}

// Two copies on one settings directory: the second start is not warned, and
// a copy killed while the other runs is reported once the other has ended.
TEST_F(ProgramTest, TwoCopiesShareTheRunningMark) {
  NoTips();
  for (bool killFirst : {true, false}) {
    SCOPED_TRACE(killFirst ? "first killed" : "second killed");
    QProcess first, second;
    Launch(first);
    Launch(second);  // it would wait on the warning otherwise
    QProcess& killed = killFirst ? first : second;
    QProcess& survivor = killFirst ? second : first;
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    Terminate(survivor);
    ExpectUncleanEndReportedAtNextStart();
  }
  // Both ending normally, in either order, leave the closed mark.
  QProcess first, second;
  Launch(first);
  Launch(second);
  Terminate(first);
  EXPECT_EQ(Shut(), "#10*");  // the second still runs
  Terminate(second);
  EXPECT_EQ(Shut(), "@a$)");
}

TEST_F(ProgramTest, KilledProgramIsReportedAtTheNextStart) {
  Launch();
  proc.kill();
  ASSERT_TRUE(proc.waitForFinished(10000));
  ExpectUncleanEndReportedAtNextStart();
}

}  // namespace
}  // namespace quillary
