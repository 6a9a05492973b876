// The table object over files it creates itself: every field type, text in
// and out of the code page, navigation over deleted records, edit states
// and notifications, and the whole-table operations with their companions.
#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>

#include "platform/dbase/table.h"
#include "dbase_test_util.h"

namespace quillary::dbase {
namespace {

using test::ScratchDir;
using namespace std::chrono;

std::vector<FieldDef> SmallFields() {
  return {{"ID", 'N', 6, 0}, {"NAME", 'C', 10, 0}, {"PRICE", 'N', 9, 2}, {"RATE", 'F', 12, 4},
          {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}, {"PIC", 'B', 10, 0}};
}

void AddRow(Table& t, int id, const std::string& name) {
  t.Append();
  t.SetNumber(0, id);
  t.SetText(1, name);
  t.Post();
}

std::vector<int> Ids(Table& t) {
  std::vector<int> ids;
  for (t.First(); !t.Eof(); t.Next()) ids.push_back(int(t.AsNumber(0)));
  return ids;
}

TEST(Table, EveryFieldTypeRoundTripsThroughReopen) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  const std::string blob("\x00\x01\xff\x1a\x1f picture", 14);
  const std::string big_memo(70000, 'x');
  {
    Table t(dir.path(), "t.dbf");
    t.Open();
    EXPECT_EQ(t.TableCodePage(), CodePage::Utf8);
    EXPECT_EQ(t.Version(), 0x8B);
    t.Append();
    t.SetNumber(0, 42);
    t.SetText(1, "Grüße");
    t.SetNumber(2, -12.345);
    t.SetNumber(3, 3.25);
    t.SetDate(4, year_month_day{year(1999), month(12), day(31)});
    t.SetText(5, "T");
    t.SetText(6, "line 1\r\nline 2 äöü");
    t.SetBytes(7, blob);
    t.Post();
    t.Append();
    t.SetText(6, big_memo);
    t.Post();
    t.Append();
    t.Post();  // all empty
  }
  Table t(dir.path(), "t.dbf");
  t.Open();
  ASSERT_EQ(t.RecordCount(), 3u);
  t.First();
  EXPECT_EQ(t.AsNumber(0), 42);
  EXPECT_EQ(t.AsText(1), "Grüße");
  EXPECT_EQ(t.AsText(2), "-12.35");  // rounded to the field's decimals
  EXPECT_DOUBLE_EQ(t.AsNumber(3), 3.25);
  EXPECT_EQ(t.AsText(4), "19991231");
  EXPECT_EQ(*t.AsDate(4), (year_month_day{year(1999), month(12), day(31)}));
  EXPECT_EQ(t.AsText(5), "T");
  EXPECT_EQ(t.AsText(6), "line 1\r\nline 2 äöü");
  EXPECT_EQ(t.AsBytes(7), blob);
  EXPECT_FALSE(t.IsEmpty(7));
  t.Next();
  EXPECT_EQ(t.AsText(6), big_memo);
  t.Next();
  for (int f = 0; f < t.FieldCount(); ++f) EXPECT_TRUE(t.IsEmpty(f)) << f;
  EXPECT_FALSE(t.AsDate(4).has_value());
  EXPECT_EQ(t.AsText(6), "");
  EXPECT_EQ(t.AsNumber(0), 0);
  EXPECT_EQ(t.Field(6).kind, FieldKind::Memo);
  EXPECT_EQ(t.Field(7).kind, FieldKind::LargeObject);
  EXPECT_EQ(t.Field(4).kind, FieldKind::Date);
  EXPECT_EQ(t.Field(2).kind, FieldKind::Numeric);
  EXPECT_EQ(t.Field(2).decimals, 2);
  EXPECT_EQ(t.Field(1).width, 10);
}

TEST(Table, CreatedTableIsUtf8WithCpgAndNoLanguageDriver) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  EXPECT_EQ(test::ReadFile(dir / "t.cpg"), "UTF-8");
  std::string dbf = test::ReadFile(dir / "t.dbf");
  ASSERT_GT(dbf.size(), 32u);
  EXPECT_EQ(dbf[29], 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "t.dbt"));
}

TEST(Table, TextIsCutOnACharacterBoundary) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", {{"NAME", 'C', 5, 0}});
  Table t(dir.path(), "t.dbf");
  t.Open();
  struct Case {
    std::string in, out;
  } cases[] = {{"abcdefg", "abcde"}, {"abcdé", "abcd"}, {"ééé", "éé"}, {"a€b", "a€b"}, {"€€", "€"}};
  for (const auto& c : cases) {
    t.Append();
    t.SetText(0, c.in);
    EXPECT_EQ(t.AsText(0), c.out) << c.in;
    t.Post();
  }
}

TEST(Table, CharacterOutsideTheCodePageIsAValueError) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", {{"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}});
  test::WriteFile(dir / "t.cpg", "1252");
  Table t(dir.path(), "t.dbf");
  t.Open();
  EXPECT_EQ(t.TableCodePage(), CodePage::Windows1252);
  t.Append();
  t.SetText(0, "Müller €");
  EXPECT_THROW(t.SetText(0, "Ωmega"), ValueError);
  EXPECT_THROW(t.SetText(1, "Привет"), ValueError);
  t.Post();
  t.First();
  EXPECT_EQ(t.AsText(0), "Müller €");
  std::string raw(reinterpret_cast<const char*>(t.CurrentRecordBytes().data()) + 1, 8);
  EXPECT_EQ(raw, "M\xfcller \x80");
}

TEST(Table, NumbersTooWideOrUnreadableAreValueErrors) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", {{"N", 'N', 4, 1}, {"D", 'D', 8, 0}});
  Table t(dir.path(), "t.dbf");
  t.Open();
  t.Append();
  t.SetNumber(0, 99.9);
  EXPECT_EQ(t.AsText(0), "99.9");
  EXPECT_THROW(t.SetNumber(0, 100.0), ValueError);
  EXPECT_THROW(t.SetText(0, "12x"), ValueError);
  EXPECT_THROW(t.SetText(1, "2023-02-30"), ValueError);
  t.SetText(1, "2023-02-28");
  EXPECT_EQ(t.AsText(1), "20230228");
  t.SetNumber(0, -0.01);
  EXPECT_EQ(t.AsText(0), "0.0");
}

TEST(Table, NavigationSkipsDeletedRecordsEverywhere) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table t(dir.path(), "t.dbf");
  t.Open();
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecordCount(), 0u);
  for (int i = 1; i <= 6; ++i) AddRow(t, i, "r" + std::to_string(i));
  // Delete the first, a middle one and the last.
  for (int id : {1, 4, 6}) {
    t.First();
    while (int(t.AsNumber(0)) != id) t.Next();
    t.Delete();
  }
  EXPECT_EQ(Ids(t), (std::vector<int>{2, 3, 5}));
  EXPECT_EQ(t.RecordCount(), 3u);
  EXPECT_EQ(t.PhysicalRecordCount(), 6u);
  t.Last();
  EXPECT_EQ(t.AsNumber(0), 5);
  EXPECT_TRUE(t.Eof());
  t.Prior();
  EXPECT_EQ(t.AsNumber(0), 3);
  t.Prior();
  EXPECT_EQ(t.AsNumber(0), 2);
  t.Prior();
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.AsNumber(0), 2);
  t.First();
  EXPECT_EQ(t.MoveBy(5), 2);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.AsNumber(0), 5);
  EXPECT_EQ(t.MoveBy(-1), -1);
  EXPECT_EQ(t.AsNumber(0), 3);
  // Deleting the last visible record moves to the one before it.
  t.Last();
  t.Delete();
  EXPECT_EQ(t.AsNumber(0), 3);
  t.First();
  t.Delete();
  t.Delete();
  EXPECT_FALSE(t.HasRecord());
  EXPECT_TRUE(t.Eof() && t.Bof());
  EXPECT_EQ(t.RecordCount(), 0u);
  // Reopen: still nothing visible, but the records are in the file.
  t.Close();
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0u);
  EXPECT_EQ(t.PhysicalRecordCount(), 6u);
  t.Pack();
  EXPECT_EQ(t.PhysicalRecordCount(), 0u);
}

TEST(Table, BookmarksAndOtherCursors) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table t(dir.path(), "t.dbf");
  t.Open();
  for (int i = 1; i <= 5; ++i) AddRow(t, i, "r");
  t.First();
  t.MoveBy(2);
  Bookmark b = t.GetBookmark();
  t.Last();
  t.GotoBookmark(b);
  EXPECT_EQ(t.AsNumber(0), 3);
  Table other(dir.path(), "t.dbf");
  other.Open();
  other.GotoCurrent(t);
  EXPECT_EQ(other.AsNumber(0), 3);
  t.Delete();
  EXPECT_THROW(other.GotoBookmark(b), DatabaseError);
  try {
    other.GotoBookmark(b);
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::NotFound);
  }
}

TEST(Table, EditPostCancelAndMovingOffPosts) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table t(dir.path(), "t.dbf");
  t.Open();
  AddRow(t, 1, "one");
  AddRow(t, 2, "two");
  t.First();
  t.Edit();
  t.SetText(1, "changed");
  t.SetText(6, "memo text");
  t.Cancel();
  EXPECT_EQ(t.AsText(1), "one");
  EXPECT_EQ(t.AsText(6), "");
  t.Edit();
  t.SetText(1, "uno");
  t.Next();  // posts
  EXPECT_EQ(t.State(), EditState::Browse);
  t.First();
  EXPECT_EQ(t.AsText(1), "uno");
  // Cancel of an append goes back where it was.
  t.Next();
  t.Append();
  t.SetText(1, "never");
  t.Cancel();
  EXPECT_EQ(t.AsNumber(0), 2);
  EXPECT_EQ(t.RecordCount(), 2u);
  // Changing a memo keeps the other memo of the record.
  t.Edit();
  t.SetText(6, "first");
  t.SetBytes(7, "bin");
  t.Post();
  t.Edit();
  t.SetText(6, "second");
  t.Post();
  t.Close();
  t.Open();
  t.Last();
  EXPECT_EQ(t.AsText(6), "second");
  EXPECT_EQ(t.AsBytes(7), "bin");
  t.Edit();
  t.Clear(7);
  t.Post();
  EXPECT_TRUE(t.IsEmpty(7));
}

TEST(Table, NotificationsRunInsidePostAndAppend) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table t(dir.path(), "t.dbf");
  t.Open();
  int next_id = 100;
  std::vector<std::string> calls;
  t.SetAfterInsert([&](Table& tb) {
    calls.push_back("after-insert");
    if (tb.IsEmpty(0)) tb.SetNumber(0, ++next_id);
  });
  t.SetBeforePost([&](Table& tb) {
    calls.push_back("before-post");
    tb.SetText(1, "marked");
  });
  t.Append();
  EXPECT_EQ(t.AsNumber(0), 101);
  t.Post();
  EXPECT_EQ(calls, (std::vector<std::string>{"after-insert", "before-post"}));
  t.First();
  EXPECT_EQ(t.AsText(1), "marked");
  // A before-post that throws leaves the record unposted and in edit.
  t.SetBeforePost([](Table&) { throw ValueError("refused"); });
  t.Append();
  EXPECT_THROW(t.Post(), ValueError);
  EXPECT_EQ(t.State(), EditState::Insert);
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 1u);
}

TEST(Table, CopyFieldCarriesMemosAndBlobsWholeAcrossCodePages) {
  ScratchDir dir;
  Table::Create(dir.path(), "a.dbf", SmallFields());
  Table::Create(dir.path(), "b.dbf", SmallFields());
  test::WriteFile(dir / "b.cpg", "1252");
  Table a(dir.path(), "a.dbf"), b(dir.path(), "b.dbf");
  a.Open();
  b.Open();
  std::string blob(5000, '\0');
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = char(i * 7);
  a.Append();
  a.SetNumber(0, 7);
  a.SetText(1, "Käse");
  a.SetNumber(2, 1.5);
  a.SetDate(4, year_month_day{year(2020), month(2), day(29)});
  a.SetText(5, "F");
  a.SetText(6, std::string(3000, 'm') + "ü");
  a.SetBytes(7, blob);
  a.Post();
  b.Append();
  for (int f = 0; f < a.FieldCount(); ++f) b.CopyField(f, a, f);
  b.Post();
  b.First();
  for (int f = 0; f < a.FieldCount(); ++f) EXPECT_EQ(b.AsText(f), a.AsText(f)) << f;
  EXPECT_EQ(b.AsBytes(7), blob);
}

TEST(Table, TwoObjectsOfOneProcessAreSeparateUsers) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table a(dir.path(), "t.dbf"), b(dir.path(), "t.dbf"), x(dir.path(), "t.dbf");
  a.Open();
  b.Open();
  x.SetExclusive(true);
  try {
    x.Open();
    FAIL() << "exclusive open while others have it open";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::InUse);
  }
  AddRow(a, 1, "one");
  EXPECT_EQ(b.RecordCount(), 1u);  // seen without reopening
  b.First();
  EXPECT_EQ(b.AsText(1), "one");
  a.First();
  a.Edit();
  try {
    b.Edit();
    FAIL() << "second edit of a locked record";
  } catch (const DatabaseError& e) {
    EXPECT_TRUE(e.IsLockConflict());
  }
  EXPECT_THROW(b.Delete(), DatabaseError);
  a.SetText(1, "uno");
  a.Post();
  b.First();
  EXPECT_EQ(b.AsText(1), "uno");
  b.Edit();  // free again
  b.Cancel();
  // Closing one object keeps the other's locks.
  a.Close();
  EXPECT_THROW(x.Open(), DatabaseError);
  b.Close();
  x.Open();
  Table y(dir.path(), "t.dbf");
  EXPECT_THROW(y.Open(), DatabaseError);
  EXPECT_THROW(DeleteTable(dir.path(), "t.dbf"), DatabaseError);
  x.Close();
  y.Open();
  EXPECT_THROW(RenameTable(dir.path(), "t.dbf", "u.dbf"), DatabaseError);
  EXPECT_THROW(CopyTable(dir.path(), "s.dbf", dir.path(), "t.dbf", true), DatabaseError);
  Table::Create(dir.path(), "s.dbf", SmallFields());
  try {
    CopyTable(dir.path(), "s.dbf", dir.path(), "t.dbf", true);
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::InUse);
  }
  try {
    y.Close();
    y.Pack();  // closed: opens exclusively for the duration
    y.Open();
    Table z(dir.path(), "t.dbf");
    z.Open();
    y.Pack();  // open shared while z has it: refused
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::InUse);
  }
}

TEST(Table, WholeTableOperationsMoveEveryCompanion) {
  ScratchDir dir;
  Table::Create(dir.path(), "T.DBF", SmallFields());
  // A production index file and an upper-case memo name from elsewhere.
  std::filesystem::rename(dir / "T.dbt", dir / "T.DBT");
  test::WriteFile(dir / "T.MDX", "index bytes");
  {
    Table t(dir.path(), "t.dbf");  // found whatever the case
    t.Open();
    t.Append();
    t.SetText(6, "memo survives");
    t.Post();
  }
  CopyTable(dir.path(), "t.dbf", dir.path(), "copy.dbf", false);
  EXPECT_TRUE(std::filesystem::exists(dir / "copy.dbf"));
  EXPECT_EQ(test::ReadFile(dir / "copy.mdx"), "index bytes");
  EXPECT_TRUE(std::filesystem::exists(dir / "copy.dbt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "copy.cpg"));
  try {
    CopyTable(dir.path(), "t.dbf", dir.path(), "copy.dbf", false);
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Exists);
  }
  CopyTable(dir.path(), "t.dbf", dir.path(), "copy.dbf", true);
  RenameTable(dir.path(), "copy.dbf", "moved.dbf");
  for (auto ext : {".dbf", ".dbt", ".mdx", ".cpg"}) {
    EXPECT_FALSE(std::filesystem::exists(dir / (std::string("copy") + ext))) << ext;
    EXPECT_TRUE(std::filesystem::exists(dir / (std::string("moved") + ext))) << ext;
  }
  {
    Table m(dir.path(), "moved.dbf");
    m.Open();
    EXPECT_EQ(m.AsText(6), "memo survives");
    m.Empty();
    EXPECT_EQ(m.RecordCount(), 0u);
  }
  EXPECT_EQ(test::ReadFile(dir / "moved.mdx"), "index bytes");  // left to the index layer
  DeleteTable(dir.path(), "moved.dbf");
  for (auto ext : {".dbf", ".dbt", ".mdx", ".cpg"})
    EXPECT_FALSE(std::filesystem::exists(dir / (std::string("moved") + ext))) << ext;
  try {
    DeleteTable(dir.path(), "moved.dbf");
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Missing);
  }
}

TEST(Table, ABrokenTableIsMovedAsideWithOrWithoutItsDataFile) {
  ScratchDir dir;
  auto exists = [&](const std::string& name) { return std::filesystem::exists(dir / name); };
  Table::Create(dir.path(), "t.dbf", SmallFields());
  test::WriteFile(dir / "T.MDX", "index bytes");
  MoveTableAside(dir.path(), "T.DBF", "bad.dbf");
  for (auto ext : {".dbf", ".dbt", ".mdx", ".cpg"}) {
    EXPECT_FALSE(exists(std::string("t") + ext)) << ext;
    EXPECT_TRUE(exists(std::string("bad") + ext)) << ext;
  }
  EXPECT_FALSE(exists("T.MDX"));

  // Only companions left (the data file is gone): they move all the same.
  Table::Create(dir.path(), "u.dbf", SmallFields());
  std::filesystem::remove(dir / "u.dbf");
  std::filesystem::rename(dir / "u.dbt", dir / "U.DBT");
  MoveTableAside(dir.path(), "u.dbf", "bad1.dbf");
  EXPECT_TRUE(exists("bad1.dbt"));
  EXPECT_TRUE(exists("bad1.cpg"));
  EXPECT_FALSE(exists("U.DBT"));
  EXPECT_FALSE(exists("bad1.dbf"));

  // A target that is taken stops the move before anything moved.
  Table::Create(dir.path(), "v.dbf", SmallFields());
  EXPECT_EQ(test::ReasonOf([&] { MoveTableAside(dir.path(), "v.dbf", "bad1.dbf"); }), ErrorReason::Exists);
  EXPECT_TRUE(exists("v.dbf"));
  EXPECT_TRUE(exists("v.dbt"));
}

TEST(Table, TheIndexFileIsReplacedByACopyOrRemoved) {
  ScratchDir dir;
  const std::vector<FieldDef> fields = {{"NAME", 'C', 10, 0}};
  Table::Create(dir.path(), "model.dbf", fields);
  {
    Table m(dir.path(), "model.dbf");
    m.SetExclusive(true);
    m.Open();
    m.AddTag("BYNAME", "NAME", 0);
  }
  Table::Create(dir.path(), "t.dbf", fields);
  {
    Table t(dir.path(), "t.dbf");
    t.SetExclusive(true);
    t.Open();
    t.AddTag("OTHER", "UPPER(NAME)", 0);
    for (const char* n : {"pear", "apple"}) {
      t.Append();
      t.SetText(0, n);
      t.Post();
    }
  }
  std::filesystem::rename(dir / "t.mdx", dir / "T.MDX");
  ReplaceIndexFile(dir.path(), "t.dbf", dir / "model.mdx");
  EXPECT_FALSE(std::filesystem::exists(dir / "T.MDX"));
  EXPECT_EQ(test::ReadFile(dir / "t.mdx"), test::ReadFile(dir / "model.mdx"));
  {
    Table t(dir.path(), "t.dbf");
    t.SetExclusive(true);
    t.Open();
    t.RebuildTags();
    ASSERT_EQ(t.TagCount(), 1);
    EXPECT_EQ(t.TagName(0), "BYNAME");
    t.SetActiveTag("BYNAME");
    t.First();
    EXPECT_EQ(t.AsText(0), "apple");
  }

  ReplaceIndexFile(dir.path(), "t.dbf", dir / "absent.mdx");
  EXPECT_FALSE(std::filesystem::exists(dir / "t.mdx"));
  EXPECT_EQ(test::ReasonOf([&] { ReplaceIndexFile(dir.path(), "gone.dbf", dir / "model.mdx"); }),
            ErrorReason::Missing);
  EXPECT_FALSE(std::filesystem::exists(dir / "gone.mdx"));
}

// Sets the process's time zone for its lifetime.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (old_) ::setenv("TZ", old_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(Table, DataAndIndexHeadersCarryTodaysLocalDate) {
  // Fourteen hours ahead of UTC: for most of the day the local date is
  // another than the UTC one.
  ScopedTimeZone zone("<+14>-14");
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  {
    Table t(dir.path(), "t.dbf");
    t.SetExclusive(true);
    t.Open();
    t.AddTag("BYNAME", "NAME", 0);
    AddRow(t, 1, "one");
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string today = {char(local.tm_year % 256), char(local.tm_mon + 1), char(local.tm_mday)};
  EXPECT_EQ(test::ReadFile(dir / "t.dbf").substr(1, 3), today);
  const std::string index = test::ReadFile(dir / "t.mdx");
  EXPECT_EQ(index.substr(1, 3), today);   // created
  EXPECT_EQ(index.substr(44, 3), today);  // last reindexed
}

TEST(Table, PackKeepsLiveRecordsMemosAndTheIndexFlag) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table t(dir.path(), "t.dbf");
  t.SetExclusive(true);
  t.Open();
  t.SetProductionIndexFlag(true);
  for (int i = 1; i <= 50; ++i) {
    t.Append();
    t.SetNumber(0, i);
    t.SetText(6, "memo " + std::to_string(i));
    if (i % 5 == 0) t.SetBytes(7, std::string(size_t(i) * 100, char(i)));
    t.Post();
  }
  for (t.First(); !t.Eof();) {
    if (int(t.AsNumber(0)) % 2 == 0) t.Delete();
    else t.Next();
  }
  auto memo_before = std::filesystem::file_size(dir / "t.dbt");
  t.Pack();
  EXPECT_LT(std::filesystem::file_size(dir / "t.dbt"), memo_before);
  EXPECT_EQ(t.PhysicalRecordCount(), 25u);
  EXPECT_TRUE(t.HasProductionIndex());
  int expect = 1;
  for (t.First(); !t.Eof(); t.Next(), expect += 2) {
    EXPECT_EQ(t.AsNumber(0), expect);
    EXPECT_EQ(t.AsText(6), "memo " + std::to_string(expect));
    if (expect % 5 == 0) {
      EXPECT_EQ(t.AsBytes(7), std::string(size_t(expect) * 100, char(expect)));
    }
  }
  t.Close();
  EXPECT_EQ(test::ReadFile(dir / "t.dbf")[28], 1);
}

TEST(Table, MissingTableAndMissingMemoFileAreMissing) {
  ScratchDir dir;
  Table t(dir.path(), "none.dbf");
  try {
    t.Open();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Missing);
  }
  Table::Create(dir.path(), "t.dbf", SmallFields());
  std::filesystem::remove(dir / "t.dbt");
  Table u(dir.path(), "t.dbf");
  try {
    u.Open();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Missing);
  }
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

// A pack killed after its new files were complete but before both had
// their names: the next open finishes it, so memo references and memo
// blocks match whichever moment it stopped at.
TEST(Table, PackKilledWhileMovingItsFilesIsFinishedOnOpen) {
  for (bool memo_moved : {false, true}) {
    ScratchDir dir;
    Table::Create(dir.path(), "t.dbf", SmallFields());
    {
      Table t(dir.path(), "t.dbf");
      t.Open();
      for (int i = 1; i <= 20; ++i) {
        t.Append();
        t.SetNumber(0, i);
        t.SetText(6, "memo of " + std::to_string(i));
        t.Post();
      }
      for (t.First(); !t.Eof();) {
        if (int(t.AsNumber(0)) % 3 != 0) t.Delete();
        else t.Next();
      }
    }
    // The packed files, standing where the pack leaves them before moving.
    CopyTable(dir.path(), "t.dbf", dir.path(), "p.dbf", false);
    Table p(dir.path(), "p.dbf");
    p.Pack();
    std::filesystem::rename(dir / "p.dbf", dir / "t.dbf.tmp$");
    std::filesystem::rename(dir / "p.dbt", memo_moved ? dir / "t.dbt" : dir / "t.dbt.tmp$");
    test::WriteFile(dir / "t.pk$", "");
    Table t(dir.path(), "t.dbf");
    t.Open();
    EXPECT_FALSE(std::filesystem::exists(dir / "t.pk$"));
    EXPECT_FALSE(std::filesystem::exists(dir / "t.dbf.tmp$"));
    EXPECT_EQ(t.PhysicalRecordCount(), 6u);
    int expect = 3;
    for (t.First(); !t.Eof(); t.Next(), expect += 3) {
      EXPECT_EQ(t.AsNumber(0), expect);
      EXPECT_EQ(t.AsText(6), "memo of " + std::to_string(expect));
    }
    EXPECT_EQ(expect, 21);
  }
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

// The code page a table is read and written in: a .cpg file (any letter
// case) decides, else the header's language-driver byte, else Windows-1252.
// Each case stores one byte, reads it as UTF-8, writes the same character
// back to the same byte, and refuses a character the page lacks.
TEST(Table, CodePageComesFromTheCpgFileThenTheLanguageDriver) {
  struct Case {
    uint8_t driver;
    const char* cpg_name;  // nullptr: no .cpg file
    const char* cpg_text;
    CodePage cp;
    char stored;
    const char* text;
    const char* unstorable;
  } cases[] = {
      {0x01, nullptr, "", CodePage::Cp437, '\x81', "ü", "€"},
      {0x02, nullptr, "", CodePage::Cp850, '\x9b', "ø", "€"},
      {0x03, nullptr, "", CodePage::Windows1252, '\x80', "€", "Ω"},
      {0x57, nullptr, "", CodePage::Windows1252, '\x9c', "œ", "Ж"},
      {0x64, nullptr, "", CodePage::Cp852, '\x88', "ł", "€"},
      {0x65, nullptr, "", CodePage::Cp866, '\x8f', "П", "é"},
      {0xC8, nullptr, "", CodePage::Windows1250, '\x8a', "Š", "Ж"},
      {0xC9, nullptr, "", CodePage::Windows1251, '\xc6', "Ж", "é"},
      // Neither a .cpg file nor a driver byte.
      {0x00, nullptr, "", CodePage::Windows1252, '\x80', "€", "Ω"},
      // The .cpg file wins over the driver byte, whatever its name's case.
      {0x03, "T.CPG", "1251\r\n", CodePage::Windows1251, '\xc6', "Ж", "é"},
      {0x00, "t.Cpg", "UTF-8", CodePage::Utf8, 'a', "a", "\xff"},
      // A .cpg naming nothing known leaves it to the driver byte.
      {0x65, "t.cpg", "no such page", CodePage::Cp866, '\x8f', "П", "é"},
  };
  constexpr size_t kRecord = 32 + 32 + 1;  // one field of 10 bytes
  for (const auto& c : cases) {
    const std::string what = "driver " + std::to_string(c.driver) + (c.cpg_name ? std::string(" ") + c.cpg_name : "");
    ScratchDir dir;
    Table::Create(dir.path(), "t.dbf", {{"NAME", 'C', 10, 0}});
    {
      Table t(dir.path(), "t.dbf");
      t.Open();
      t.Append();
      t.SetText(0, "x");
      t.Post();
    }
    std::filesystem::remove(dir / "t.cpg");
    if (c.cpg_name) test::WriteFile(dir / c.cpg_name, c.cpg_text);
    std::string bytes = test::ReadFile(dir / "t.dbf");
    bytes[29] = char(c.driver);
    bytes[kRecord + 1] = c.stored;
    test::WriteFile(dir / "t.dbf", bytes);

    Table t(dir.path(), "t.dbf");
    t.Open();
    EXPECT_EQ(t.TableCodePage(), c.cp) << what;
    EXPECT_EQ(t.AsText(0), c.text) << what;
    t.Edit();
    EXPECT_THROW(t.SetText(0, c.unstorable), ValueError) << what;
    t.SetText(0, std::string(c.text) + c.text);
    t.Post();
    t.Close();
    bytes = test::ReadFile(dir / "t.dbf");
    EXPECT_EQ(bytes.substr(kRecord + 1, 2), std::string(2, c.stored)) << what;
    EXPECT_EQ(uint8_t(bytes[29]), c.driver) << what;  // the table keeps its own code page
  }
}

// What a record table relies on: the data table's after-insert handler
// numbers the record by posting the catalogue, and the before-post handler
// marks it, also when the post comes from moving off the record.
TEST(Table, NotificationsAlsoRunInPostsMadeByMovingOffAndMayUseOtherTables) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", SmallFields());
  Table::Create(dir.path(), "master.dbf", {{"FILE", 'C', 12, 0}, {"COUNTER", 'N', 10, 0}});
  Table master(dir.path(), "master.dbf");
  master.Open();
  master.Append();
  master.SetText(0, "t.dbf");
  master.SetNumber(1, 1);
  master.Post();
  Table t(dir.path(), "t.dbf");
  t.Open();
  int posts = 0;
  t.SetAfterInsert([&](Table& tb) {
    int n = int(master.AsNumber(1));
    if (!tb.IsEmpty(0)) return;
    tb.SetNumber(0, n + 1);
    master.Edit();
    master.SetNumber(1, n + 1);
    master.Post();
  });
  t.SetBeforePost([&](Table& tb) {
    ++posts;
    tb.SetText(1, "post " + std::to_string(posts));
  });
  t.Append();
  t.SetText(6, "first");
  t.Append();  // leaving the first record posts it
  t.SetText(6, "second");
  t.First();  // and so does moving off the second
  EXPECT_EQ(posts, 2);
  t.Edit();
  t.SetText(6, "first, edited");
  t.Last();
  EXPECT_EQ(posts, 3);
  EXPECT_EQ(Ids(t), (std::vector<int>{2, 3}));
  t.First();
  EXPECT_EQ(t.AsText(1), "post 3");
  t.Next();
  EXPECT_EQ(t.AsText(1), "post 2");
  master.Close();
  master.Open();
  EXPECT_EQ(master.AsNumber(1), 3);
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

// A table in exclusive use reads ahead while the cursor walks in order; a
// table in shared use reads every record from the file. The same random
// mix of posts, edits, deletes, moves, jumps and packs on both must show
// the same records at every step.
TEST(Table, ReadAheadUnderExclusiveUseShowsWhatASharedCursorShows) {
  ScratchDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  const std::vector<FieldDef> f = {{"N", 'N', 10, 0}, {"T", 'C', 20, 0}, {"M", 'M', 10, 0}};
  Table::Create(dir / "a", "t.dbf", f);
  Table::Create(dir / "b", "t.dbf", f);
  Table a(dir / "a", "t.dbf"), b(dir / "b", "t.dbf");
  a.SetExclusive(true);
  a.Open();
  b.Open();
  std::mt19937 rng(7);
  int differences = 0;
  for (int i = 0; i < 20000; ++i) {
    const unsigned op = rng() % 100;
    const std::string v = "v" + std::to_string(rng() % 100000);
    for (Table* t : {&a, &b}) {
      if (op < 8) {
        t->Append();
        t->SetNumber(0, i);
        t->SetText(1, v);
        t->SetText(2, v + " memo");
        t->Post();
      } else if (op < 40) t->Next();
      else if (op < 60) t->Prior();
      else if (op < 65) t->First();
      else if (op < 68) t->Last();
      else if (op < 74) {
        if (t->HasRecord()) {
          t->Edit();
          t->SetText(1, v);
          t->Post();
        }
      } else if (op < 76) {
        if (t->HasRecord()) t->Delete();
      } else if (op < 80) t->MoveBy(op % 2 ? 3 : -3);
      else if (op < 82) {
        try {
          t->GotoRecNo(1 + RecNo(i % 50));
        } catch (const DatabaseError&) {
        }
      } else if (op < 84 && i % 500 == 0) t->Pack();
      else t->Next();
    }
    const bool same = a.Eof() == b.Eof() && a.Bof() == b.Bof() && a.CurrentRecNo() == b.CurrentRecNo() &&
                      (!a.HasRecord() || (a.AsText(1) == b.AsText(1) && a.AsText(2) == b.AsText(2) &&
                                          a.AsNumber(0) == b.AsNumber(0)));
    if (!same && differences++ < 5) ADD_FAILURE() << "cursors differ after step " << i << " (op " << op << ")";
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(a.PhysicalRecordCount(), b.PhysicalRecordCount());
}

}  // namespace
}  // namespace quillary::dbase
