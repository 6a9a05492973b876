// The main window driven as a user drives it: clicks on the page buttons,
// letter tabs and record buttons, keys, typing into the record form, and the
// ways the program ends.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <functional>

#include "app/application.h"
#include "app/signals.h"
#include "internet/ui/tray_form.h"
#include "mainwin/record_templates.h"
#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_lists_dlg.h"
#include "mainwin/ui/editors/lookup.h"
#include "mainwin/ui/formated_button.h"
#include "mainwin/ui/letter_tabs.h"
#include "mainwin/ui/main_window.h"
#include "mainwin/ui/record_commands.h"
#include "mainwin/ui/record_form.h"
#include "mainwin/ui/record_template_form.h"
#include "mainwin/ui/velto_header.h"
#include "mainwin/ui/sort_button.h"
#include "mainwin/ui/view_options_commands.h"
#include "shell/clock.h"
#include "shell/options.h"
#include "shell/progress.h"
#include "shell/ui/qt_messages.h"
#include "support/record_store_fixture.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"
#include "tables/database.h"
#include "tables/table_utils.h"

namespace quillary {
namespace {

using test::Numbered;

constexpr int kTitle = 2;     // table positions
constexpr int kKeywords = 6;
constexpr int kDateField = 8;  // form field numbers
constexpr int kCategory1 = 3;
constexpr int kCategory2 = 4;
constexpr int kType = 7;

void Pump() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseRecordStoreIn(home.path());
    Opt().ShowTips = 0;
  }
  void TearDown() override {
    if (win) {
      win->Teardown();
      win.reset();
    }
    tables::Db().Reset();
  }

  void MakeDatabase(const std::vector<std::string>& titles, int sortField = 0) {
    test::MakeTitleDatabase(titles, sortField);
  }

  void Open(int pageSize = 10) {
    win = std::make_unique<TForm3>();
    win->show();
    Pump();
    ASSERT_TRUE(win->DatabaseOpened());
    SetPageSize(pageSize);
  }

  // The page size is what fits the list pane: the window is made as tall as
  // needed for it.
  void SetPageSize(int n) {
    for (int h = 300; h < 2000 && win->PageSize() != n; h += 2) {
      win->resize(900, h);
      Pump();
    }
    ASSERT_EQ(win->PageSize(), n);
  }

  void Click(const char* control) {
    auto* b = win->findChild<QToolButton*>(control);
    ASSERT_TRUE(b) << control;
    ASSERT_TRUE(b->isEnabled()) << control;
    QTest::mouseClick(b, Qt::LeftButton);
    Pump();
  }
  bool Enabled(const char* command) { return win->Command(command)->isEnabled(); }
  void ClickButton(int k) {
    QTest::mouseClick(win->RecordButton(k), Qt::LeftButton);
    Pump();
  }
  void ClickTab(char letter) {
    QTest::mouseClick(win->LetterTabs()->Tab(letter), Qt::LeftButton);
    Pump();
  }
  QString ButtonTitle(int k) { return win->RecordButton(k)->Cell(0).Text; }
  QString Status() { return win->StatusLabel()->text(); }

  QLineEdit* LineEditor(int n) {
    QWidget* w = win->RecordForm()->Editor(n);
    if (auto* l = qobject_cast<QLineEdit*>(w)) return l;
    return w ? w->findChild<QLineEdit*>() : nullptr;
  }
  void TypeTitle(const QString& text) {
    QLineEdit* e = LineEditor(1);
    ASSERT_TRUE(e);
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    Pump();
  }
  QString ShownTitle() { return win->RecordForm()->FieldText(1); }

  // The titles stored, in entry order, read with a table of our own.
  std::vector<std::string> StoredTitles() {
    dbase::Table t(Opt().CurrentDbDir.toStdString(), "data.dbf");
    t.Open();
    std::vector<std::string> out;
    for (t.First(); !t.Eof() && t.HasRecord(); t.Next()) out.push_back(t.AsText(kTitle));
    return out;
  }

  test::TempHome home;
  test::ScriptedMessages msgs;
  std::unique_ptr<TForm3> win;
};

TEST_F(MainWindowTest, LastAndPgDnWithoutLetterTabs) {
  MakeDatabase(Numbered(20));
  Open(10);
  EXPECT_FALSE(win->LetterTabsActive());
  EXPECT_FALSE(win->LetterTabs()->Tab('A')->isEnabled());
  EXPECT_EQ(ButtonTitle(0), "T00");
  EXPECT_FALSE(Enabled("B_First"));
  EXPECT_FALSE(Enabled("B_PgUp"));
  EXPECT_EQ(win->RecordNumberLabel()->text(), "1");
  EXPECT_EQ(win->PercentLabel()->text(), "5%");

  Click("B_Last");
  EXPECT_EQ(win->PageOffset(), 10);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(ButtonTitle(k), QString("T%1").arg(10 + k));
  EXPECT_FALSE(Enabled("B_Last"));
  EXPECT_TRUE(Enabled("B_PgDn"));

  // One page past records that fill the pages exactly: empty buttons that
  // start a new record.
  Click("B_PgDn");
  EXPECT_EQ(win->PageOffset(), 20);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(ButtonTitle(k), "");
  EXPECT_FALSE(Enabled("B_PgDn"));
  ClickButton(3);
  EXPECT_TRUE(win->NewRecordMode());
  EXPECT_EQ(Status(), "New Record");
  EXPECT_EQ(win->RecordNumberLabel()->text(), "");
  EXPECT_EQ(win->PercentLabel()->text(), "100%");
  EXPECT_EQ(ShownTitle(), "");

  Click("B_First");
  EXPECT_EQ(win->PageOffset(), 0);
  // Ctrl+End and Ctrl+PgDn do the same as the buttons.
  QTest::keyClick(win.get(), Qt::Key_End, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(win->PageOffset(), 10);
  QTest::keyClick(win.get(), Qt::Key_PageDown, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(win->PageOffset(), 20);
}

TEST_F(MainWindowTest, LetterTabsPgUpToAnEmptyLetterAndNextAcrossLetters) {
  MakeDatabase({"Apple", "Cedar", "Cobalt", "Mango", "Maple", "Melon", "Pear", "Plum"}, kTitle);
  Open(10);
  ASSERT_TRUE(win->LetterTabsActive());
  EXPECT_EQ(win->CurrentLetter(), 'A');
  // Tabs of letters with records in blue, without in gray.
  EXPECT_EQ(win->LetterTabs()->Tab('C')->TextColor(), QColor(0, 0, 255));
  EXPECT_EQ(win->LetterTabs()->Tab('B')->TextColor(), QColor(128, 128, 128));

  ClickTab('C');
  EXPECT_EQ(win->CurrentLetter(), 'C');
  EXPECT_EQ(ButtonTitle(0), "Cedar");
  EXPECT_EQ(ButtonTitle(1), "Cobalt");
  EXPECT_EQ(ButtonTitle(2), "");
  EXPECT_TRUE(Enabled("B_PgUp"));
  Click("B_PgUp");
  EXPECT_EQ(win->CurrentLetter(), 'B');
  EXPECT_EQ(win->LetterTabs()->Selected(), 'B');
  EXPECT_EQ(win->PageOffset(), 0);
  EXPECT_EQ(ButtonTitle(0), "");

  // "Next" on the last "M" record, nothing under "N" and "O".
  ClickTab('M');
  ClickButton(2);
  EXPECT_EQ(ShownTitle(), "Melon");
  EXPECT_EQ(win->RecordNumberLabel()->text(), "3");
  Click("B_Next");
  EXPECT_EQ(ShownTitle(), "Pear");
  EXPECT_EQ(win->CurrentRecordLetter(), 'P');
  EXPECT_EQ(win->CurrentLetter(), 'M');
  EXPECT_EQ(win->LetterTabs()->Selected(), 'M');
  EXPECT_EQ(win->RecordNumberLabel()->text(), "1");
  EXPECT_EQ(win->SelectedButton(), -1);  // not on the "M" page
  // And back: Alt+PgUp goes to the last "M" record.
  QTest::keyClick(win.get(), Qt::Key_PageUp, Qt::AltModifier);
  Pump();
  EXPECT_EQ(ShownTitle(), "Melon");
  EXPECT_EQ(win->SelectedButton(), 2);
  // Ctrl+Alt+P selects the letter.
  QTest::keyClick(win.get(), Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
  Pump();
  EXPECT_EQ(win->CurrentLetter(), 'P');
  EXPECT_EQ(ButtonTitle(1), "Plum");
}

TEST_F(MainWindowTest, SynchronizeShowsTheRecordsLetterAndPage) {
  MakeDatabase({"Apple", "Mango", "Pear"}, kTitle);
  Open(10);
  ClickTab('M');
  ClickButton(0);
  Click("B_Next");
  ASSERT_EQ(ShownTitle(), "Pear");
  Click("B_RSynchro");
  EXPECT_EQ(win->CurrentLetter(), 'P');
  EXPECT_EQ(win->SelectedButton(), 0);
  EXPECT_EQ(ShownTitle(), "Pear");
}

TEST_F(MainWindowTest, PublicDatabaseOpenedReadOnly) {
  MakeDatabase(Numbered(3));
  Opt().AccessLevel = 2;
  Open(5);
  EXPECT_EQ(Status(), "Read Only Access");
  EXPECT_TRUE(win->windowTitle().endsWith(" [Read Only Mode]")) << win->windowTitle().toStdString();
  EXPECT_FALSE(win->RecordForm()->EditorsEnabled());
  // No editor takes typing: disabled, or read-only where its button must
  // still work.
  for (int n = 1; n <= TRecordForm::kFieldCount; ++n) {
    QWidget* e = win->RecordForm()->Editor(n);
    ASSERT_TRUE(e) << n;
    QList<QWidget*> inner = e->findChildren<QWidget*>();
    inner << e;
    for (QWidget* w : inner) {
      if (auto* l = qobject_cast<QLineEdit*>(w)) {
        EXPECT_TRUE(!l->isEnabled() || l->isReadOnly()) << n;
      }
      if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
        EXPECT_TRUE(!t->isEnabled() || t->isReadOnly()) << n;
      }
    }
  }
  EXPECT_FALSE(LineEditor(1)->isEnabled());
  for (const char* c : {"B_New", "B_RDelete", "B_RCopy", "B_RPaste", "B_RUndo"}) EXPECT_FALSE(Enabled(c)) << c;
  // Keys of disabled commands do nothing.
  QTest::keyClick(win.get(), Qt::Key_N, Qt::ControlModifier);
  Pump();
  EXPECT_FALSE(win->NewRecordMode());
  ClickButton(1);
  EXPECT_EQ(Status(), "Read Only Access");
}

TEST_F(MainWindowTest, RecordHeldByASecondProcessIsShownReadOnly) {
  MakeDatabase(Numbered(3));
  QProcess holder;
  test::HoldRecord(holder, 1);
  if (HasFatalFailure()) return;

  Open(5);
  EXPECT_EQ(Status(), "Read Only Access - Record In Use");
  EXPECT_FALSE(win->RecordForm()->EditorsEnabled());
  EXPECT_FALSE(Enabled("B_RDelete"));
  ClickButton(1);
  EXPECT_EQ(Status(), "Read/Write Access");
  EXPECT_TRUE(LineEditor(1)->isEnabled());
  ClickButton(0);
  EXPECT_EQ(Status(), "Read Only Access - Record In Use");

  holder.write("\n");
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
  ClickButton(1);
  ClickButton(0);
  EXPECT_EQ(Status(), "Read/Write Access");
}

// "&Paste Record" from a record button's popup onto a record another copy
// holds says so, as deleting it does; the record keeps what it held.
TEST_F(MainWindowTest, PastingOntoARecordASecondProcessHoldsSaysItIsInUse) {
  MakeDatabase(Numbered(3));
  QProcess holder;
  test::HoldRecord(holder, 2);
  if (HasFatalFailure()) return;
  Open(5);
  auto item = [this](int button, const QString& text) {
    for (QAction* a : win->RecordCommands()->PrepareRecordButtonPopup(button)->actions())
      if (a->text() == text) {
        a->trigger();
        Pump();
        return true;
      }
    return false;
  };
  ASSERT_TRUE(item(2, "&Copy Record"));
  msgs.shown.clear();
  ASSERT_TRUE(item(1, "&Paste Record"));
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text, "Record in use - not Pasted!");
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T02"}));
  EXPECT_EQ(ButtonTitle(1), "T01");
  holder.write("\n");
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
  // Let go, the record takes the paste.
  ASSERT_TRUE(item(1, "&Paste Record"));
  EXPECT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T02", "T02"}));
  EXPECT_EQ(ButtonTitle(1), "T02");
}

// Message boxes scripted, but the typed confirmation is the real dialog.
class RealTypedConfirmation : public Messages {
 public:
  explicit RealTypedConfirmation(test::ScriptedMessages& s) : scripted_(s) { SetMessages(this); }
  ~RealTypedConfirmation() override { SetMessages(&scripted_); }
  MsgAnswer Show(MsgKind k, const QString& t, MsgButtons b, int h) override { return scripted_.Show(k, t, b, h); }
  std::optional<QString> InputQuery(const QString& c, const QString& p, const QString& i) override {
    return scripted_.InputQuery(c, p, i);
  }
  bool TypedConfirmation(const QString& c, const QString& p) override { return real_.TypedConfirmation(c, p); }
  std::optional<QString> ChooseOpenFile(const QString& c, const QString& d, const QString& f) override {
    return scripted_.ChooseOpenFile(c, d, f);
  }
  std::optional<QString> ChooseSaveFile(const QString& c, const QString& d, const QString& f) override {
    return scripted_.ChooseSaveFile(c, d, f);
  }
  std::optional<QString> ChooseDirectory(const QString& c, const QString& d) override {
    return scripted_.ChooseDirectory(c, d);
  }

 private:
  test::ScriptedMessages& scripted_;
  QtMessages real_;
};

TEST_F(MainWindowTest, LowerCaseYesDoesNotDelete) {
  MakeDatabase(Numbered(3));
  Open(5);
  RealTypedConfirmation typed(msgs);
  QString caption, prompt;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    answer.stop();
    caption = d->windowTitle();
    prompt = d->labelText();
    auto* edit = d->findChild<QLineEdit*>();
    QTest::keyClicks(edit, "yes");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  answer.start();
  Click("B_RDelete");
  EXPECT_EQ(caption, "Confirm Action");
  EXPECT_TRUE(prompt.contains("type in 'YES':")) << prompt.toStdString();
  EXPECT_TRUE(prompt.contains("WARNING! Record Deletion cannot be Undone!"));
  ASSERT_EQ(msgs.Texts(), QStringList{"Record not Deleted."});
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Information);
  EXPECT_EQ(StoredTitles().size(), 3u);
  EXPECT_EQ(ShownTitle(), "T00");
}

TEST_F(MainWindowTest, DeletingTheShownRecordShowsTheOneThatFollowed) {
  MakeDatabase(Numbered(5));
  Open(10);
  ClickButton(2);
  ASSERT_EQ(ShownTitle(), "T02");
  msgs.typed = {true};
  QTest::keyClick(win.get(), Qt::Key_Delete, Qt::AltModifier);
  Pump();
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T03", "T04"}));
  EXPECT_EQ(ShownTitle(), "T03");
  EXPECT_EQ(win->CurrentRecordNo(), 3);
  EXPECT_EQ(win->SelectedButton(), 2);
  EXPECT_EQ(ButtonTitle(2), "T03");
  EXPECT_EQ(ButtonTitle(4), "");

  // The last one: the form goes to a new record.
  ClickButton(3);
  msgs.typed = {true};
  Click("B_RDelete");
  EXPECT_TRUE(win->NewRecordMode());
  EXPECT_EQ(StoredTitles().size(), 3u);

  // From the record-button popup, another record than the shown one.
  ClickButton(0);
  msgs.typed = {true};
  QMenu* popup = win->RecordCommands()->PrepareRecordButtonPopup(1);
  for (QAction* a : popup->actions())
    if (a->text() == "&Delete Record") a->trigger();
  Pump();
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T03"}));
  EXPECT_EQ(ShownTitle(), "T00");
  EXPECT_EQ(win->RecordNumberLabel()->text(), "1");
}

TEST_F(MainWindowTest, ARenamedSortFieldLabelRenamesTheSortButton) {
  MakeDatabase(Numbered(3), kKeywords);
  Open(5);
  const int keywordsField = kKeywords - 1;
  ASSERT_EQ(Opt().LabelList.value(keywordsField - 1), "Keywords:");
  EXPECT_EQ(win->SortButton()->Caption1(), "Keywords:");
  EXPECT_EQ(win->SortButton()->Caption2(), "NONE");
  EXPECT_EQ(win->SortButton()->Caption3(), "All Records");
  auto rename = [&](const QString& answer) {
    msgs.inputs = {answer};
    QLabel* label = win->RecordForm()->Label(keywordsField);
    ASSERT_TRUE(label);
    win->RecordForm()->Pages()->setCurrentIndex(0);
    QTest::mouseClick(label, Qt::LeftButton);
    Pump();
    QMenu* m = win->RecordForm()->LabelPopup();
    for (QAction* a : m->actions())
      if (a->text() == "&Text...") a->trigger();
    m->hide();
    Pump();
  };
  rename("keywords:");
  EXPECT_EQ(msgs.Texts(), QStringList{"Duplicate Labels are not Allowed!"});
  EXPECT_EQ(win->SortButton()->Caption1(), "Keywords:");
  rename("Tags:");
  EXPECT_EQ(win->SortButton()->Caption1(), "Tags:");
}

TEST_F(MainWindowTest, KeysOfTheWindow) {
  MakeDatabase(Numbered(3));
  Open(5);
  // Ctrl+N: a new record, its first editor focused.
  QTest::keyClick(win.get(), Qt::Key_N, Qt::ControlModifier);
  Pump();
  EXPECT_TRUE(win->NewRecordMode());
  EXPECT_EQ(win->CurrentRecordNo(), 4);
  // A blank new record is never stored.
  ClickButton(0);
  EXPECT_EQ(StoredTitles().size(), 3u);
  // Alt+5 with four pages does nothing.
  ASSERT_EQ(win->RecordForm()->PageCount(), 4);
  win->RecordForm()->Pages()->setCurrentIndex(1);
  QTest::keyClick(win.get(), Qt::Key_5, Qt::AltModifier);
  EXPECT_EQ(win->RecordForm()->Pages()->currentIndex(), 1);
  QTest::keyClick(win.get(), Qt::Key_4, Qt::AltModifier);
  EXPECT_EQ(win->RecordForm()->Pages()->currentIndex(), 3);
  // Copy, then paste into another record's editors.
  ClickButton(1);
  QTest::keyClick(win.get(), Qt::Key_C, Qt::AltModifier);
  Pump();
  EXPECT_TRUE(Enabled("B_RPaste"));
  ClickButton(2);
  QTest::keyClick(win.get(), Qt::Key_T, Qt::AltModifier);
  Pump();
  EXPECT_EQ(ShownTitle(), "T01");
  // Alt+U brings back what the record holds.
  QTest::keyClick(win.get(), Qt::Key_U, Qt::AltModifier);
  Pump();
  EXPECT_EQ(ShownTitle(), "T02");
  // Disabled commands of later parts stay disabled, never silently idle.
  for (const char* c : {"B_Search", "B_Replace", "B_Options", "B_Print", "B_Load", "B_Table", "B_HTML", "B_Export",
                        "B_Import", "B_Password", "B_Maintenance", "B_Filter", "B_Sort", "B_Summary", "Contents1",
                        "Manual1"})
    EXPECT_FALSE(Enabled(c)) << c;
  EXPECT_TRUE(win->TipsAction()->isEnabled());
  EXPECT_TRUE(win->AboutAction()->isEnabled());
}

TEST_F(MainWindowTest, OptionsPopupTakesEffectAtOnce) {
  MakeDatabase({"Apple", "Mango"}, kTitle);
  Open(12);
  auto choose = [&](const QString& sub, const QString& item) {
    QMenu* m = win->ViewOptions()->PrepareOptionsPopup();
    for (QAction* a : m->actions())
      if (a->menu() && a->text() == sub)
        for (QAction* b : a->menu()->actions())
          if (b->text() == item) b->trigger();
    Pump();
  };
  ASSERT_TRUE(win->LetterTabsActive());
  choose("&Letter Tabs", "Disabled");
  EXPECT_EQ(Opt().LetterTabs, 1);
  EXPECT_FALSE(win->LetterTabsActive());
  EXPECT_FALSE(win->LetterTabs()->Tab('A')->isEnabled());
  EXPECT_EQ(ButtonTitle(1), "Mango");
  choose("&Letter Tabs", "Enabled");
  EXPECT_TRUE(win->LetterTabsActive());
  EXPECT_EQ(ButtonTitle(1), "");
  choose("&Letter Tabs", "Display On Right Side");
  EXPECT_GT(win->LetterTabs()->mapTo(win.get(), QPoint(0, 0)).x(),
            win->RightPane()->mapTo(win.get(), QPoint(0, 0)).x());
  const int height = win->height();
  const int panes = win->Splitter()->height();
  choose("&Menus And SpeedBars", "Show Only Menus");
  EXPECT_FALSE(win->SpeedBar()->isVisible());
  EXPECT_LT(win->height(), height);
  EXPECT_EQ(win->Splitter()->height(), panes);
  choose("&Record Delete Mode", "Immediate Delete");
  EXPECT_EQ(Opt().RecordDeleteMode, 1);
  Click("B_RDelete");
  EXPECT_TRUE(msgs.prompts.empty());
  EXPECT_EQ(StoredTitles().size(), 1u);
}

TEST_F(MainWindowTest, TemplateButtonChoosesTheTemplateOfNewRecords) {
  MakeDatabase(Numbered(2));
  // A record template "Shop": its name in records.tml, its record at
  // position 1 of the copy buffer table.
  ASSERT_TRUE(test::WriteAll(Opt().SettingsFile("records.tml"), "Shop\r\n"));
  {
    ASSERT_TRUE(tables::OpenDatabase());
    dbase::Table& c = tables::Db().CopyBuffer;
    while (tables::RecordCount(c) < 2) {
      c.Append();
      c.Post();
    }
    tables::GotoPosition(c, 1);
    c.Edit();
    c.SetText(kTitle, "From the template");
    c.Post();
    tables::CloseDatabase();
    tables::Db().Reset();
  }
  Open(5);
  EXPECT_EQ(win->TemplateButton()->text(), "Blank");
  QMenu* m = win->PrepareTemplateMenu();
  ASSERT_GE(m->actions().size(), 3);
  EXPECT_EQ(m->actions()[0]->text(), "Templates For Adding New Records:");
  EXPECT_FALSE(m->actions()[0]->isEnabled());
  EXPECT_EQ(m->actions()[1]->text(), "Blank");
  m->actions()[2]->trigger();
  EXPECT_EQ(win->TemplateName(), "Shop");
  EXPECT_EQ(win->TemplateButton()->text(), "Shop");
  Click("B_New");
  EXPECT_TRUE(win->NewRecordMode());
  EXPECT_EQ(ShownTitle(), "From the template");
  // "Blank" from the form's popup clears the editors again.
  QMenu* popup = win->RecordCommands()->PrepareRecordFormPopup();
  for (QAction* a : popup->actions())
    if (a->menu() && a->text() == "R&eplace Record With Template") a->menu()->actions()[0]->trigger();
  EXPECT_EQ(ShownTitle(), "");
}

TEST_F(MainWindowTest, CallbacksForTheFindDialog) {
  MakeDatabase({"Apple", "Cedar", "Mango", "Melon"}, kTitle);
  Open(5);
  const SearchCallbacks& cb = win->Callbacks();
  EXPECT_TRUE(cb.StepLetter(true));
  EXPECT_EQ(win->CurrentLetter(), 'C');
  EXPECT_TRUE(cb.StepLetter(true));
  EXPECT_EQ(win->CurrentLetter(), 'M');
  EXPECT_FALSE(cb.StepLetter(true));
  EXPECT_EQ(win->CurrentLetter(), 'M');
  // A found record: the browse table stands on it. What was typed into the
  // shown record ("Apple", still shown) is kept.
  TypeTitle("Apricot");
  tables::GotoPosition(tables::Db().Data, 1);
  cb.GoToFound(1, 0, 3);
  EXPECT_EQ(ShownTitle(), "Melon");
  EXPECT_EQ(StoredTitles()[0], "Apricot");
  EXPECT_EQ(win->SelectedButton(), 1);
  EXPECT_EQ(win->RecordNumberLabel()->text(), "2");
  cb.GoToFirstLetter();
  EXPECT_EQ(win->CurrentLetter(), 'A');
  cb.SetWindowEnabled(false);
  EXPECT_FALSE(win->isEnabled());
  cb.SetWindowEnabled(true);
}

TEST_F(MainWindowTest, LayoutFollowsTheWindow) {
  MakeDatabase(Numbered(3));
  Open(10);
  // Too narrow for the captions of the speed bar: glyphs only, on both
  // pages; wide again: the captions come back.
  auto* newButton = win->findChild<QToolButton*>("B_New");
  auto* sortButton = win->findChild<QToolButton*>("B_Sort");
  win->resize(900, win->height());
  Pump();
  EXPECT_EQ(newButton->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  win->resize(500, win->height());
  Pump();
  EXPECT_EQ(newButton->toolButtonStyle(), Qt::ToolButtonIconOnly);
  EXPECT_EQ(sortButton->toolButtonStyle(), Qt::ToolButtonIconOnly);
  win->resize(1000, win->height());
  Pump();
  EXPECT_EQ(newButton->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  // Never smaller than 400 by 300; the panes keep their least widths.
  win->resize(300, 200);
  Pump();
  EXPECT_GE(win->width(), 400);
  EXPECT_GE(win->height(), 300);
  EXPECT_GE(win->ListPane()->width(), 180);
  EXPECT_GE(win->RightPane()->width(), 280);
  // A bigger record button font: fewer buttons fit.
  win->resize(900, 700);
  Pump();
  const int before = win->PageSize();
  win->ViewOptions()->chooseFont = [](const QFont& f) -> std::optional<QFont> {
    QFont big(f);
    big.setPointSize(f.pointSize() * 2);
    return big;
  };
  QMenu* popup = win->RecordCommands()->PrepareRecordButtonPopup(0);
  for (QAction* a : popup->actions())
    if (a->text() == "&Font...") a->trigger();
  Pump();
  EXPECT_LT(win->PageSize(), before);
  EXPECT_EQ(Opt().RecordButtonFont.Size(), 20);
  EXPECT_EQ(ButtonTitle(0), "T00");
  // F3 opens the record-button popup.
  win->RecordButton(1)->setFocus();
  QTest::keyClick(win->RecordButton(1), Qt::Key_F3);
  Pump();
  QWidget* open = QApplication::activePopupWidget();
  ASSERT_TRUE(open);
  EXPECT_EQ(open->objectName(), "PopupMenu1");
  open->close();
}

TEST_F(MainWindowTest, NoCommandStartsWhileTheFormLoads) {
  MakeDatabase(Numbered(6));
  Open(10);
  // The form lets timers and paint events through while it loads; a command
  // arriving then (here from a timer) is refused, not run inside the other.
  bool fired = false, duringLoad = false;
  QTimer::singleShot(0, win.get(), [&] {
    fired = true;
    duringLoad = win->RecordForm()->Busy();
    win->Command("B_Next")->trigger();
    win->Command("B_New")->trigger();
  });
  ClickButton(2);
  ASSERT_TRUE(fired);
  EXPECT_TRUE(duringLoad);
  EXPECT_EQ(ShownTitle(), "T02");
  EXPECT_EQ(win->CurrentRecordNo(), 3);
  EXPECT_FALSE(win->NewRecordMode());
  // Afterwards the same command runs.
  Click("B_Next");
  EXPECT_EQ(ShownTitle(), "T03");
}

TEST_F(MainWindowTest, HiddenOnStartupGoesToTheTrayAtTheFirstShow) {
  MakeDatabase(Numbered(2));
  Opt().HideOnStartup = 6;
  win = std::make_unique<TForm3>();
  win->SetKeepInTray([] { return true; });
  bool toTray = false;
  QObject::connect(win.get(), &TForm3::HiddenToTray, [&] { toTray = true; });
  win->show();
  Pump();
  EXPECT_TRUE(toTray);
  EXPECT_FALSE(win->isVisible());
  // Shown again from the tray it stays.
  toTray = false;
  win->show();
  Pump();
  EXPECT_TRUE(win->isVisible());
  EXPECT_FALSE(toTray);
  EXPECT_EQ(ShownTitle(), "T00");
}

TEST_F(MainWindowTest, LetterTabScrollButtons) {
  MakeDatabase({"Apple"}, kTitle);
  Open(10);
  TLetterTabs* tabs = win->LetterTabs();
  win->resize(900, 300);
  Pump();
  ASSERT_TRUE(tabs->ScrollDown()->isEnabled());
  EXPECT_FALSE(tabs->ScrollUp()->isEnabled());
  const int y = tabs->Tab('A')->y();
  QTest::mouseClick(tabs->ScrollDown(), Qt::LeftButton);
  EXPECT_LT(tabs->Tab('A')->y(), y);
  EXPECT_TRUE(tabs->ScrollUp()->isEnabled());
  QTest::mouseClick(tabs->ScrollUp(), Qt::LeftButton);
  EXPECT_EQ(tabs->Tab('A')->y(), y);
  win->resize(900, 1000);
  Pump();
  EXPECT_FALSE(tabs->ScrollDown()->isEnabled());
  EXPECT_FALSE(tabs->ScrollUp()->isEnabled());
}

TEST_F(MainWindowTest, MessagesOfEmptyPositionsAndAClosedDatabase) {
  MakeDatabase(Numbered(2));
  Open(5);
  auto trigger = [&](QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
      if (a->text() == text) a->trigger();
    Pump();
  };
  trigger(win->RecordCommands()->PrepareRecordButtonPopup(3), "&Delete Record");
  EXPECT_EQ(msgs.Texts(), QStringList{"Empty Record cannot be Deleted."});
  EXPECT_EQ(msgs.shown.back().kind, MsgKind::Information);
  msgs.shown.clear();
  Click("B_New");
  QTest::keyClick(win.get(), Qt::Key_C, Qt::AltModifier);
  Pump();
  EXPECT_EQ(msgs.Texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_EQ(msgs.shown.back().kind, MsgKind::Warning);
  EXPECT_FALSE(Enabled("B_RPaste"));
  msgs.shown.clear();
  tables::Db().Data.Close();
  ClickButton(0);
  EXPECT_EQ(msgs.Texts(), QStringList{"Database is not Open! Cannot display details."});
  EXPECT_EQ(msgs.shown.back().kind, MsgKind::Error);
}

TEST_F(MainWindowTest, GeometryAndPaneWidthThroughWndDat) {
  MakeDatabase(Numbered(2));
  Open(10);
  win->setGeometry(40, 50, 900, 640);
  Pump();
  const int pane = win->RightPane()->width();
  win->Teardown();
  win.reset();
  const QByteArray wnd = test::ReadAll(Opt().SettingsFile("wnd.dat"));
  ASSERT_EQ(wnd.size(), 20);
  const WindowGeometry g = Opt().LoadWindowGeometry();
  EXPECT_EQ(g.width, 900);
  EXPECT_EQ(g.height, 640);
  EXPECT_EQ(g.paneWidth, pane);
  tables::Db().Reset();
  Open(10);
  EXPECT_EQ(win->width(), 900);
  EXPECT_NEAR(win->RightPane()->width(), pane, 12);
}

// A record button clicked while a typed new record is saved shows the record
// it showed, wherever the new record sorts.
TEST_F(MainWindowTest, AButtonClickedAfterANewRecordShowsItsOwnRecord) {
  struct Case {
    int sortField;
    const char* typed;
  };
  // Entry order (new records last), and by title with the letter tabs: before
  // and after the clicked record.
  for (const Case& c : {Case{0, "Zed"}, Case{kTitle, "Cb"}, Case{kTitle, "Cz"}}) {
    SCOPED_TRACE(c.typed);
    tables::Db().Reset();
    QDir(Opt().CurrentDbDir).removeRecursively();
    QDir().mkpath(Opt().CurrentDbDir);
    MakeDatabase({"Ca", "Cc", "Cd"}, c.sortField);
    Open(5);
    if (win->LetterTabsActive()) ClickTab('C');
    Click("B_New");
    TypeTitle(c.typed);
    ASSERT_EQ(ButtonTitle(1), "Cc");
    ClickButton(1);
    EXPECT_EQ(ShownTitle(), "Cc");
    EXPECT_EQ(StoredTitles().size(), 4u);
    win->Teardown();
    win.reset();
  }
}

// ---- commands subsystems contribute through the hub

// A subsystem's ui as later parts of the program write one: it knows the
// window only as the hub and adds its commands there.
struct DummySubsystem {
  bool allowed = true;
  std::vector<std::string> storedAtRun;  // the stored titles each run saw
  std::function<std::vector<std::string>()> stored;

  void Contribute(Hub& hub) {
    HubCommand c;
    c.name = "B_Dummy";
    c.text = "&Dummy";
    c.menu = "&Search";
    c.speedBarPage = 1;
    c.key = "Ctrl+Shift+D";
    c.hint = "Dummy Command";
    c.enabled = [this, &hub] { return allowed && !hub.ReadOnlyDatabase(); };
    c.run = [this] {
      const auto titles = stored();
      storedAtRun.push_back(titles.empty() ? "" : titles.front());
    };
    hub.AddCommand(c);
  }
};

TEST_F(MainWindowTest, AContributedCommandHasItsMenuSpeedBarKeyAndRuleAndRunsAfterTheSave) {
  MakeDatabase(Numbered(3));
  Open(5);
  DummySubsystem dummy;
  dummy.stored = [this] { return StoredTitles(); };
  dummy.Contribute(*win);

  QAction* a = win->Command("B_Dummy");
  ASSERT_TRUE(a);
  QMenu* search = nullptr;
  for (QAction* top : win->menuBar()->actions())
    if (top->text() == "&Search") search = top->menu();
  ASSERT_TRUE(search);
  EXPECT_EQ(search->actions().back(), a);
  EXPECT_EQ(a->text(), "&Dummy\tCtrl+Shift+D");
  EXPECT_EQ(win->Keys().KeyText("B_Dummy"), "Ctrl+Shift+D");
  auto* button = win->SpeedBar()->widget(1)->findChild<QToolButton*>("B_Dummy");
  ASSERT_TRUE(button);
  EXPECT_EQ(button->defaultAction(), a);
  EXPECT_EQ(a->toolTip(), "Dummy Command");
  EXPECT_TRUE(a->isEnabled());

  // Typed text is in the file before the command runs.
  ClickButton(0);
  TypeTitle("Typed");
  QTest::keyClick(win.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(dummy.storedAtRun, (std::vector<std::string>{"Typed"}));
  // The speed-bar button runs it as well.
  TypeTitle("Again");
  Click("B_Dummy");
  EXPECT_EQ(dummy.storedAtRun, (std::vector<std::string>{"Typed", "Again"}));

  // A record the form cannot save (a date it cannot read) keeps the user on
  // it: the command does not run.
  auto* date = qobject_cast<TDateEdit*>(win->RecordForm()->Editor(kDateField));
  ASSERT_TRUE(date);
  date->SetDate(QDate());
  date->setFocus();
  QTest::keyClicks(date, "13452020");
  msgs.shown.clear();
  QTest::keyClick(win.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(dummy.storedAtRun.size(), 2u);
  EXPECT_FALSE(msgs.shown.empty());
  date->SetDate(QDate());

  // The enabled rule: asked when the window updates its commands; a
  // disabled command runs from neither its key nor its action.
  dummy.allowed = false;
  win->UpdateCommands();
  EXPECT_FALSE(a->isEnabled());
  EXPECT_FALSE(button->isEnabled());
  QTest::keyClick(win.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
  Pump();
  a->trigger();
  Pump();
  EXPECT_EQ(dummy.storedAtRun.size(), 2u);
  dummy.allowed = true;
  ClickButton(1);
  EXPECT_TRUE(a->isEnabled());
}

// A command on the record as typed (as delete, copy, paste and undo are)
// runs without the save: the typed text is still only in the form.
TEST_F(MainWindowTest, ACommandOnTheRecordAsTypedRunsWithoutTheSave) {
  MakeDatabase(Numbered(2));
  Open(5);
  std::vector<std::string> storedAtRun;
  HubCommand c;
  c.name = "B_AsTyped";
  c.text = "As &Typed";
  c.menu = "&Search";
  c.saveFirst = false;
  c.run = [&] { storedAtRun = StoredTitles(); };
  win->AddCommand(c);
  TypeTitle("Typed");
  win->Command("B_AsTyped")->trigger();
  Pump();
  EXPECT_EQ(storedAtRun, (std::vector<std::string>{"T00", "T01"}));
  EXPECT_EQ(ShownTitle(), "Typed");
}

// A command the window already lists takes over its place: menu item,
// speed-bar button and key.
TEST_F(MainWindowTest, AContributedCommandTakesOverTheWindowsPlaceForIt) {
  MakeDatabase(Numbered(2));
  Open(5);
  QAction* place = win->Command("B_Summary");
  ASSERT_TRUE(place);
  EXPECT_FALSE(place->isEnabled());
  int runs = 0;
  HubCommand c;
  c.name = "B_Summary";
  c.run = [&runs] { ++runs; };
  win->AddCommand(c);
  EXPECT_EQ(win->Command("B_Summary"), place);
  EXPECT_TRUE(place->isEnabled());
  Click("B_Summary");
  EXPECT_EQ(runs, 1);
}

// The scope of long work: no other command starts inside it, and with a
// caption the progress window shows.
TEST_F(MainWindowTest, AWorkScopeHoldsOffOtherCommandsAndShowsProgress) {
  MakeDatabase(Numbered(12));
  Open(5);
  {
    auto work = win->BeginWork("Counting", 12);
    EXPECT_TRUE(win->IsBusy());
    ASSERT_TRUE(work->Progress());
    EXPECT_TRUE(work->Progress()->IsShowing());
    EXPECT_EQ(work->Progress()->Caption(), "Counting");
    EXPECT_EQ(work->Progress()->Maximum(), 12);
    win->Command("B_PgDn")->trigger();
    Pump();
    EXPECT_EQ(win->PageOffset(), 0);
    EXPECT_EQ(ShowingProgress(), work->Progress());
  }
  EXPECT_FALSE(win->IsBusy());
  EXPECT_EQ(ShowingProgress(), nullptr);
  EXPECT_EQ(win->BeginWork()->Progress(), nullptr);
  win->Command("B_PgDn")->trigger();
  Pump();
  EXPECT_EQ(win->PageOffset(), 5);
}

// ---- the record form's lookup boxes, record templates, the list header

// Runs `act` on the modal dialog of type T once it is open (the command that
// opens it runs its own event loop meanwhile).
template <class T>
void OnModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(d);
    }
  });
  timer->start();
}

QStringList ListFileItems(const QString& file) {
  dbase::Table t(Opt().CurrentDbDir.toStdString(), file.toStdString());
  t.Open();
  QStringList out;
  for (t.First(); !t.Eof() && t.HasRecord(); t.Next()) out << QString::fromStdString(t.AsText(0));
  t.Close();
  return out;
}

TEST_F(MainWindowTest, LookupFieldsAreLookupBoxesOverTheDirectorysLists) {
  MakeDatabase(Numbered(3));
  Open(5);
  const std::vector<std::pair<int, QString>> fields = {
      {3, "list1.dbf"}, {4, "list2.dbf"}, {7, "list3.dbf"}, {13, "list4.dbf"}, {14, "list5.dbf"}};
  for (const auto& [n, file] : fields) {
    auto* box = qobject_cast<TLookup*>(win->RecordForm()->Editor(n));
    ASSERT_TRUE(box) << n;
    EXPECT_EQ(box->Source(), file) << n;
    EXPECT_TRUE(box->Sorted()) << n;
    EXPECT_NE(box->Binding(), tables::LookupList::Binding::None) << n;
    EXPECT_TRUE(QFileInfo::exists(QDir(Opt().CurrentDbDir).filePath(file))) << n;
    EXPECT_EQ(box->toolTip(), "Lookup Field - click on the down arrow to see the choices");
    EXPECT_EQ(box->lineEdit()->toolTip(), "");  // the box's hint shows over its edit part
  }
  // The form's list numbering is the one the list dialog uses.
  const std::vector<tables::ListField> lists = TEditListsDlg::RecordTableLists();
  ASSERT_EQ(lists.size(), fields.size());
  for (size_t i = 0; i < lists.size(); ++i) {
    EXPECT_EQ(lists[i].file, fields[i].second);
    EXPECT_EQ(lists[i].position, fields[i].first + 1);
  }
}

TEST_F(MainWindowTest, ANewCategoryTypedIsInList1AtOnceAndInEveryBoxOnThatList) {
  MakeDatabase(Numbered(3));
  Open(5);
  // The import dialogs' category box is the other control on "list1.dbf".
  TLookup importBox;
  importBox.SetSource("list1.dbf");
  auto* cat1 = qobject_cast<TLookup*>(win->RecordForm()->Editor(kCategory1));
  auto* cat2 = qobject_cast<TLookup*>(win->RecordForm()->Editor(kCategory2));
  ASSERT_TRUE(cat1 && cat2);
  ClickButton(0);
  // Typed, and the record left by a command that takes no focus.
  cat1->setFocus();
  QTest::keyClicks(cat1->lineEdit(), "Gardening");
  Pump();
  Click("B_Next");
  EXPECT_EQ(ShownTitle(), "T01");
  EXPECT_EQ(ListFileItems("list1.dbf"), QStringList{"Gardening"});
  EXPECT_EQ(cat1->Items(), QStringList{"Gardening"});
  EXPECT_EQ(importBox.Items(), QStringList{"Gardening"});
  EXPECT_TRUE(cat2->Items().isEmpty());
  EXPECT_TRUE(ListFileItems("list2.dbf").isEmpty());
  // Typed and left with Tab: the second category too.
  cat2->setFocus();
  QTest::keyClicks(cat2->lineEdit(), "Roses");
  QTest::keyClick(cat2->lineEdit(), Qt::Key_Tab);
  Pump();
  EXPECT_EQ(ListFileItems("list2.dbf"), QStringList{"Roses"});
  // Loading another record does not add what the record holds.
  Click("B_Prev");
  EXPECT_EQ(win->RecordForm()->FieldText(kCategory1), "Gardening");
  EXPECT_EQ(ListFileItems("list1.dbf"), QStringList{"Gardening"});
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(MainWindowTest, EditListFromALookupMenuStartsOnItsListAndReloadsTheBoxes) {
  MakeDatabase(Numbered(2));
  Open(5);
  auto* type = qobject_cast<TLookup*>(win->RecordForm()->Editor(kType));
  ASSERT_TRUE(type);
  int startedOn = -1;
  msgs.inputs.push_back(QString("Hobby"));
  OnModal<TEditListsDlg>([&startedOn](TEditListsDlg* d) {
    startedOn = d->CurrentList();
    QTest::mouseClick(d->NewBtn(), Qt::LeftButton);
    d->reject();
  });
  // The right click on the box's edit part opens the lookup edit menu.
  emit type->lineEdit()->customContextMenuRequested(QPoint(2, 2));
  Pump();
  QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_TRUE(menu);
  QAction* edit = nullptr;
  for (QAction* a : menu->actions())
    if (a->text() == "&Edit List...") edit = a;
  ASSERT_TRUE(edit);
  menu->close();
  edit->trigger();
  Pump();
  EXPECT_EQ(startedOn, 2);
  EXPECT_EQ(ListFileItems("list3.dbf"), QStringList{"Hobby"});
  EXPECT_EQ(type->Items(), QStringList{"Hobby"});
}

TEST_F(MainWindowTest, LookupsAreBoundAgainAfterADatabaseSwitch) {
  MakeDatabase(Numbered(2));
  Open(5);
  auto* cat1 = qobject_cast<TLookup*>(win->RecordForm()->Editor(kCategory1));
  ASSERT_TRUE(cat1);
  const QString other = QDir(home.path()).filePath("other");
  QDir().mkpath(other);
  {
    const QString first = Opt().CurrentDbDir;
    Opt().CurrentDbDir = other;
    TLookup seed;
    seed.SetSource("list1.dbf");
    seed.setEditText("Elsewhere");
    seed.AddTypedValue();
    Opt().CurrentDbDir = first;
  }
  EXPECT_TRUE(cat1->Items().isEmpty());
  // The database of the other directory is opened and the window reloads.
  ASSERT_TRUE(win->SaveBeforeCommand());
  tables::CloseDatabase();
  Opt().CurrentDbDir = other;
  ASSERT_TRUE(tables::OpenDatabase());
  win->Reload();
  Pump();
  EXPECT_EQ(cat1->Items(), QStringList{"Elsewhere"});
}

TEST_F(MainWindowTest, ARecordSavedAsTemplateFillsANewRecordWithTodayForAMarkedDate) {
  ScopedClock clock(QDateTime(QDate(2024, 6, 3), QTime(9, 0)));
  MakeDatabase(Numbered(2));
  Open(5);
  ClickButton(0);
  TypeTitle("Weekly meeting");
  auto* date = qobject_cast<TDateEdit*>(win->RecordForm()->Editor(kDateField));
  ASSERT_TRUE(date);
  date->SetDate(QDate(2020, 1, 2));
  win->RecordForm()->SetFieldText(kCategory1, "Work");
  win->RecordForm()->SetFieldText(kKeywords - 1, "agenda");
  OnModal<TRecordTemplateForm>([](TRecordTemplateForm* f) {
    f->NameEdit()->setText("Meeting");
    for (const auto& [position, box] : f->DateBoxes())
      if (position == kDateField + 1) box->setChecked(true);
    QTest::mouseClick(f->OkBtn(), Qt::LeftButton);
  });
  QAction* save = nullptr;
  for (QAction* a : win->RecordCommands()->PrepareRecordFormPopup()->actions())
    if (a->text() == "&Save Record To Template") save = a;
  ASSERT_TRUE(save);
  ASSERT_TRUE(save->isEnabled());
  save->trigger();
  Pump();
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  EXPECT_EQ(test::ReadAll(Opt().SettingsFile("records.tml")), QByteArray("Meeting\r\n"));
  {
    dbase::Table& c = tables::Db().CopyBuffer;
    ASSERT_TRUE(tables::GotoPosition(c, 1));
    EXPECT_EQ(c.AsText(kTitle), "Weekly meeting");
    EXPECT_TRUE(IsTemplateDateMarker(c.AsDate(kDateField + 1)));
  }
  // The template menus name it at once.
  QMenu* m = win->PrepareTemplateMenu();
  ASSERT_EQ(m->actions().size(), 3);
  EXPECT_EQ(m->actions()[2]->text(), "Meeting");
  m->actions()[2]->trigger();

  Click("B_New");
  ASSERT_TRUE(win->NewRecordMode());
  EXPECT_EQ(ShownTitle(), "Weekly meeting");
  EXPECT_EQ(win->RecordForm()->FieldText(kCategory1), "Work");
  EXPECT_EQ(win->RecordForm()->FieldText(kKeywords - 1), "agenda");
  EXPECT_EQ(date->Date(), QDate(2024, 6, 3));
  // The record shown before kept what was typed into it.
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"Weekly meeting", "T01"}));

  // "R&eplace Record With Template" on a stored record: the template, then
  // "Blank" (the new record is emptied first, so it is not stored).
  win->RecordForm()->ClearFields();
  ClickButton(1);
  ASSERT_EQ(ShownTitle(), "T01");
  auto replaceWith = [this](const QString& name) {
    for (QAction* a : win->PrepareTemplateRMenu()->actions())
      if (a->menu() && a->text() == "&Replace Record With Template")
        for (QAction* t : a->menu()->actions())
          if (t->text() == name) t->trigger();
    Pump();
  };
  replaceWith("Meeting");
  EXPECT_EQ(ShownTitle(), "Weekly meeting");
  EXPECT_EQ(date->Date(), QDate(2024, 6, 3));
  replaceWith("Blank");
  EXPECT_EQ(ShownTitle(), "");
  EXPECT_TRUE(date->IsEmptyDate());
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(MainWindowTest, ATemplateWithoutItsRecordCannotBeLoaded) {
  MakeDatabase(Numbered(2));
  ASSERT_TRUE(test::WriteAll(Opt().SettingsFile("records.tml"), "Gone\r\n"));
  Open(5);
  const QString error = "Template could not be loaded!\nYou should delete this template";
  ClickButton(0);
  for (QAction* a : win->RecordCommands()->PrepareRecordFormPopup()->actions())
    if (a->menu() && a->text() == "R&eplace Record With Template") a->menu()->actions()[1]->trigger();
  EXPECT_EQ(msgs.Texts(), QStringList{error});
  EXPECT_EQ(msgs.shown.back().kind, MsgKind::Error);
  EXPECT_EQ(ShownTitle(), "T00");
  msgs.shown.clear();
  win->PrepareTemplateMenu()->actions()[2]->trigger();
  Click("B_New");
  EXPECT_EQ(msgs.Texts(), QStringList{error});
  EXPECT_TRUE(win->NewRecordMode());
  EXPECT_EQ(ShownTitle(), "");
}

TEST_F(MainWindowTest, DeletingTheTemplateOfNewRecordsFallsBackToBlank) {
  MakeDatabase(Numbered(1));
  ASSERT_TRUE(test::WriteAll(Opt().SettingsFile("records.tml"), "Shop\r\n"));
  {
    ASSERT_TRUE(tables::OpenDatabase());
    dbase::Table& c = tables::Db().CopyBuffer;
    while (tables::RecordCount(c) < 2) {
      c.Append();
      c.Post();
    }
    tables::CloseDatabase();
    tables::Db().Reset();
  }
  Open(5);
  win->PrepareTemplateMenu()->actions()[2]->trigger();
  ASSERT_EQ(win->TemplateButton()->text(), "Shop");
  OnModal<TRecordTemplateForm>([](TRecordTemplateForm* f) {
    f->TemplateList()->setCurrentRow(1);
    QTest::mouseClick(f->DeleteBtn(), Qt::LeftButton);
    QTest::mouseClick(f->CancelBtn(), Qt::LeftButton);
  });
  for (QAction* a : win->PrepareTemplateRMenu()->actions())
    if (a->text() == "&Save Record To Template") a->trigger();
  Pump();
  EXPECT_EQ(msgs.Texts(), QStringList{"Are you sure you want to Delete selected Template?"});
  EXPECT_EQ(win->TemplateName(), "Blank");
  EXPECT_EQ(win->TemplateButton()->text(), "Blank");
  EXPECT_EQ(win->PrepareTemplateMenu()->actions().size(), 2);
}

TEST_F(MainWindowTest, WithoutHeaderDatTheDefaultColumnsShareTheListPaneAtTheFirstShow) {
  MakeDatabase(Numbered(2));
  ASSERT_FALSE(QFileInfo::exists(Opt().SettingsFile("header.dat")));
  win = std::make_unique<TForm3>();
  win->show();
  Pump();
  const int bar = win->ListHeader()->width();
  ASSERT_GT(bar, 150);  // wider than the fixed defaults were
  auto widths = [this] {
    std::vector<std::pair<QString, int>> out;
    for (const THeaderSection& s : win->ListHeader()->Header().Sections()) out.push_back({s.Caption, s.Width});
    return out;
  };
  EXPECT_EQ(widths(), (std::vector<std::pair<QString, int>>{{"Title:", bar / 3}, {"Address:", bar - bar / 3}}));
  win->resize(1200, win->height());
  Pump();
  EXPECT_EQ(widths(), (std::vector<std::pair<QString, int>>{{"Title:", bar / 3}, {"Address:", bar - bar / 3}}));
  // A width the user gives a column is what the next run starts with.
  win->ListHeader()->Header().SetSectionWidth(0, 180);
  win->ListHeader()->Header().FinishResize(0);
  win->Teardown();
  win.reset();
  tables::Db().Reset();
  Open(5);
  EXPECT_EQ(widths(), (std::vector<std::pair<QString, int>>{{"Title:", 180}, {"Address:", bar - bar / 3}}));
}

// The save of the ending asks nothing; a date the editor cannot read keeps
// the stored date, the other fields are saved.
TEST_F(MainWindowTest, UnattendedSaveKeepsTheStoredDateForAnUnreadableOne) {
  struct Case {
    const char* typed;  // into the date editor (mm/dd/yyyy), digits only
    const char* stored;
  };
  const std::vector<Case> cases = {
      {"13452020", "20010203"},  // no date: the stored one stays
      {"04052020", "20200405"},  // a date: saved
      {"", ""},                  // emptied: cleared
  };
  MakeDatabase(Numbered(2));
  {
    ASSERT_TRUE(tables::OpenDatabase());
    dbase::Table& t = tables::Db().Data;
    t.First();
    t.Edit();
    t.SetDate(kDateField + 1, dbase::Date{std::chrono::year(2001), std::chrono::February, std::chrono::day(3)});
    t.Post();
    tables::CloseDatabase();
    tables::Db().Reset();
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    if (!win) Open(5);
    ClickButton(0);
    const QString title = QString("saved %1").arg(&c - cases.data());
    TypeTitle(title);
    auto* date = qobject_cast<TDateEdit*>(win->RecordForm()->Editor(kDateField));
    ASSERT_TRUE(date);
    date->SetDate(QDate());
    date->setFocus();
    QTest::keyClicks(date, c.typed);
    win->SaveCurrentRecordUnattended();
    EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
    win->Teardown();
    win.reset();
    tables::Db().Reset();
    dbase::Table t(Opt().CurrentDbDir.toStdString(), "data.dbf");
    t.Open();
    t.First();
    EXPECT_EQ(t.AsText(kTitle), title.toStdString());
    EXPECT_EQ(t.AsText(kDateField + 1), c.stored);
    t.Close();
    if (std::string(c.stored).empty()) continue;
    // Put the stored date back for the next case.
    ASSERT_TRUE(tables::OpenDatabase());
    dbase::Table& d = tables::Db().Data;
    d.First();
    d.Edit();
    d.SetDate(kDateField + 1, dbase::Date{std::chrono::year(2001), std::chrono::February, std::chrono::day(3)});
    d.Post();
    tables::CloseDatabase();
    tables::Db().Reset();
  }
}

// ---- ending the program with typed text in the form

class EndingTest : public MainWindowTest {
 protected:
  std::unique_ptr<Application> StartApp() {
    Opt().Reset();
    auto app = std::make_unique<Application>(QUILLARY_TEST_SHARE_DIR);
    app->runDialog = [](QDialog&) {};
    EXPECT_TRUE(app->Start());
    app->FirstActivation();
    Pump();
    return app;
  }
  void NoTips() {
    OptionStore o;
    o.InitDirectories(home.path(), {});
    QDir().mkpath(o.SettingsDir);
    o.ShowTips = 0;
    ASSERT_TRUE(o.SaveUserOptions());
  }
  void SetUp() override {
    MainWindowTest::SetUp();
    MakeDatabase(Numbered(6));
    NoTips();
  }
  void TypeIntoFifth(TForm3* w) {
    QTest::mouseClick(w->RecordButton(4), Qt::LeftButton);
    Pump();
    ASSERT_EQ(w->RecordForm()->FieldText(1), "T04");
    QWidget* ed = w->RecordForm()->Editor(1);
    QLineEdit* e = qobject_cast<QLineEdit*>(ed) ? qobject_cast<QLineEdit*>(ed) : ed->findChild<QLineEdit*>();
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, "typed");
    Pump();
  }
};

TEST_F(EndingTest, TypedTextSurvivesExit) {
  auto app = StartApp();
  TypeIntoFifth(app->MainWindow());
  app->MainWindow()->ExitAction()->trigger();
  EXPECT_TRUE(app->Ended());
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T02", "T03", "typed", "T05"}));
}

TEST_F(EndingTest, TypedNewRecordSurvivesATerminationSignal) {
  auto app = StartApp();
  TForm3* w = app->MainWindow();
  InstallTerminationHandler([&app] { app->Exit(); });
  QTest::keyClick(w, Qt::Key_N, Qt::ControlModifier);
  Pump();
  QWidget* ed = w->RecordForm()->Editor(1);
  QLineEdit* e = qobject_cast<QLineEdit*>(ed) ? qobject_cast<QLineEdit*>(ed) : ed->findChild<QLineEdit*>();
  QTest::keyClicks(e, "brand new");
  ::raise(SIGTERM);
  for (int i = 0; i < 200 && !app->Ended(); ++i) {
    QApplication::processEvents();
    QTest::qWait(5);
  }
  ASSERT_TRUE(app->Ended());
  EXPECT_EQ(StoredTitles().size(), 7u);
  EXPECT_EQ(StoredTitles().back(), "brand new");
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(EndingTest, TypedTextSurvivesTheSessionEnding) {
  {
    auto app = StartApp();
    TypeIntoFifth(app->MainWindow());
    EXPECT_TRUE(app->SessionEnding());
    EXPECT_EQ(msgs.Texts(), QStringList{"Quillary is shutting down."});
    EXPECT_EQ(StoredTitles()[4], "typed");
  }
  // Where the desktop allows no questions, nothing is asked or shown.
  msgs.shown.clear();
  auto app = StartApp();
  QTest::mouseClick(app->MainWindow()->RecordButton(1), Qt::LeftButton);
  Pump();
  QWidget* ed = app->MainWindow()->RecordForm()->Editor(1);
  QLineEdit* e = qobject_cast<QLineEdit*>(ed) ? qobject_cast<QLineEdit*>(ed) : ed->findChild<QLineEdit*>();
  e->selectAll();
  QTest::keyClicks(e, "quietly");
  app->SessionEndingUnattended();
  EXPECT_TRUE(app->Ended());
  EXPECT_TRUE(msgs.shown.empty());
  EXPECT_EQ(StoredTitles()[1], "quietly");
}

TEST_F(EndingTest, TypedTextSurvivesTerminateFromTheTray) {
  auto app = StartApp();
  TypeIntoFifth(app->MainWindow());
  app->TrayForm()->Terminate1()->trigger();
  EXPECT_TRUE(app->Ended());
  EXPECT_EQ(StoredTitles()[4], "typed");
}

TEST_F(EndingTest, AnEndArrivingWhileTheFormLoadsWaitsForIt) {
  auto app = StartApp();
  TForm3* w = app->MainWindow();
  bool duringLoad = false, endedInside = true;
  QTimer::singleShot(0, w, [&] {
    duringLoad = w->RecordForm()->Busy();
    app->Exit();
    endedInside = app->Ended();
  });
  QTest::mouseClick(w->RecordButton(3), Qt::LeftButton);
  ASSERT_TRUE(duringLoad);
  EXPECT_FALSE(endedInside);
  EXPECT_EQ(w->RecordForm()->FieldText(1), "T03");
  for (int i = 0; i < 100 && !app->Ended(); ++i) QTest::qWait(10);
  EXPECT_TRUE(app->Ended());
}

TEST_F(EndingTest, TypedTextSurvivesHideAndShowThroughTheTray) {
  auto app = StartApp();
  TForm3* w = app->MainWindow();
  TypeIntoFifth(w);
  TTrayForm* tray = app->TrayForm();
  tray->Show1Click();
  EXPECT_FALSE(w->isVisible());
  tray->Show1Click();
  Pump();
  EXPECT_TRUE(w->isVisible());
  // Saved into the record it was typed into, not the first one; the same
  // record shown again.
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T02", "T03", "typed", "T05"}));
  EXPECT_EQ(w->RecordForm()->FieldText(1), "typed");
  EXPECT_EQ(w->SelectedButton(), 4);
  app->Exit();
  EXPECT_EQ(StoredTitles()[0], "T00");
}

}  // namespace
}  // namespace quillary
