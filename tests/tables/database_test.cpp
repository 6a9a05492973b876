// Opening a database: catalogue, copy buffer and data table from their
// templates, record numbering, the rescue of a broken table, the retries,
// and a second process holding the files.
#include <QFile>
#include <chrono>
#include <thread>

#include "holder.h"
#include "shell/date_formats.h"
#include "shell/progress.h"
#include "tables/copy_buffer.h"
#include "tables/exclusive_use.h"
#include "tables/table_utils.h"
#include "tables_fixture.h"

namespace quillary::tables {
namespace {

using test::ReadAll;
using test::TableHolder;

class DatabaseTest : public test::TablesTest {
 protected:
  double Counter(const std::string& file = "data.dbf") {
    dbase::Table& c = Db().Catalogue;
    EXPECT_TRUE(c.FindKey({{0, file}}));
    return c.AsNumber(3);
  }
  // A closed data table with `n` records titled "r1".."rn".
  void MakeDatabase(int n) {
    ASSERT_TRUE(OpenDatabase());
    for (int i = 1; i <= n; ++i) AddRecord("r" + std::to_string(i));
    CloseDatabase();
  }
  // Points the memo field `field` of the `index`-th physical record (0-based)
  // of the closed data table past the end of its memo file.
  void BreakMemo(int index, int field) {
    dbase::Table t(DbDir(), "data.dbf");
    t.Open();
    const int off = t.Field(field).offset;
    t.Close();
    QFile f(PathOf("data.dbf"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray head = f.read(12);
    const int headerSize = uint8_t(head[8]) | uint8_t(head[9]) << 8;
    const int recordSize = uint8_t(head[10]) | uint8_t(head[11]) << 8;
    f.seek(headerSize + index * recordSize + off);
    f.write("    999999");
  }
  std::map<QString, QByteArray> Snapshot() const {
    std::map<QString, QByteArray> m;
    for (const QString& f : Files()) m[f] = ReadAll(PathOf(f));
    return m;
  }
};

TEST_F(DatabaseTest, ADirectoryWithoutCatalogueGetsOneAndTheFirstRecordIsNumberTwo) {
  ASSERT_TRUE(OpenDatabase());
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  for (const char* f : {"master.dbf", "master.mdx", "copy.dbf", "data.dbf", "data.dbt", "data.mdx"})
    EXPECT_TRUE(Exists(f)) << f;
  EXPECT_EQ(Db().Catalogue.ActiveTag(), "IDX0");
  EXPECT_EQ(Db().Catalogue.AsText(1), "data.dbf");
  EXPECT_EQ(Counter(), 1);
  EXPECT_EQ(Db().CopyBuffer.RecordCount(), 1u);   // the buffer record
  EXPECT_EQ(Db().CopyBuffer.TagCount(), 0);       // made without tags
  EXPECT_EQ(Db().Data.ActiveTag(), "IDX0");       // entry order
  EXPECT_FALSE(Db().SuppressIndexMessage);

  AddRecord("first");
  EXPECT_EQ(Db().Data.AsNumber(0), 2);
  EXPECT_EQ(Counter(), 2);
  AddRecord("second");
  EXPECT_EQ(Db().Data.AsNumber(0), 3);

  // Field kinds and the position layout.
  EXPECT_TRUE(Db().Kinds.IsText(2));
  EXPECT_TRUE(Db().Kinds.IsMemo(16) && Db().Kinds.IsMemo(17));
  EXPECT_TRUE(Db().Kinds.IsPicture(11) && Db().Kinds.IsPicture(18));
  EXPECT_FALSE(Db().Kinds.IsText(9));
  EXPECT_FALSE(Db().Kinds.IsText(0) || Db().Kinds.IsText(1));  // system fields are not in the sets
  EXPECT_EQ(Db().Data.FieldCount(), 19);
  EXPECT_EQ(Db().Data.Field(1).width, 1);
  EXPECT_EQ(Db().Catalogue.Field(0).width >= 12 && Db().Catalogue.Field(2).width >= 250, true);

  // A text longer than the field is cut to 254 bytes on a character boundary.
  Db().Data.Edit();
  Db().Data.SetText(3, std::string(253, 'a') + "é");
  Db().Data.Post();
  EXPECT_EQ(Db().Data.AsText(3), std::string(253, 'a'));

  // Reopening finds the catalogue and its counter as left.
  CloseDatabase();
  ASSERT_TRUE(OpenDatabase());
  EXPECT_EQ(Counter(), 3);
  EXPECT_EQ(Db().Data.RecordCount(), 2u);
}

TEST_F(DatabaseTest, AnExistingCatalogueEntryIsKeptAndANewFileGetsItsOwn) {
  ASSERT_TRUE(OpenDatabase());
  StoreRecordCounter("data.dbf", 41);
  EnsureCatalogueEntry("data_1.dbf");
  EnsureCatalogueEntry("data_1.dbf");
  EXPECT_EQ(Db().Catalogue.RecordCount(), 2u);
  EXPECT_EQ(Counter("data_1.dbf"), 1);
  EXPECT_EQ(Counter("data.dbf"), 41);
  AddRecord("x");  // the catalogue cursor stands on the open table's entry
  EXPECT_EQ(Db().Data.AsNumber(0), 42);
}

class RecordingView : public ProgressView {
 public:
  void ShowWindow(const QString& c, bool) override { log << "show " + c; }
  void SetCaption(const QString& c) override { log << "caption " + c; }
  void PaintPercent(int p) override { percents.push_back(p); }
  void PaintCounter(const QString& t) override { log << t; }
  void HideWindow() override { log << "hide"; }
  QStringList log;
  std::vector<int> percents;
};

TEST_F(DatabaseTest, CopyRecordsRenumbersInSourceOrderAndCountsDamage) {
  MakeDatabase(0);
  ASSERT_TRUE(OpenDatabase());
  for (int i : {7, 3, 9, 12, 5}) {
    AddRecord("t" + std::to_string(i));
    Db().Data.Edit();
    Db().Data.SetNumber(0, i);
    Db().Data.SetText(16, "memo of " + std::to_string(i));
    Db().Data.Post();
  }
  CloseDatabase();
  // The memo of the fourth record points past the end of the memo file.
  {
    dbase::Table t(DbDir(), "data.dbf");
    t.Open();
    const int off = t.Field(16).offset;
    t.Close();
    QFile f(PathOf("data.dbf"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray head = f.read(12);
    const int headerSize = uint8_t(head[8]) | uint8_t(head[9]) << 8;
    const int recordSize = uint8_t(head[10]) | uint8_t(head[11]) << 8;
    f.seek(headerSize + 3 * recordSize + off);
    f.write("    999999");
  }
  ASSERT_TRUE(CreateTable("target.dbf", false));
  dbase::Table source(DbDir(), "data.dbf"), target(DbDir(), "target.dbf");
  source.Open();
  target.SetExclusive(true);
  target.Open();
  // The engine refuses the record titled "t9".
  target.SetBeforePost([](dbase::Table& t) {
    if (t.AsText(2) == "t9") throw dbase::DatabaseError(dbase::ErrorReason::Other, "refused");
  });
  RecordingView view;
  SetProgressView(&view);
  ProgressWindow progress("Backup Progress");
  progress.Show();
  CopyResult r = CopyRecords(source, target);
  progress.Hide();
  SetProgressView(nullptr);
  EXPECT_EQ(r.nextNumber, 5);  // four records kept
  EXPECT_EQ(r.damaged, 2);     // the refused one and the one with the broken memo
  EXPECT_FALSE(target.IsOpen());
  EXPECT_EQ(view.percents.back(), 100);
  EXPECT_EQ(view.log.first(), "show Backup Progress");

  target.SetExclusive(false);
  target.SetBeforePost(nullptr);
  target.Open();
  std::vector<std::pair<double, std::string>> got;
  for (target.First(); !target.Eof(); target.Next()) got.push_back({target.AsNumber(0), target.AsText(2)});
  std::vector<std::pair<double, std::string>> want = {{1, "t7"}, {2, "t3"}, {3, "t12"}, {4, "t5"}};
  EXPECT_EQ(got, want);
  target.GotoRecNo(3);
  EXPECT_EQ(target.AsText(16), "");  // the unreadable memo did not come along
  target.GotoRecNo(4);
  EXPECT_EQ(target.AsText(16), "memo of 5");
  target.Close();

  ASSERT_TRUE(OpenDatabase());
  StoreRecordCounter("target.dbf", r.nextNumber);
  EXPECT_EQ(Counter("target.dbf"), 5);  // N + 1
}

TEST_F(DatabaseTest, ADataFileWithoutItsMemoFileMovesToTheFirstFreeBadName) {
  MakeDatabase(3);
  test::WriteAll(PathOf("bad$$$.dbf"), "older rescue");
  const QByteArray oldData = ReadAll(PathOf("data.dbf"));
  ASSERT_TRUE(QFile::remove(PathOf("data.dbt")));

  ASSERT_TRUE(OpenDatabase());
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(msgs.shown[0].text,
            "Could not Open the database! A new database will be created. The original file (if existed) "
            "was renamed to BAD$$$1.DBF.");
  EXPECT_EQ(ReadAll(PathOf("bad$$$.dbf")), "older rescue");
  EXPECT_EQ(ReadAll(PathOf("bad$$$1.dbf")), oldData);
  EXPECT_TRUE(Exists("bad$$$1.mdx"));
  EXPECT_EQ(Db().Data.RecordCount(), 0u);
  EXPECT_TRUE(Exists("data.dbt"));
  EXPECT_EQ(Db().Data.ActiveTag(), "IDX0");

  // A first rescue is named as it always was.
  CloseDatabase();
  QFile::remove(PathOf("bad$$$.dbf"));
  QFile::remove(PathOf("bad$$$1.dbf"));
  QFile::remove(PathOf("bad$$$1.mdx"));
  QFile::remove(PathOf("bad$$$1.cpg"));
  test::WriteAll(PathOf("data.dbf"), "not a table at all, not even close to one");
  msgs.shown.clear();
  msgs.answers = {MsgAnswer::No};  // a damaged file keeps failing: the retries end in the question
  ASSERT_TRUE(OpenDatabase());
  EXPECT_EQ(msgs.Texts(), QStringList({"Cannot open the file: data.dbf\nRetry?",
                                       "Could not Open the database! A new database will be created. The "
                                       "original file (if existed) was renamed to BAD$$$.DBF."}));
  EXPECT_TRUE(Exists("bad$$$.dbf"));
}

TEST_F(DatabaseTest, AMissingIndexFileIsReplacedAndRebuilt) {
  MakeDatabase(3);
  ASSERT_TRUE(QFile::remove(PathOf("data.mdx")));
  ASSERT_TRUE(OpenDatabase());
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  EXPECT_EQ(Db().Data.RecordCount(), 3u);
  EXPECT_EQ(Db().Data.ActiveTag(), "IDX0");
  EXPECT_TRUE(Db().Data.CheckTags().empty());
}

TEST_F(DatabaseTest, TheRetryQuestionComesAfterTheEleventhFailureOfASharedOpen) {
  MakeDatabase(1);
  TableHolder holder(Dir(), "data.dbf", true);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  dbase::Table t;
  msgs.answers = {MsgAnswer::No};
  EXPECT_FALSE(OpenTable(t, "data.dbf", false));
  EXPECT_EQ(LastOpenFailures(), 11);  // the question comes after the eleventh failure, not before
  EXPECT_EQ(msgs.shown.size(), 1u);
  msgs.shown.clear();
  msgs.answers = {MsgAnswer::Yes, MsgAnswer::No};
  EXPECT_FALSE(OpenTable(t, "data.dbf", false));
  EXPECT_EQ(LastOpenFailures(), 12);  // question after 11, Yes, one more failure, No
  ASSERT_EQ(msgs.shown.size(), 2u);
  EXPECT_EQ(msgs.shown[0].text, "Cannot open the file: data.dbf\nRetry?");
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(msgs.shown[0].buttons, MsgButtons::YesNo);

  // An exclusive open gives up after the same failures, without asking.
  msgs.shown.clear();
  EXPECT_FALSE(OpenTable(t, "data.dbf", true));
  EXPECT_EQ(LastOpenFailures(), 11);
  EXPECT_TRUE(msgs.shown.empty());

  // A missing file fails at once and silently.
  EXPECT_FALSE(OpenTable(t, "nothing.dbf", false));
  EXPECT_EQ(LastOpenFailures(), 0);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(DatabaseTest, FilesHeldByAnotherProcessAreNeverReplacedOrMoved) {
  MakeDatabase(2);
  struct Case {
    const char* file;
    QStringList texts;
  };
  const std::vector<Case> cases = {
      {"master.dbf", {"Cannot open the file: master.dbf\nRetry?", "Could not Open the Master.dbf file!"}},
      {"copy.dbf", {"Cannot open the file: copy.dbf\nRetry?", "Could not Open the Copy/Paste file!"}},
      {"data.dbf", {"Cannot open the file: data.dbf\nRetry?"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const auto before = Snapshot();
    TableHolder holder(Dir(), c.file, true);
    ASSERT_TRUE(holder.ready()) << holder.reply();
    msgs.shown.clear();
    msgs.answers = {MsgAnswer::No};
    EXPECT_FALSE(OpenDatabase());
    CloseDatabase();
    EXPECT_EQ(msgs.Texts(), c.texts);
    EXPECT_EQ(Snapshot(), before);
    for (const QString& f : Files()) EXPECT_FALSE(f.startsWith("bad$$$")) << f.toStdString();
  }
}

TEST_F(DatabaseTest, ATableAnotherProcessHasOpenIsNotCreatedOver) {
  MakeDatabase(2);
  const auto before = Snapshot();
  TableHolder holder(Dir(), "data.dbf", false);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  try {
    CreateTable("data.dbf", true);
    ADD_FAILURE() << "created over a table in use";
  } catch (const dbase::DatabaseError& e) {
    EXPECT_TRUE(e.IsLockConflict()) << e.what();
  }
  dbase::Table t(DbDir(), "data.dbf");
  DeleteTableQuietly(t);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DatabaseTest, PositionsCopyAndPaste) {
  ASSERT_TRUE(OpenDatabase());
  for (const char* t : {"apple", "berry", "cherry"}) AddRecord(t);
  dbase::Table& d = Db().Data;
  EXPECT_EQ(RecordCount(d), 3u);
  ASSERT_TRUE(GotoPosition(d, 1));
  EXPECT_EQ(d.AsText(2), "berry");
  ASSERT_TRUE(GotoPosition(d, 3));
  EXPECT_TRUE(d.Eof());
  ASSERT_TRUE(GotoPosition(d, 10));
  EXPECT_TRUE(d.Eof());

  // Nothing copied yet in this run: pasting does nothing.
  PasteFromBuffer(3);
  EXPECT_EQ(RecordCount(d), 3u);
  CopyToBuffer(3);
  EXPECT_EQ(msgs.Texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_FALSE(Db().CopyBufferFilled);

  GotoPosition(d, 1);
  d.Edit();
  d.SetText(7, "b@example.org");
  d.SetText(17, "a note");
  d.Post();
  CopyToBuffer(1);
  EXPECT_TRUE(Db().CopyBufferFilled);
  EXPECT_EQ(Db().CopyBuffer.AsText(2), "berry");
  EXPECT_EQ(Db().CopyBuffer.AsText(0), "");  // system fields stay out of the buffer
  PasteFromBuffer(3);  // at the end: a new record with the next number
  EXPECT_EQ(RecordCount(d), 4u);
  GotoPosition(d, 3);
  EXPECT_EQ(d.AsText(2), "berry");
  EXPECT_EQ(d.AsText(7), "b@example.org");
  EXPECT_EQ(d.AsText(17), "a note");
  EXPECT_EQ(d.AsNumber(0), 5);
  PasteFromBuffer(0);  // over an existing record: its number stays
  GotoPosition(d, 0);
  EXPECT_EQ(d.AsText(2), "berry");
  EXPECT_EQ(d.AsNumber(0), 2);
  EXPECT_EQ(RecordCount(d), 4u);
}

TEST_F(DatabaseTest, RecordMenuCaptions) {
  ASSERT_TRUE(OpenDatabase());
  Opt().DateFormats = {{"1", 8}};  // the date field is form field 8 (position 9)
  dbase::Table& d = Db().Data;
  AddRecord(std::string(60, 'T'));
  d.Edit();
  d.SetText(3, "http://example.org/");
  d.SetDate(9, dbase::Date{std::chrono::year(2024), std::chrono::month(3), std::chrono::day(7)});
  d.SetText(16, "first line\r\nsecond line");
  d.SetBytes(18, "GIF89a");
  d.Post();
  QStringList c = RecordMenuCaptions(d);
  ASSERT_EQ(c.size(), 17);
  EXPECT_EQ(c[0], QString(50, 'T'));
  EXPECT_EQ(c[1], "http://example.org/");
  EXPECT_EQ(c[7], "07" + DateSeparator() + "03" + DateSeparator() + "2024");
  EXPECT_EQ(c[9], "<PICTURE> - Empty");
  EXPECT_EQ(c[14], "first line");
  EXPECT_EQ(c[15], "");
  EXPECT_EQ(c[16], "<PICTURE> - Not Empty");
  EXPECT_TRUE(msgs.shown.empty());
  int n = 0;
  FillRecordMenu(d, [&](const QString&) { ++n; });
  EXPECT_EQ(n, 17);
}

TEST_F(DatabaseTest, ExclusiveUtilitiesReportAnotherUser) {
  MakeDatabase(3);
  ASSERT_TRUE(OpenDatabase());
  dbase::Table& d = Db().Data;
  d.First();
  d.Delete();
  EXPECT_EQ(RecordCount(d), 2u);
  {
    TableHolder holder(Dir(), "data.dbf", false);
    ASSERT_TRUE(holder.ready());
    EXPECT_FALSE(PackTable(d, true));
    EXPECT_FALSE(RegenerateIndexes(d));
    EXPECT_EQ(msgs.Texts(), QStringList({text::kExclusiveFailed, text::kExclusiveFailed}));
    EXPECT_EQ(msgs.shown[0].text,
              "Function Failed!\nDatabase may be used by someone else - this function requires Exclusive "
              "Database Use.");
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.ActiveTag(), "IDX0");
  }
  EXPECT_TRUE(PackTable(d, true));
  EXPECT_TRUE(d.IsOpen());
  EXPECT_FALSE(d.Exclusive());
  EXPECT_EQ(d.PhysicalRecordCount(), 2u);
  EXPECT_TRUE(RegenerateIndexes(d));
  EXPECT_TRUE(EmptyTable(d));
  EXPECT_EQ(RecordCount(d), 0u);
  EXPECT_TRUE(d.IsOpen());
  DeleteTableQuietly(d);
  EXPECT_FALSE(Exists("data.dbf"));
  EXPECT_FALSE(Exists("data.dbt"));
  DeleteTableQuietly(d);  // already gone: quiet
}

TEST_F(DatabaseTest, ExclusiveUsePutsBackModeTagRangeAndOpenState) {
  MakeDatabase(3);  // numbered 2, 3, 4
  ASSERT_TRUE(OpenDatabase());
  dbase::Table& d = Db().Data;
  ASSERT_EQ(d.ActiveTag(), "IDX0");
  d.SetRangeStart({{kRecordNumberField, "2"}});
  d.SetRangeEnd({{kRecordNumberField, "3"}});
  d.ApplyRange();
  ASSERT_EQ(d.RecordCount(), 2u);
  {
    ExclusiveUse use(d);
    EXPECT_FALSE(d.IsOpen());
    ASSERT_TRUE(use.OpenRetrying());
    EXPECT_TRUE(d.Exclusive());
    EXPECT_EQ(d.ActiveTag(), "");
    EXPECT_EQ(d.RecordCount(), 3u);
    TableHolder other(Dir(), "data.dbf", false);
    EXPECT_FALSE(other.ready()) << other.reply();
  }
  EXPECT_TRUE(d.IsOpen());
  EXPECT_FALSE(d.Exclusive());
  EXPECT_EQ(d.ActiveTag(), "IDX0");
  EXPECT_TRUE(d.HasRange());
  EXPECT_EQ(d.RecordCount(), 2u);
  EXPECT_EQ(d.AsNumber(kRecordNumberField), 2);

  // Work that fails puts the table back all the same.
  try {
    ExclusiveUse use(d);
    use.Open();
    throw std::runtime_error("the work failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(d.IsOpen());
  EXPECT_FALSE(d.Exclusive());
  EXPECT_EQ(d.RecordCount(), 2u);

  // A closed table in exclusive mode stays closed and exclusive; one left
  // closed on purpose keeps its mode and tag for the next open.
  d.Close();
  d.SetExclusive(true);
  {
    ExclusiveUse use(d);
    use.Open();
    d.RebuildTags();
  }
  EXPECT_FALSE(d.IsOpen());
  EXPECT_TRUE(d.Exclusive());
  EXPECT_EQ(d.ActiveTag(), "IDX0");
  d.SetExclusive(false);
  d.Open();
  {
    ExclusiveUse use(d);
    use.LeaveClosed();
    use.Open();
  }
  EXPECT_FALSE(d.IsOpen());
  EXPECT_FALSE(d.Exclusive());
  EXPECT_EQ(d.ActiveTag(), "IDX0");
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
}

TEST_F(DatabaseTest, NumbersForAnotherCursorAndACounterAnotherUserIsUpdating) {
  ASSERT_TRUE(OpenDatabase());
  AddRecord("first");
  EXPECT_EQ(Db().Data.AsNumber(0), 2);

  // A second cursor over the data table numbers from the same counter.
  dbase::Table other(DbDir(), "data.dbf");
  other.SetAfterInsert([](dbase::Table& t) { AssignRecordNumber(t); });
  other.Open();
  other.Append();
  other.SetText(2, "through another cursor");
  other.Post();
  EXPECT_EQ(other.AsNumber(0), 3);
  other.Close();

  // Another user in the middle of updating the counter: the number waits.
  {
    TableHolder holder(Dir(), "master.dbf", "edit");
    ASSERT_TRUE(holder.ready()) << holder.reply();
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      holder.Release();
    });
    AddRecord("while the counter was held");
    release.join();
    EXPECT_EQ(Db().Data.AsNumber(0), 4);
  }
  // Held for good: the record goes in unnumbered and the counter is untouched.
  {
    TableHolder holder(Dir(), "master.dbf", "edit");
    ASSERT_TRUE(holder.ready()) << holder.reply();
    AddRecord("unnumbered");
    EXPECT_TRUE(Db().Data.IsEmpty(0));
  }
  EXPECT_EQ(Counter(), 4);
  AddRecord("after");
  EXPECT_EQ(Db().Data.AsNumber(0), 5);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(DatabaseTest, TheShippedTemplates) {
  struct Tag {
    std::string name, expression;
    int options;
  };
  struct Case {
    const char* file;
    std::vector<Tag> tags;
    bool memo;
  };
  const std::vector<Case> cases = {
      {"data.dbf", {{"IDX0", "STR(RECNUM, 20, 4)", 16}, {"IDX1", "MARK+STR(RECNUM, 20, 4)", 16}}, true},
      {"master.dbf", {{"IDX0", "FILENAME", 0}}, false},
      {"list.dbf", {{"IDX", "SUBSTR(ITEM, 1, 100)", 16}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // Looked at in a copy: the shipped files are never opened for writing.
    dbase::CopyTable(TemplateDir(), c.file, DbDir(), c.file, true);
    dbase::Table t(DbDir(), c.file);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0u);
    std::vector<std::tuple<std::string, std::string, int>> got, want;
    for (int i = 0; i < t.TagCount(); ++i) got.emplace_back(t.TagName(i), t.TagExpression(i), t.TagOptions(i));
    for (const Tag& g : c.tags) want.emplace_back(g.name, g.expression, g.options);
    EXPECT_EQ(got, want);
    EXPECT_EQ(Exists(QString(c.file).replace(".dbf", ".dbt")), c.memo);
    t.Close();
  }

  // The record table by position.
  dbase::Table d(DbDir(), "data.dbf");
  d.Open();
  ASSERT_EQ(d.FieldCount(), kRecordFieldCount);
  const std::string kinds = "NTTTTTTTTDTPTTTTMMP";  // Numeric Text Date Picture Memo
  for (int i = 0; i < d.FieldCount(); ++i) {
    SCOPED_TRACE(i);
    const Kind k = KindOf(d.Field(i));
    const char want = kinds[size_t(i)];
    EXPECT_EQ(k, want == 'N'   ? Kind::Numeric
                 : want == 'T' ? Kind::Text
                 : want == 'D' ? Kind::Date
                 : want == 'M' ? Kind::Memo
                               : Kind::Picture);
    if (want == 'T') {
      EXPECT_EQ(d.Field(i).width, i == kFilterMarkField ? 1 : 254);
    }
  }
  d.Close();
  dbase::Table m(DbDir(), "master.dbf");
  m.Open();
  ASSERT_EQ(m.FieldCount(), 4);
  EXPECT_GE(m.Field(0).width, 12);
  EXPECT_GE(m.Field(2).width, 250);
  EXPECT_EQ(KindOf(m.Field(3)), Kind::Numeric);
}

TEST_F(DatabaseTest, FloatDecimalsComeFromTheFieldDescriptors) {
  ASSERT_TRUE(OpenDatabase());
  EXPECT_EQ(Db().Decimals, std::vector<int>(size_t(kRecordFieldCount), 0));
  dbase::Table::Create(DbDir(), "amounts.dbf",
                       {{"NAME", 'C', 10, 0}, {"PRICE", 'N', 12, 2}, {"RATE", 'F', 10, 3}, {"D", 'D', 8, 0}});
  dbase::Table t(DbDir(), "amounts.dbf");
  EXPECT_TRUE(FloatDecimals(t).empty());  // closed
  t.Open();
  EXPECT_EQ(FloatDecimals(t), (std::vector<int>{0, 2, 3, 0}));
}

TEST_F(DatabaseTest, ACorruptMemoInTheRecordMenu) {
  MakeDatabase(0);
  ASSERT_TRUE(OpenDatabase());
  AddRecord("Broken one");
  Db().Data.Edit();
  Db().Data.SetText(17, "notes");
  Db().Data.Post();
  CloseDatabase();
  BreakMemo(0, 17);
  ASSERT_TRUE(OpenDatabase());
  Db().Data.First();
  QStringList c = RecordMenuCaptions(Db().Data);
  ASSERT_EQ(c.size(), 17);
  EXPECT_EQ(c[0], "Broken one");
  EXPECT_EQ(c[15], "");
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text, "Corrupt Memo Field!!! You should delete record: \nBroken one");
}

TEST_F(DatabaseTest, SwitchingDatabasesSavesTheSortBesideTheClosedTable) {
  ASSERT_TRUE(OpenDatabase());
  AddRecord("in data");
  int saves = 0;
  Db().SaveFilterConditions = [&] { ++saves; };
  Db().Index.Current() = SortSetting{2, 1, 0, 0};
  ASSERT_TRUE(Db().Index.ApplySort());
  Db().Index.SetFilterState(FilterState::fsNormal);

  ASSERT_TRUE(SwitchDatabase(Dir(), "data_1.dbf"));
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(ReadAll(PathOf("data.idx")), QByteArray("\x02\x01\x00\x00", 4));
  EXPECT_EQ(Opt().CurrentDbFile, "data_1.dbf");
  EXPECT_EQ(Db().Data.FileName(), "data_1.dbf");
  EXPECT_FALSE(Db().Index.FilterActive);
  EXPECT_EQ(Db().Index.Current(), SortSetting{});  // no sort file yet: entry order
  EXPECT_EQ(Db().Data.ActiveTag(), "IDX0");
  EXPECT_EQ(Db().Data.RecordCount(), 0u);
  EXPECT_EQ(Counter("data_1.dbf"), 1);
  AddRecord("in data_1");
  EXPECT_EQ(Db().Data.AsNumber(0), 2);  // numbered from its own counter
  EXPECT_EQ(Counter("data.dbf"), 2);

  ASSERT_TRUE(SwitchDatabase(Dir(), "data.dbf"));
  EXPECT_EQ(ReadAll(PathOf("data_1.idx")), QByteArray(4, '\0'));
  EXPECT_EQ(Db().Index.Current(), (SortSetting{2, 1, 0, 0}));
  EXPECT_EQ(Db().Data.ActiveTag(), "IDX2");
  Db().Data.First();
  EXPECT_EQ(Db().Data.AsText(2), "in data");
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
}

TEST_F(DatabaseTest, AnIndexFileReplacedFromItsTemplate) {
  ASSERT_TRUE(OpenDatabase());
  CloseDatabase();
  ASSERT_TRUE(CreateTable("data_1.dbf", true));
  ASSERT_TRUE(CreateTable("list1.dbf", true));
  struct Case {
    const char* file;
    int textField;
    std::vector<std::string> tags;
  };
  const std::vector<Case> cases = {
      {"data.dbf", 2, {"IDX0", "IDX1"}},
      {"data_1.dbf", 2, {"IDX0", "IDX1"}},
      {"master.dbf", 0, {"IDX0"}},
      {"list1.dbf", 0, {"IDX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const QString mdx = QString(c.file).replace(".dbf", ".mdx");
    uint64_t records = 0;
    {
      dbase::Table t(DbDir(), c.file);
      t.Open();
      t.Append();
      t.SetText(c.textField, "kept");
      t.Post();
      records = t.RecordCount();
      t.Close();
    }
    for (const QByteArray& broken : {QByteArray(), QByteArray(2048, '\x5a')}) {
      if (broken.isEmpty()) ASSERT_TRUE(QFile::remove(PathOf(mdx)));
      else ASSERT_TRUE(test::WriteAll(PathOf(mdx), broken));
      dbase::Table t(DbDir(), c.file);
      ASSERT_TRUE(OpenWithIndexRepair(t, true));
      std::vector<std::string> tags;
      for (int i = 0; i < t.TagCount(); ++i) tags.push_back(t.TagName(i));
      EXPECT_EQ(tags, c.tags);
      EXPECT_EQ(t.RecordCount(), records);
      EXPECT_TRUE(t.CheckTags().empty());
      EXPECT_TRUE(OpenWithIndexRepair(t, true));  // open already: at once
    }
  }
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
}

TEST_F(DatabaseTest, ADamagedCatalogueOrCopyBufferIsMovedAsideNotOverwritten) {
  MakeDatabase(2);
  for (const char* file : {"master.dbf", "copy.dbf"}) {
    SCOPED_TRACE(file);
    for (const QString& f : Files())
      if (f.startsWith("bad$$$")) QFile::remove(PathOf(f));
    test::WriteAll(PathOf("bad$$$.dbf"), "an older rescue");
    const QByteArray garbage = "this catalogue was scribbled over by something";
    ASSERT_TRUE(test::WriteAll(PathOf(file), garbage));
    msgs.shown.clear();
    msgs.answers = {MsgAnswer::No};
    ASSERT_TRUE(OpenDatabase());
    EXPECT_EQ(msgs.Texts(), QStringList{"Cannot open the file: " + QString(file) + "\nRetry?"});
    EXPECT_EQ(ReadAll(PathOf("bad$$$.dbf")), "an older rescue");
    EXPECT_EQ(ReadAll(PathOf("bad$$$1.dbf")), garbage);
    EXPECT_EQ(Db().Data.RecordCount(), 2u);  // the data table is not touched
    EXPECT_EQ(Db().CopyBuffer.RecordCount(), 1u);
    EXPECT_EQ(Db().Catalogue.ActiveTag(), "IDX0");
    CloseDatabase();
  }
}

TEST_F(DatabaseTest, AMissingMemoFileOfATableAnotherProcessHoldsMovesNothing) {
  MakeDatabase(2);
  TableHolder holder(Dir(), "data.dbf", true);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  ASSERT_TRUE(QFile::remove(PathOf("data.dbt")));
  const auto before = Snapshot();
  EXPECT_FALSE(OpenDatabase());
  CloseDatabase();
  EXPECT_EQ(msgs.Texts(), QStringList{"Could not Open the new database!"});
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DatabaseTest, ASortThatCannotBeBuiltAtStartIsQuiet) {
  MakeDatabase(1);
  test::WriteAll(PathOf("data.idx"), QByteArray("\x03\x00\x00\x00", 4));  // no tag on the address yet
  TableHolder holder(Dir(), "data.dbf", false);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  Db().Reset();  // a new run
  ASSERT_TRUE(OpenDatabase());
  EXPECT_TRUE(msgs.shown.empty()) << msgs.Texts().join("|").toStdString();
  EXPECT_EQ(Db().Index.Current(), SortSetting{});
  EXPECT_TRUE(Db().Data.IsOpen());
  EXPECT_FALSE(Db().Data.Exclusive());
  EXPECT_EQ(Db().Data.RecordCount(), 1u);
  EXPECT_FALSE(Db().SuppressIndexMessage);
}

}  // namespace
}  // namespace quillary::tables
