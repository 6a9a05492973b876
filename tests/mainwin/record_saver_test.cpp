// The record saver over a real record table made from the template tables,
// with field editors that are plain values: loading, the blank rule, saving
// with retries and the question, the letter a saved record moves to, the
// unattended save, and how values (memo line breaks above all) are stored.
#include "mainwin/record_saver.h"

#include <QDir>
#include <QFile>

#include "mainwin/field_values.h"
#include "shell/clock.h"
#include "shell/event_pump.h"
#include "tables/tables_fixture.h"

namespace quillary::test {
namespace {

constexpr int kTitle = 1, kAddress = 2, kKeywords = 5, kDate = 8, kDescription = 15, kNotes = 16;

// An editor without a control: the text of a text or memo field, or a
// date; read and written through the same value rules as the form's.
class ValueEditor final : public FieldEditor {
 public:
  explicit ValueEditor(int n) : n_(n) {}
  int FieldNumber() const override { return n_; }
  void Load(const dbase::Table& table, int field, bool fromTemplate) override {
    ++loads;
    switch (table.Field(field).kind) {
      case dbase::FieldKind::Memo: text = ReadMemoText(table, field); break;
      case dbase::FieldKind::Date: date = ReadDate(table, field, fromTemplate); break;
      default: text = ReadLineText(table, field); break;
    }
  }
  void Store(dbase::Table& table, int field, SaveMode mode) override {
    if (refuseUnattended && mode == SaveMode::Unattended) return;
    switch (table.Field(field).kind) {
      case dbase::FieldKind::Memo: WriteMemoText(table, field, text); break;
      case dbase::FieldKind::Date: WriteDate(table, field, date); break;
      default: WriteLineText(table, field, text); break;
    }
  }
  void Clear() override {
    text.clear();
    date = QDate();
  }
  bool IsBlank() const override { return text.trimmed().isEmpty() && !date.isValid(); }
  void SetEditable(bool) override {}
  void Highlight(int, int) override {}

  QString text;
  QDate date;
  int loads = 0;
  bool refuseUnattended = false;  // stands for a date typed half

 private:
  int n_;
};

class Host final : public RecordFormHost {
 public:
  dbase::Table* table = nullptr;
  bool newRecord = true, inUse = false, readOnly = false;
  char shownLetter = 0;
  std::optional<bool> saved;
  std::vector<std::pair<char, char>> letterMoves;

  dbase::Table& EditTable() override { return *table; }
  bool NewRecordMode() const override { return newRecord; }
  bool RecordInUse() const override { return inUse; }
  bool ReadOnlyDatabase() const override { return readOnly; }
  QString DataFileName() const override { return "data.dbf"; }
  char ShownRecordLetter() const override { return shownLetter; }
  void RecordLetterChanged(char oldLetter, char newLetter) override { letterMoves.emplace_back(oldLetter, newLetter); }
  void SetRecordSaved(bool s) override { saved = s; }
};

const QString kCouldNotUpdate =
    "Could not Update the record!\nDo you want to continue anyway?\n"
    "(If you answer Yes changes to the current record will be discarded.)";

class RecordSaverTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    ASSERT_TRUE(tables::OpenDatabase());
    edit.Bind(tables::DbDir(), "data.dbf");
    edit.Open();
    host.table = &edit;
    for (int n = 1; n <= 17; ++n) editors.push_back(std::make_unique<ValueEditor>(n));
    std::vector<FieldEditor*> plain;
    for (auto& e : editors) plain.push_back(e.get());
    saver.SetEditors(plain);
  }
  void TearDown() override {
    SetEventPump({});
    edit.Close();
    TablesTest::TearDown();
  }

  ValueEditor& E(int n) { return *editors[size_t(n - 1)]; }
  std::string Stored(int n) { return edit.AsText(n + 1); }
  std::string StoredBytes(int n) { return edit.AsBytes(n + 1); }
  void StoreRecord(const std::string& title, const std::string& description) {
    edit.Append();
    edit.SetText(kTitle + 1, title);
    edit.SetText(kAddress + 1, "www.example.org");
    edit.SetText(kDescription + 1, description);
    edit.Post();
  }

  dbase::Table edit;
  Host host;
  std::vector<std::unique_ptr<ValueEditor>> editors;
  RecordSaver saver{host};
};

TEST_F(RecordSaverTest, MemoLineBreaksAreStoredAsCrLfAndReadBackFromEither) {
  // As stored by this program, by a dBASE program, and by one writing LF.
  E(kTitle).text = "Breaks";
  E(kDescription).text = "one\ntwo\n\nfour";
  E(kNotes).text = "kept\r\nonce";  // a CR LF already there is one break
  ASSERT_TRUE(saver.SaveCurrentRecord());
  edit.First();
  EXPECT_EQ(StoredBytes(kDescription), "one\r\ntwo\r\n\r\nfour");
  EXPECT_EQ(StoredBytes(kNotes), "kept\r\nonce");

  edit.Edit();
  edit.SetText(kNotes + 1, "unix\nlines\r\nmixed\n");
  edit.Post();
  host.newRecord = false;
  saver.LoadFields(edit);
  EXPECT_EQ(E(kDescription).text, "one\ntwo\n\nfour");
  EXPECT_EQ(E(kNotes).text, "unix\nlines\nmixed\n");
  EXPECT_EQ(E(kTitle).text, "Breaks");
}

TEST_F(RecordSaverTest, LoadingWithoutARecordClearsAndATemplateDateMarkerBecomesToday) {
  ScopedClock clock(QDateTime(QDate(2004, 3, 10), QTime(9, 0)));
  E(kKeywords).text = "left over";
  saver.LoadFields(edit);  // empty table
  EXPECT_TRUE(saver.IsBlank());
  EXPECT_EQ(E(kKeywords).loads, 0);

  edit.Append();
  edit.SetText(kTitle + 1, "Template");
  edit.SetDate(kDate + 1, dbase::Date{std::chrono::year(1899), std::chrono::December, std::chrono::day(31)});
  edit.Post();
  edit.First();
  saver.LoadFields(edit);
  EXPECT_EQ(E(kDate).date, QDate(1899, 12, 31));
  saver.LoadFields(edit, true);
  EXPECT_EQ(E(kDate).date, QDate(2004, 3, 10));
}

TEST_F(RecordSaverTest, EachFieldGivesThePumpATurnWhileTheSaverIsBusy) {
  StoreRecord("Pumped", "memo");
  edit.First();
  int turns = 0, busyTurns = 0;
  SetEventPump([&] {
    ++turns;
    if (saver.Busy()) ++busyTurns;
  });
  saver.LoadFields(edit);
  EXPECT_EQ(turns, 17);
  host.newRecord = false;
  E(kKeywords).text = "more";
  ASSERT_TRUE(saver.SaveCurrentRecord());
  EXPECT_EQ(turns, 34);
  EXPECT_EQ(busyTurns, turns);
  EXPECT_FALSE(saver.Busy());
}

TEST_F(RecordSaverTest, ABlankFormStoresNothingAndAnExistingRecordKeepsItsValues) {
  E(kKeywords).text = "   ";
  ASSERT_TRUE(saver.IsBlank());
  EXPECT_TRUE(saver.SaveCurrentRecord());
  EXPECT_EQ(host.saved, true);
  EXPECT_EQ(edit.RecordCount(), 0u);

  StoreRecord("Kept", "memo");
  edit.First();
  edit.Edit();
  host.newRecord = false;
  saver.ClearFields();
  EXPECT_TRUE(saver.SaveCurrentRecord());
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);
  edit.First();
  EXPECT_EQ(Stored(kTitle), "Kept");
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(RecordSaverTest, NothingIsSavedOrAskedWhileTheRecordMayNotChange) {
  E(kTitle).text = "typed";
  bool readyAsked = false;
  for (auto [readOnly, inUse] : {std::pair{true, false}, std::pair{false, true}}) {
    host.readOnly = readOnly;
    host.inUse = inUse;
    host.saved.reset();
    EXPECT_TRUE(saver.SaveCurrentRecord([&] { return readyAsked = true; }));
    EXPECT_EQ(host.saved, true);
    EXPECT_TRUE(saver.SaveCurrentRecordUnattended());
  }
  EXPECT_FALSE(readyAsked);
  EXPECT_EQ(edit.RecordCount(), 0u);
}

TEST_F(RecordSaverTest, ARefusedReadyCheckLeavesTheRecordUnsaved) {
  E(kTitle).text = "typed";
  EXPECT_FALSE(saver.SaveCurrentRecord([] { return false; }));
  EXPECT_EQ(host.saved, false);
  EXPECT_EQ(edit.RecordCount(), 0u);
  EXPECT_TRUE(saver.SaveCurrentRecord([] { return true; }));
  EXPECT_EQ(edit.RecordCount(), 1u);
}

struct RetryCase {
  const char* name;
  int refusals;        // posts the engine refuses before it takes one
  MsgAnswer answer;    // to the question, if it comes
  bool asked;
  bool result;
  uint64_t records;
};

class SaveRetryTest : public RecordSaverTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(SaveRetryTest, RefusedPostsAreRetriedAHundredTimesThenTheUserDecides) {
  const RetryCase& c = GetParam();
  int posts = 0;
  edit.SetBeforePost([&](dbase::Table&) {
    if (posts++ < c.refusals) throw dbase::DatabaseError(dbase::ErrorReason::InUse, "locked");
  });
  E(kTitle).text = "Retried";
  msgs.answers = {c.answer};
  EXPECT_EQ(saver.SaveCurrentRecord(), c.result);
  EXPECT_EQ(host.saved, c.result);
  EXPECT_EQ(posts, std::min(c.refusals + 1, RecordSaver::kMaxSaveAttempts));
  EXPECT_EQ(msgs.Texts(), c.asked ? QStringList{kCouldNotUpdate} : QStringList{});
  edit.SetBeforePost({});
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);  // nothing left pending
  EXPECT_EQ(edit.RecordCount(), c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveRetryTest,
    ::testing::Values(RetryCase{"TakenAtOnce", 0, MsgAnswer::Yes, false, true, 1},
                      RetryCase{"TakenOnTheLastTry", 99, MsgAnswer::Yes, false, true, 1},
                      RetryCase{"NeverTakenYesDiscards", 1000, MsgAnswer::Yes, true, true, 0},
                      RetryCase{"NeverTakenNoStays", 1000, MsgAnswer::No, true, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordSaverTest, AnExistingRecordStaysHeldWhenTheUserWillNotDiscard) {
  StoreRecord("Old", "memo");
  edit.First();
  edit.Edit();
  host.newRecord = false;
  saver.LoadFields(edit);
  E(kTitle).text = "New";
  edit.SetBeforePost([](dbase::Table&) { throw dbase::DatabaseError(dbase::ErrorReason::InUse, "locked"); });
  msgs.answers = {MsgAnswer::No};
  EXPECT_FALSE(saver.SaveCurrentRecord());
  EXPECT_EQ(edit.State(), dbase::EditState::Edit);
  edit.SetBeforePost({});
  edit.Cancel();
  edit.First();
  EXPECT_EQ(Stored(kTitle), "Old");
}

TEST_F(RecordSaverTest, AMemoTheTableCannotHoldIsReportedOnceAndNotRetried) {
  edit.Close();
  ASSERT_TRUE(WriteAll(QDir(Dir()).filePath("data.cpg"), "1252"));
  edit.Open();
  int posts = 0;
  edit.SetBeforePost([&](dbase::Table&) { ++posts; });
  E(kTitle).text = "Title";
  E(kAddress).text = "www.example.org";
  E(kNotes).text = QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC");
  msgs.answers = {MsgAnswer::Ok, MsgAnswer::Yes};
  EXPECT_TRUE(saver.SaveCurrentRecord());
  ASSERT_EQ(msgs.shown.size(), 2u);
  EXPECT_EQ(msgs.shown[0].text,
            "Corrupt Memo Field!!! You should delete record: www.example.org\n"
            "You may have to use Advanced/Maintenance/Repair Data File function.");
  EXPECT_EQ(msgs.shown[0].helpTopic, 62);
  EXPECT_EQ(msgs.shown[1].text, kCouldNotUpdate);
  EXPECT_EQ(posts, 0);
  edit.SetBeforePost({});
  EXPECT_EQ(edit.RecordCount(), 0u);
}

TEST_F(RecordSaverTest, ASavedRecordMovingToAnotherLetterTellsTheHost) {
  tables::Db().Index.Current().PrimaryField = kTitle + 1;
  StoreRecord("apple", "");
  edit.First();
  edit.Edit();
  host.newRecord = false;
  host.shownLetter = 'A';
  saver.LoadFields(edit);
  ASSERT_TRUE(saver.SaveCurrentRecord());  // same letter: nothing to tell
  EXPECT_TRUE(host.letterMoves.empty());

  E(kTitle).text = "banana";
  ASSERT_TRUE(saver.SaveCurrentRecord());
  EXPECT_EQ(host.letterMoves, (std::vector<std::pair<char, char>>{{'A', 'B'}}));

  // A new record counts from no letter; the copy buffer has none at all.
  host.newRecord = true;
  saver.ClearFields();
  E(kTitle).text = "cherry";
  ASSERT_TRUE(saver.SaveCurrentRecord());
  EXPECT_EQ(host.letterMoves.back(), std::make_pair('\0', 'C'));
  dbase::Table& buffer = tables::Db().CopyBuffer;
  buffer.First();
  ASSERT_TRUE(saver.SaveFields(buffer));
  EXPECT_EQ(host.letterMoves.size(), 2u);
  EXPECT_EQ(buffer.AsText(kTitle + 1), "cherry");
}

TEST_F(RecordSaverTest, AnUnattendedSaveAsksNothingAndLeavesAnUnfinishedValueAsStored) {
  StoreRecord("Stored", "");
  edit.First();
  edit.Edit();
  host.newRecord = false;
  saver.LoadFields(edit);
  E(kTitle).text = "Changed";
  E(kDate).date = QDate(2021, 2, 3);
  E(kDate).refuseUnattended = true;
  EXPECT_TRUE(saver.SaveCurrentRecordUnattended());
  edit.First();
  EXPECT_EQ(Stored(kTitle), "Changed");
  EXPECT_EQ(Stored(kDate), "");

  // A save that cannot succeed: left as stored, no question, and the host
  // hears it as saved so that nothing tries again.
  edit.Edit();
  edit.SetBeforePost([](dbase::Table&) { throw dbase::DatabaseError(dbase::ErrorReason::InUse, "locked"); });
  E(kTitle).text = "Lost";
  host.saved.reset();
  EXPECT_FALSE(saver.SaveCurrentRecordUnattended());
  EXPECT_EQ(host.saved, true);
  EXPECT_TRUE(msgs.shown.empty());
  edit.SetBeforePost({});
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);
  edit.First();
  EXPECT_EQ(Stored(kTitle), "Changed");
}

}  // namespace
}  // namespace quillary::test
