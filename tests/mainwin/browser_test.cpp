// Browsing without a window: page moves, letters, the shown record and the
// moves across letters, synchronising, deleting and pasting over a real
// record store, with the form's save played by the test.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <optional>
#include <string>
#include <vector>

#include "mainwin/browser.h"
#include "shell/options.h"
#include "support/record_store_fixture.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"
#include "tables/database.h"
#include "tables/tindex.h"

namespace quillary {
namespace {

using test::Numbered;

constexpr int kTitle = 2;  // table positions
constexpr int kKeywords = 6;

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseRecordStoreIn(home.path());
  }
  void TearDown() override {
    tables::Db().OrderChanged = nullptr;
    browser.reset();
    tables::CloseDatabase();
    tables::Db().Reset();
  }


  void MakeDatabase(const std::vector<std::string>& titles, int sortField = 0) {
    test::MakeTitleDatabase(titles, sortField);
  }

  // Opens the database as the window does and shows its first record.
  void Open(int pageSize) {
    browser = std::make_unique<Browser>([this] { return Save(); }, nullptr);
    // Opening applies the sort, which counts the letters.
    tables::Db().OrderChanged = [this] { browser->AfterDataChange(); };
    ASSERT_TRUE(tables::OpenDatabase());
    browser->SetPageSize(pageSize);
    // A record, or a new one under a letter without records.
    ASSERT_NE(browser->FirstShow(), Show::Nothing);
  }

  // The form's part: a title typed into a new record is appended; `refuse`
  // plays the user who chose to stay.
  bool Save() {
    ++saves;
    if (refuse) return false;
    if (typed && browser->NewRecordMode()) {
      dbase::Table& e = browser->EditTable();
      e.Append();
      e.SetText(1, "2");
      e.SetText(kTitle, *typed);
      e.Post();
      typed.reset();
    }
    return true;
  }

  std::string ShownTitle() {
    dbase::Table& e = browser->EditTable();
    return browser->NewRecordMode() || !e.HasRecord() ? "" : e.AsText(kTitle);
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> out;
    for (const ListRow& r : browser->Page({ListColumn{kTitle, 100}}).rows) out.push_back(r.cells.at(0).text.toStdString());
    return out;
  }
  std::vector<std::string> StoredTitles() {
    dbase::Table t(Opt().CurrentDbDir.toStdString(), "data.dbf");
    t.Open();
    std::vector<std::string> out;
    for (t.First(); !t.Eof() && t.HasRecord(); t.Next()) out.push_back(t.AsText(kTitle));
    return out;
  }
  QString RecordNumber() { return RecordNumberText(browser->RecordNo(), browser->NewRecordMode()); }
  QString Percent() { return PercentText(browser->RecordNo(), browser->PercentCount()); }

  test::TempHome home;
  test::ScriptedMessages msgs;
  std::unique_ptr<Browser> browser;
  std::optional<std::string> typed;
  bool refuse = false;
  int saves = 0;
};

// Each step of a walk over the pages: a move, then the page it shows.
struct PageStep {
  const char* move;
  int64_t offset;
  const char* firstTitle;  // "" for an empty page
  PageButtons buttons;
};

TEST_F(BrowserTest, PagesWithoutLetterTabs) {
  MakeDatabase(Numbered(20));
  Open(10);
  EXPECT_FALSE(browser->LetterTabsActive());
  EXPECT_EQ(RecordNumber(), "1");
  EXPECT_EQ(Percent(), "5%");
  const PageStep steps[] = {
      {"show", 0, "T00", {false, false, true, true}},
      {"last", 10, "T10", {true, true, true, false}},
      // One page past records that fill the pages exactly: empty buttons
      // that start a new record.
      {"pgdn", 20, "", {true, true, false, false}},
      {"pgdn", 20, "", {true, true, false, false}},
      {"first", 0, "T00", {false, false, true, true}},
      {"pgdn", 10, "T10", {true, true, true, false}},
      {"pgup", 0, "T00", {false, false, true, true}},
      {"last", 10, "T10", {true, true, true, false}},
  };
  for (const PageStep& s : steps) {
    SCOPED_TRACE(s.move);
    const std::string m = s.move;
    if (m == "last") browser->Last();
    if (m == "pgdn") browser->PgDn();
    if (m == "pgup") browser->PgUp();
    if (m == "first") browser->First();
    EXPECT_EQ(browser->PageOffset(), s.offset);
    const PageView v = browser->Page({ListColumn{kTitle, 100}});
    EXPECT_EQ(v.rows.empty() ? "" : v.rows[0].cells[0].text.toStdString(), s.firstTitle);
    EXPECT_EQ(v.pageButtons, s.buttons);
  }
  EXPECT_EQ(Titles().size(), 10u);
  EXPECT_EQ(Titles().back(), "T19");
  // A button of the empty page: a new record.
  browser->PgDn();
  EXPECT_EQ(browser->RecordButton(3), Show::NewRecord);
  EXPECT_TRUE(browser->NewRecordMode());
  EXPECT_EQ(RecordNumber(), "");
  EXPECT_EQ(Percent(), "100%");
  EXPECT_EQ(ShownTitle(), "");
}

TEST_F(BrowserTest, LettersAndMovesAcrossThem) {
  MakeDatabase({"Apple", "Cedar", "Cobalt", "Mango", "Maple", "Melon", "Pear", "Plum"}, kTitle);
  Open(10);
  ASSERT_TRUE(browser->LetterTabsActive());
  EXPECT_EQ(browser->CurrentLetter(), 'A');

  EXPECT_EQ(browser->SelectLetter('c'), Show::List);
  EXPECT_TRUE(browser->TakeLetterChange());
  EXPECT_FALSE(browser->TakeLetterChange());
  EXPECT_EQ(browser->CurrentLetter(), 'C');
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Cedar", "Cobalt"}));
  EXPECT_TRUE(browser->Page({}).pageButtons.pgUp);
  // "PgUp" on the first page goes to the letter before, even without records.
  EXPECT_EQ(browser->PgUp(), Show::List);
  EXPECT_EQ(browser->CurrentLetter(), 'B');
  EXPECT_TRUE(browser->LetterRangeSet());
  EXPECT_EQ(browser->PageOffset(), 0);
  EXPECT_TRUE(Titles().empty());

  struct Move {
    const char* what;
    const char* title;
    char recordLetter;
    char currentLetter;
    const char* recordNumber;
    int selected;
  };
  // "Next" on the last "M" record, nothing under "N" and "O"; and back.
  const Move moves[] = {
      {"button 2 of M", "Melon", 'M', 'M', "3", 2},
      {"next", "Pear", 'P', 'M', "1", -1},
      {"previous", "Melon", 'M', 'M', "3", 2},
      {"next", "Pear", 'P', 'M', "1", -1},
      {"next", "Plum", 'P', 'M', "2", -1},
      {"synchronize", "Plum", 'P', 'P', "2", 1},
      {"previous", "Pear", 'P', 'P', "1", 0},
      {"previous", "Melon", 'M', 'P', "3", -1},
  };
  browser->SelectLetter('M');
  for (const Move& m : moves) {
    SCOPED_TRACE(m.what);
    const std::string w = m.what;
    if (w == "next" || w == "previous") {
      const RecordButtons rb = browser->Page({}).recordButtons;
      ASSERT_TRUE(w == "next" ? rb.next : rb.previous);
      EXPECT_EQ(browser->Neighbour(w == "next"), Show::Record);
    } else if (w == "synchronize") {
      EXPECT_EQ(browser->Synchronize(), Show::Record);
    } else {
      EXPECT_EQ(browser->RecordButton(2), Show::Record);
    }
    EXPECT_EQ(ShownTitle(), m.title);
    EXPECT_EQ(browser->RecordLetter(), m.recordLetter);
    EXPECT_EQ(browser->CurrentLetter(), m.currentLetter);
    EXPECT_EQ(RecordNumber(), m.recordNumber);
    EXPECT_EQ(browser->Page({}).selected, m.selected);
  }
  // Out of letters at both ends.
  browser->SelectLetter('P');
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Pear", "Plum"}));
  EXPECT_FALSE(browser->StepLetter(true));
  EXPECT_TRUE(browser->StepLetter(false));
  EXPECT_EQ(browser->CurrentLetter(), 'M');
  EXPECT_EQ(browser->SelectLetter('1'), Show::Nothing);
}

TEST_F(BrowserTest, SynchronizeShowsTheRecordsLetterAndPage) {
  MakeDatabase({"Apple", "Mango", "Pear"}, kTitle);
  Open(10);
  browser->SelectLetter('M');
  browser->RecordButton(0);
  browser->Neighbour(true);
  ASSERT_EQ(ShownTitle(), "Pear");
  EXPECT_EQ(browser->Synchronize(), Show::Record);
  EXPECT_EQ(browser->CurrentLetter(), 'P');
  EXPECT_EQ(browser->Page({}).selected, 0);
  EXPECT_EQ(ShownTitle(), "Pear");
  // A new record has nothing to synchronise.
  browser->NewRecord();
  EXPECT_EQ(browser->Synchronize(), Show::Nothing);
}

TEST_F(BrowserTest, SynchronizeFindsTheRecordsPageAmongManyOnEveryOrder) {
  for (int sortField : {0, kTitle}) {
    SCOPED_TRACE(sortField);
    TearDown();
    QDir(Opt().CurrentDbDir).removeRecursively();
    QDir().mkpath(Opt().CurrentDbDir);
    std::vector<std::string> titles;
    for (int i = 0; i < 60; ++i) titles.push_back("K" + std::to_string(1000 - i * 7));
    MakeDatabase(titles, sortField);
    Open(7);
    if (browser->LetterTabsActive()) browser->SelectLetter('K');
    browser->ShowRecord(40);
    browser->First();
    EXPECT_EQ(browser->Synchronize(), Show::Record);
    EXPECT_EQ(browser->RecordNo(), 41);
    EXPECT_EQ(browser->PageOffset(), 35);
    EXPECT_EQ(browser->Page({}).selected, 5);
  }
}

TEST_F(BrowserTest, TheShownRecordIsSavedBeforeAMoveAndAMoveRefusedStays) {
  MakeDatabase(Numbered(5));
  Open(10);
  browser->RecordButton(2);
  ASSERT_EQ(ShownTitle(), "T02");
  const int before = saves;
  refuse = true;
  EXPECT_EQ(browser->RecordButton(4), Show::Nothing);
  EXPECT_EQ(browser->Neighbour(true), Show::Nothing);
  EXPECT_EQ(ShownTitle(), "T02");
  EXPECT_EQ(browser->RecordNo(), 3);
  EXPECT_EQ(saves, before + 2);
  refuse = false;
  EXPECT_EQ(browser->Neighbour(true), Show::Record);
  EXPECT_EQ(ShownTitle(), "T03");
}

TEST_F(BrowserTest, DeletingTheShownRecordShowsTheOneThatFollowed) {
  MakeDatabase(Numbered(5));
  Open(10);
  browser->RecordButton(2);
  ASSERT_EQ(ShownTitle(), "T02");
  EXPECT_EQ(browser->DeleteShown(), Show::Record);
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T03", "T04"}));
  EXPECT_EQ(ShownTitle(), "T03");
  EXPECT_EQ(browser->RecordNo(), 3);
  EXPECT_EQ(browser->Page({}).selected, 2);
  EXPECT_EQ(Titles().size(), 4u);

  // The last one: a new record follows.
  browser->RecordButton(3);
  EXPECT_EQ(browser->DeleteShown(), Show::NewRecord);
  EXPECT_TRUE(browser->NewRecordMode());
  EXPECT_EQ(StoredTitles().size(), 3u);

  // Another record than the shown one.
  browser->RecordButton(0);
  browser->Page({});
  EXPECT_FALSE(browser->IsShownAt(1));
  EXPECT_TRUE(browser->IsShownAt(0));
  EXPECT_EQ(browser->DeleteAt(1), Show::Labels);
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T03"}));
  EXPECT_EQ(ShownTitle(), "T00");
  EXPECT_EQ(RecordNumber(), "1");
}

TEST_F(BrowserTest, AButtonClickedAfterANewRecordShowsItsOwnRecord) {
  struct Case {
    int sortField;
    const char* typed;
  };
  // Entry order (new records last), and by title with the letter tabs: before
  // and after the clicked record.
  for (const Case& c : {Case{0, "Zed"}, Case{kTitle, "Cb"}, Case{kTitle, "Cz"}}) {
    SCOPED_TRACE(c.typed);
    TearDown();
    QDir(Opt().CurrentDbDir).removeRecursively();
    QDir().mkpath(Opt().CurrentDbDir);
    MakeDatabase({"Ca", "Cc", "Cd"}, c.sortField);
    Open(5);
    if (browser->LetterTabsActive()) browser->SelectLetter('C');
    EXPECT_EQ(browser->NewRecord(), Show::NewRecord);
    typed = c.typed;
    ASSERT_EQ(Titles().at(1), "Cc");
    EXPECT_EQ(browser->RecordButton(1), Show::Record);
    EXPECT_EQ(ShownTitle(), "Cc");
    EXPECT_EQ(StoredTitles().size(), 4u);
  }
}

TEST_F(BrowserTest, ASavedNewRecordIsShownAsOneForTheCommand) {
  MakeDatabase({"Ca", "Cc"}, kTitle);
  Open(5);
  browser->SelectLetter('C');
  browser->NewRecord();
  typed = "Cb";
  ASSERT_TRUE(Save());
  EXPECT_EQ(browser->AfterSave(), Show::Record);
  EXPECT_EQ(ShownTitle(), "Cb");
  EXPECT_EQ(browser->RecordNo(), 2);
  // A record shown already stays.
  EXPECT_EQ(browser->AfterSave(), Show::Nothing);
}

TEST_F(BrowserTest, ADeleteOrPasteOntoARecordAnotherCopyHoldsIsRefused) {
  MakeDatabase(Numbered(3));
  QProcess holder;
  test::HoldRecord(holder, 2);
  if (HasFatalFailure()) return;
  Open(5);
  ASSERT_EQ(ShownTitle(), "T00");
  ASSERT_TRUE(browser->CopyAt(0));
  msgs.shown.clear();
  EXPECT_EQ(browser->PasteAt(1), Show::List);
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text, "Record in use - not Pasted!");
  EXPECT_EQ(browser->DeleteAt(1), Show::Nothing);
  ASSERT_EQ(msgs.shown.size(), 2u);
  EXPECT_EQ(msgs.shown[1].text, "Record in use - not Deleted!");
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T02"}));
  // A record nobody holds takes the paste.
  EXPECT_EQ(browser->PasteAt(2), Show::List);
  EXPECT_EQ(msgs.shown.size(), 2u);
  EXPECT_EQ(StoredTitles(), (std::vector<std::string>{"T00", "T01", "T00"}));
  holder.write("\n");
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
}

TEST_F(BrowserTest, WithoutAnOpenDatabaseNothingIsShown) {
  browser = std::make_unique<Browser>([this] { return Save(); }, nullptr);
  EXPECT_EQ(browser->ShowRecord(0), Show::Nothing);
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].text, "Database is not Open! Cannot display details.");
  EXPECT_EQ(browser->PositionOf(1), std::nullopt);
}

}  // namespace
}  // namespace quillary
