// dbftool as users run it: the exact dump format, info, check's exit
// status on damage, pack, and clear errors for wrong use.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "dbase_test_util.h"
#include "platform/dbase/table.h"

namespace quillary::dbase {
namespace {

using test::ScratchDir;

struct Result {
  int status = -1;
  std::string out;
};

Result Tool(const std::string& args) {
  Result r;
  FILE* p = ::popen((std::string(DBFTOOL) + " " + args + " 2>&1").c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

void MakeTable(const ScratchDir& dir) {
  Table::Create(dir.path(), "t.dbf",
                {{"ID", 'N', 5, 0}, {"NAME", 'C', 20, 0}, {"DAY", 'D', 8, 0}, {"OK", 'L', 1, 0},
                 {"NOTE", 'M', 10, 0}, {"PIC", 'B', 10, 0}});
  Table t(dir.path(), "t.dbf");
  t.Open();
  auto add = [&](int id, const char* name, const char* day, const char* ok, const std::string& note,
                 const std::string& pic) {
    t.Append();
    t.SetNumber(0, id);
    t.SetText(1, name);
    t.SetText(2, day);
    t.SetText(3, ok);
    t.SetText(4, note);
    t.SetBytes(5, pic);
    t.Post();
  };
  add(1, "tab\there", "20240102", "T", "line1\r\nline2 back\\slash", "");
  add(2, "gone", "", "F", "", "");
  add(3, "Grüße", "", "", "", std::string("\x00\x01\x02", 3));
  t.GotoRecNo(2);
  t.Delete();
}

TEST(Dbftool, DumpWritesTheExactFormat) {
  ScratchDir dir;
  MakeTable(dir);
  const std::string path = (dir / "t.dbf").string();
  Result r = Tool("dump " + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "ID\tNAME\tDAY\tOK\tNOTE\tPIC\n"
            "1\ttab\\there\t20240102\tT\tline1\\r\\nline2 back\\\\slash\t\n"
            "3\tGrüße\t\t\t\t<3 bytes>\n");
  r = Tool("dump --deleted " + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "ID\tNAME\tDAY\tOK\tNOTE\tPIC\n"
            "1\ttab\\there\t20240102\tT\tline1\\r\\nline2 back\\\\slash\t\n"
            "2\tgone\t\tF\t\t\n"
            "3\tGrüße\t\t\t\t<3 bytes>\n");
}

TEST(Dbftool, InfoCheckAndPack) {
  ScratchDir dir;
  MakeTable(dir);
  const std::string path = (dir / "t.dbf").string();
  Result r = Tool("info " + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("version:          0x8B (dBASE IV with memo)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("code page:        UTF-8"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("records:          2 (3 in the file, deleted included)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("NOTE       M   10  0  memo"), std::string::npos) << r.out;
  r = Tool("check " + path);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("ok: 3 records (1 deleted)"), std::string::npos) << r.out;
  r = Tool("pack " + path);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("packed: 2 records kept, 1 removed"), std::string::npos) << r.out;
  EXPECT_EQ(Tool("dump --deleted " + path).out.find("gone"), std::string::npos);
  // A memo reference past the end of the memo file is damage.
  std::string s = test::ReadFile(dir / "t.dbf");
  const size_t first_record = 32 + 6 * 32 + 1;
  s.replace(first_record + 1 + 5 + 20 + 8 + 1, 10, "     99999");
  test::WriteFile(dir / "t.dbf", s);
  r = Tool("check " + path);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("record 1, field NOTE: damaged memo"), std::string::npos) << r.out;
  r = Tool("dump " + path);
  EXPECT_EQ(r.status, 1);
  // A truncated header: check reports it and fails.
  test::WriteFile(dir / "t.dbf", s.substr(0, 40));
  EXPECT_EQ(Tool("check " + path).status, 1);
  EXPECT_EQ(Tool("info " + path).status, 1);
}

TEST(Dbftool, WrongUseIsExplained) {
  ScratchDir dir;
  struct Case {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"", 2, "usage: dbftool <command>"},
      {"frobnicate x.dbf", 2, "dbftool: unknown command frobnicate"},
      {"dump", 2, "dbftool: dump needs exactly one table file"},
      {"dump --bogus x.dbf", 2, "dbftool: unknown option --bogus"},
      {"info " + (dir / "missing.dbf").string(), 3, "dbftool: table not found"},
      {"check " + (dir / "missing.dbf").string(), 3, "dbftool: table not found"},
      {"--help", 0, "usage: dbftool <command>"},
      {"frobnicate --deleted x.dbf", 2, "dbftool: unknown command frobnicate"},
      {"pack --deleted x.dbf", 2, "dbftool: unknown option --deleted for pack"},
      {"dump --tag", 2, "dbftool: --tag needs a tag name"},
      {"dump --deleted --tag T x.dbf", 2, "dbftool: --deleted cannot go with --tag"},
      {"count x.dbf", 2, "dbftool: count needs --tag NAME"},
      {"count --tag T --from", 2, "dbftool: --from needs a key"},
      {"add-tag x.dbf NAME", 2, "dbftool: add-tag needs a table file, a tag name and a key expression"},
      {"delete-tag x.dbf", 2, "dbftool: delete-tag needs a table file and a tag name"},
      {"reindex a.dbf b.dbf", 2, "dbftool: reindex needs exactly one table file"},
      {"pack " + (dir / "missing.dbf").string(), 3, "dbftool: table not found"},
  };
  for (const auto& c : cases) {
    Result r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
  }
}

TEST(Dbftool, PackRefusedWhileTheTableIsInUse) {
  ScratchDir dir;
  MakeTable(dir);
  Table t(dir.path(), "t.dbf");
  t.Open();
  Result r = Tool("pack " + (dir / "t.dbf").string());
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("in use by another user"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace quillary::dbase
