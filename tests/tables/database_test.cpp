// Opening a database: catalogue, copy buffer and data table from their
// templates, record numbering, the rescue of a broken table, the retries,
// and a second process holding the files.
#include <QFile>

#include "holder.h"
#include "shell/progress.h"
#include "tables/copy_buffer.h"
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

}  // namespace
}  // namespace quillary::tables
