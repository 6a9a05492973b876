// Two real processes on one table: record locks, visibility of each other's
// posts, concurrent appends, whole-table operations refused while the other
// has the table open, and a writer killed with SIGKILL in mid-stream.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "dbase_test_util.h"
#include "support/child_process.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_check.h"

namespace quillary::dbase {
namespace {

using quillary::test::Child;
using test::ReasonOf;
using test::ScratchDir;

const std::vector<FieldDef> kFields = {{"ID", 'N', 10, 0}, {"TAG", 'C', 20, 0}, {"NOTE", 'M', 10, 0}};

Child Peer(const ScratchDir& dir, std::vector<std::string> args) {
  std::vector<std::string> all = {DBASE_PEER, args[0], dir.path().string(), "t.dbf"};
  all.insert(all.end(), args.begin() + 1, args.end());
  return Child(all);
}

TEST(Sharing, RecordLockedInAnotherProcessIsRefusedThenItsPostIsSeen) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  Table t(dir.path(), "t.dbf");
  t.Open();
  for (int i = 1; i <= 3; ++i) {
    t.Append();
    t.SetNumber(0, i);
    t.SetText(1, "mine");
    t.Post();
  }
  Child peer = Peer(dir, {"edit-hold", "2", "theirs"});
  ASSERT_EQ(peer.ReadLine(), "locked");
  t.GotoRecNo(2);
  EXPECT_EQ(ReasonOf([&] { t.Edit(); }), ErrorReason::InUse);
  EXPECT_EQ(t.State(), EditState::Browse);
  EXPECT_EQ(ReasonOf([&] { t.Delete(); }), ErrorReason::InUse);
  t.GotoRecNo(1);
  t.Edit();  // other records stay free
  t.Cancel();
  peer.Send("go");
  ASSERT_EQ(peer.ReadLine(), "posted");
  EXPECT_EQ(peer.Wait(), 0);
  t.First();
  t.Next();
  EXPECT_EQ(t.AsText(1), "theirs");  // seen at the next navigation
  t.Edit();
  t.SetText(1, "mine again");
  t.Post();
}

TEST(Sharing, OthersAppendsAreSeenWithoutReopening) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  Table t(dir.path(), "t.dbf");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0u);
  Child peer = Peer(dir, {"append", "5", "peer"});
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(peer.ReadLine(), "posted " + std::to_string(i));
  EXPECT_EQ(peer.Wait(), 0);
  EXPECT_EQ(t.RecordCount(), 5u);
  t.Last();
  EXPECT_EQ(t.AsNumber(0), 5);
}

TEST(Sharing, ConcurrentAppendsLoseNothing) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  const int n = 4000;
  {
    Child a = Peer(dir, {"append", std::to_string(n), "A", "memo"});
    Child b = Peer(dir, {"append", std::to_string(n), "B", "memo"});
    Table t(dir.path(), "t.dbf");
    t.Open();
    for (int i = 1; i <= n / 3; ++i) {
      t.Append();
      t.SetNumber(0, i);
      t.SetText(1, "C");
      t.SetText(2, "C memo " + std::to_string(i) + std::string(size_t(i % 700), 'm'));
      t.Post();
    }
    EXPECT_EQ(a.Wait(), 0);
    EXPECT_EQ(b.Wait(), 0);
  }
  Table t(dir.path(), "t.dbf");
  t.Open();
  EXPECT_EQ(t.RecordCount(), uint64_t(2 * n + n / 3));
  std::map<std::string, std::set<int>> seen;
  for (t.First(); !t.Eof(); t.Next()) {
    std::string tag = t.AsText(1);
    int id = int(t.AsNumber(0));
    EXPECT_TRUE(seen[tag].insert(id).second) << tag << id;
    ASSERT_EQ(t.AsText(2), tag + " memo " + std::to_string(id) + std::string(size_t(id % 700), 'm'));
  }
  EXPECT_EQ(seen["A"].size(), size_t(n));
  EXPECT_EQ(seen["B"].size(), size_t(n));
  EXPECT_EQ(seen["C"].size(), size_t(n / 3));
  t.Close();
  EXPECT_TRUE(CheckTable(dir.path(), "t.dbf").ok());
}

TEST(Sharing, WholeTableOperationsAndExclusiveUseRefusedWhileOpenElsewhere) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  {
    Child peer = Peer(dir, {"open-hold"});
    ASSERT_EQ(peer.ReadLine(), "open");
    EXPECT_EQ(ReasonOf([&] { DeleteTable(dir.path(), "t.dbf"); }), ErrorReason::InUse);
    EXPECT_EQ(ReasonOf([&] { RenameTable(dir.path(), "t.dbf", "u.dbf"); }), ErrorReason::InUse);
    Table::Create(dir.path(), "s.dbf", kFields);
    EXPECT_EQ(ReasonOf([&] { CopyTable(dir.path(), "s.dbf", dir.path(), "t.dbf", true); }), ErrorReason::InUse);
    EXPECT_EQ(ReasonOf([&] { Table::Create(dir.path(), "t.dbf", kFields, true); }), ErrorReason::InUse);
    Table t(dir.path(), "t.dbf");
    EXPECT_EQ(ReasonOf([&] { t.Pack(); }), ErrorReason::InUse);
    EXPECT_EQ(ReasonOf([&] { t.Empty(); }), ErrorReason::InUse);
    t.SetExclusive(true);
    EXPECT_EQ(ReasonOf([&] { t.Open(); }), ErrorReason::InUse);
    t.SetExclusive(false);
    t.Open();  // shared beside a shared user is fine
    EXPECT_TRUE(std::filesystem::exists(dir / "t.dbf"));
    peer.Send("done");
    EXPECT_EQ(peer.Wait(), 0);
  }
  {
    Child peer = Peer(dir, {"open-hold", "exclusive"});
    ASSERT_EQ(peer.ReadLine(), "open");
    Table t(dir.path(), "t.dbf");
    EXPECT_EQ(ReasonOf([&] { t.Open(); }), ErrorReason::InUse);
    peer.Send("done");
    EXPECT_EQ(peer.Wait(), 0);
  }
  RenameTable(dir.path(), "t.dbf", "u.dbf");  // free now
  DeleteTable(dir.path(), "u.dbf");
}

TEST(Sharing, IndexReplacementAndMovingAsideRefusedWhileOpenElsewhere) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  {
    Table t(dir.path(), "t.dbf");
    t.SetExclusive(true);
    t.Open();
    t.AddTag("BYTAG", "TAG", 0);
  }
  const std::string index = test::ReadFile(dir / "t.mdx");
  {
    Child peer = Peer(dir, {"open-hold"});
    ASSERT_EQ(peer.ReadLine(), "open");
    EXPECT_EQ(ReasonOf([&] { ReplaceIndexFile(dir.path(), "t.dbf", dir / "none.mdx"); }), ErrorReason::InUse);
    EXPECT_EQ(ReasonOf([&] { MoveTableAside(dir.path(), "t.dbf", "bad.dbf"); }), ErrorReason::InUse);
    EXPECT_EQ(test::ReadFile(dir / "t.mdx"), index);
    for (auto ext : {".dbf", ".dbt", ".cpg"}) EXPECT_TRUE(std::filesystem::exists(dir / ("t" + std::string(ext))));
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.dbf"));
    peer.Send("done");
    EXPECT_EQ(peer.Wait(), 0);
  }
  ReplaceIndexFile(dir.path(), "t.dbf", dir / "none.mdx");  // free now
  EXPECT_FALSE(std::filesystem::exists(dir / "t.mdx"));
  MoveTableAside(dir.path(), "t.dbf", "bad.dbf");
  EXPECT_TRUE(std::filesystem::exists(dir / "bad.dbf"));
}

TEST(Durability, SigkillDuringPostsLosesNothingAcknowledged) {
  ScratchDir dir;
  Table::Create(dir.path(), "t.dbf", kFields);
  std::mt19937 rng(12345);
  std::map<std::string, int> acked;
  for (int round = 0; round < 6; ++round) {
    // Shared and exclusive writers count their records differently.
    std::string tag = "round" + std::to_string(round);
    Child peer = Peer(dir, {"append", "1000000", tag, "memo", round % 2 ? "exclusive" : "shared"});
    int stop_after = int(rng() % 1500) + 1;
    int last = 0;
    for (;;) {
      std::string line = peer.ReadLine();
      ASSERT_EQ(line.rfind("posted ", 0), 0u) << line;
      last = std::stoi(line.substr(7));
      if (last >= stop_after) break;
    }
    peer.Kill();
    peer.Wait();
    acked[tag] = last;
    // The table opens after every kill, with every acknowledged record.
    Table t(dir.path(), "t.dbf");
    ASSERT_NO_THROW(t.Open());
    std::map<std::string, std::set<int>> seen;
    for (t.First(); !t.Eof(); t.Next()) {
      std::string tg = t.AsText(1);
      int id = int(t.AsNumber(0));
      ASSERT_EQ(t.AsText(2), tg + " memo " + std::to_string(id) + std::string(size_t(id % 700), 'm'));
      seen[tg].insert(id);
    }
    for (const auto& [tg, n] : acked) {
      for (int i = 1; i <= n; ++i) ASSERT_TRUE(seen[tg].count(i)) << tg << " lost record " << i;
    }
  }
  CheckReport rep = CheckTable(dir.path(), "t.dbf");
  EXPECT_TRUE(rep.ok()) << (rep.problems.empty() ? "" : rep.problems[0]);
}

}  // namespace
}  // namespace quillary::dbase
