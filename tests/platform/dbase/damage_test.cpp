// Damaged and truncated files raise the right error kind (never a crash,
// a hang or an allocation sized by a corrupt length), and the structural
// check reports them.
#include <gtest/gtest.h>

#include <functional>

#include "dbase_test_util.h"
#include "platform/dbase/bytes.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_check.h"

namespace quillary::dbase {
namespace {

using test::ScratchDir;

const std::vector<FieldDef> kFields = {
    {"ID", 'N', 6, 0}, {"NAME", 'C', 10, 0}, {"BORN", 'D', 8, 0}, {"NOTE", 'M', 10, 0}};

// A table of three records, each with a memo.
void MakeTable(const ScratchDir& dir) {
  Table::Create(dir.path(), "t.dbf", kFields);
  Table t(dir.path(), "t.dbf");
  t.Open();
  for (int i = 1; i <= 3; ++i) {
    t.Append();
    t.SetNumber(0, i);
    t.SetText(1, "name");
    t.SetText(2, "20240101");
    t.SetText(3, "memo " + std::to_string(i));
    t.Post();
  }
}

void Patch(const std::filesystem::path& p, size_t offset, const std::string& bytes) {
  std::string s = test::ReadFile(p);
  s.replace(offset, bytes.size(), bytes);
  test::WriteFile(p, s);
}

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  PutU32(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}
std::string U16(uint16_t v) {
  std::string s(2, '\0');
  PutU16(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}

constexpr size_t kHeaderSize = 32 + 4 * 32 + 1;
constexpr size_t kRecordSize = 1 + 6 + 10 + 8 + 10;
constexpr size_t kFirstRecord = kHeaderSize;

TEST(Damage, BrokenDataFilesAreDamagedOnOpen) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> damage;
  } cases[] = {
      {"empty file", [](auto& p) { test::WriteFile(p, ""); }},
      {"truncated header", [](auto& p) { test::WriteFile(p, test::ReadFile(p).substr(0, 20)); }},
      {"header cut inside the descriptors", [](auto& p) { test::WriteFile(p, test::ReadFile(p).substr(0, 70)); }},
      {"header size past the end", [](auto& p) { Patch(p, 8, U16(60000)); }},
      {"header size too small", [](auto& p) { Patch(p, 8, U16(5)); }},
      {"record size disagrees with fields", [](auto& p) { Patch(p, 10, U16(999)); }},
      {"record size zero", [](auto& p) { Patch(p, 10, U16(0)); }},
      {"unknown version", [](auto& p) { Patch(p, 0, "\x30"); }},
      {"field width zero", [](auto& p) { Patch(p, 32 + 32 + 16, std::string(1, '\0')); }},
      {"unknown field type", [](auto& p) { Patch(p, 32 + 11, "Q"); }},
      {"no descriptor terminator", [](auto& p) { Patch(p, kHeaderSize - 1, "X"); }},
      {"date field of width 9", [](auto& p) { Patch(p, 32 + 64 + 16, "\x09"); }},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    MakeTable(dir);
    c.damage(dir / "t.dbf");
    Table t(dir.path(), "t.dbf");
    try {
      t.Open();
      ADD_FAILURE() << c.what << ": opened";
    } catch (const DatabaseError& e) {
      EXPECT_EQ(e.reason(), ErrorReason::Damaged) << c.what << ": " << e.what();
    }
    EXPECT_FALSE(CheckTable(dir.path(), "t.dbf").ok()) << c.what;
  }
}

TEST(Damage, BrokenMemoFileHeaderIsDamaged) {
  ScratchDir dir;
  MakeTable(dir);
  test::WriteFile(dir / "t.dbt", "short");
  Table t(dir.path(), "t.dbf");
  try {
    t.Open();
    FAIL();
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Damaged);
  }
}

TEST(Damage, BrokenValuesAreValueErrorsAndTheTableStaysUsable) {
  struct Case {
    const char* what;
    int record;  // 1-based
    int field;
    std::function<void(const ScratchDir&)> damage;
  } cases[] = {
      {"memo block past the end", 1, 3,
       [](auto& d) { Patch(d / "t.dbf", kFirstRecord + 25, "    999999"); }},
      {"memo reference not a number", 1, 3, [](auto& d) { Patch(d / "t.dbf", kFirstRecord + 25, "    12ab34"); }},
      {"memo reference beyond 32 bits", 1, 3, [](auto& d) { Patch(d / "t.dbf", kFirstRecord + 25, "9999999999"); }},
      {"memo length impossible", 2, 3, [](auto& d) { Patch(d / "t.dbt", 2 * 512 + 4, U32(0xFFFFFFF0)); }},
      {"memo length below its header", 2, 3, [](auto& d) { Patch(d / "t.dbt", 2 * 512 + 4, U32(3)); }},
      {"number not a number", 3, 0, [](auto& d) { Patch(d / "t.dbf", kFirstRecord + 2 * kRecordSize + 1, "12x4"); }},
      {"impossible date", 3, 2,
       [](auto& d) { Patch(d / "t.dbf", kFirstRecord + 2 * kRecordSize + 17, "20231340"); }},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    MakeTable(dir);
    c.damage(dir);
    Table t(dir.path(), "t.dbf");
    ASSERT_NO_THROW(t.Open()) << c.what;
    t.GotoRecNo(RecNo(c.record));
    EXPECT_THROW(
        {
          if (c.field == 0) t.AsNumber(c.field);
          else if (c.field == 2) t.AsDate(c.field);
          else t.AsText(c.field);
        },
        ValueError)
        << c.what;
    EXPECT_EQ(t.RecordCount(), 3u) << c.what;
    EXPECT_EQ(t.AsText(1), "name") << c.what;
    CheckReport rep = CheckTable(dir.path(), "t.dbf");
    EXPECT_EQ(rep.problems.size(), 1u) << c.what;
    // The damaged field can be overwritten by a sound value.
    t.Edit();
    t.Clear(c.field);
    t.Post();
    EXPECT_TRUE(CheckTable(dir.path(), "t.dbf").ok()) << c.what;
  }
}

TEST(Damage, HeaderCountBeyondTheFileIsRepairedOnOpen) {
  ScratchDir dir;
  MakeTable(dir);
  // Half of the last record is gone and the count claims billions.
  std::string s = test::ReadFile(dir / "t.dbf");
  s.resize(kFirstRecord + 2 * kRecordSize + 10);
  test::WriteFile(dir / "t.dbf", s);
  Patch(dir / "t.dbf", 4, U32(0xFFFFFFFF));
  EXPECT_FALSE(CheckTable(dir.path(), "t.dbf").ok());
  Table t(dir.path(), "t.dbf");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 2u);
  t.Append();
  t.SetNumber(0, 9);
  t.Post();
  t.Close();
  EXPECT_TRUE(CheckTable(dir.path(), "t.dbf").ok());
  t.Open();
  t.Last();
  EXPECT_EQ(t.AsNumber(0), 9);
  EXPECT_EQ(t.RecordCount(), 3u);
}

}  // namespace
}  // namespace quillary::dbase
