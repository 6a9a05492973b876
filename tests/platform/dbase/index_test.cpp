// The production index through the table object: tags kept right under
// appends, edits, deletes and packs (by this process and by another one),
// tag order, ranges and counts on ascending and descending tags with and
// without the filter mark, letter ranges bounded by 0x01 and 0xFF, exact and
// nearest seeks at the ends, tag management rules, recovery after a killed
// writer, a damaged index file, and Perl's XBase::Index reading our tags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "dbase_test_util.h"
#include "support/child_process.h"
#include "platform/dbase/key_expr.h"
#include "platform/dbase/mdx_file.h"
#include "platform/dbase/mdx_tree.h"
#include "platform/dbase/table.h"

namespace quillary::dbase {
namespace {

using quillary::test::Child;
using test::ScratchDir;

constexpr int kTitleWidth = 40;

std::vector<FieldDef> Fields() {
  return {{"RECNO", 'N', 10, 0}, {"MARK", 'C', 1, 0}, {"TITLE", 'C', kTitleWidth, 0}, {"DATE", 'D', 8, 0},
          {"NOTES", 'M', 10, 0}};
}

struct TagDef {
  const char* name;
  const char* expr;
  int options;
};
const TagDef kTags[] = {
    {"IDX0", "STR(RECNO, 20, 4)", 16},
    {"IDX1", "MARK+STR(RECNO, 20, 4)", 16},
    {"TITLE", "UPPER(TITLE)", 16},
    {"TITLED", "UPPER(TITLE)", 20},
    {"FTITLE", "MARK+UPPER(TITLE)", 16},
    {"FTITLED", "MARK+UPPER(TITLE)", 20},
    {"DATED", "STR({12/31/3099}-DATE, 10, 0)", 16},
    {"TWO", "UPPER(SUBSTR(TITLE, 1, 10))+DTOS(DATE)", 16},
};

const char* kTitles[] = {"apple", "Banana split", "cherry", "\xC3\xA4rger", "Zebra", "zulu", "123 go", "(paren",
                         "", "\xC4\xB1stanbul", "\xC3\x89" "clair", "yak", "mango", "Apple", "kiwi", "~tilde"};

class RawView : public KeyRecord {
 public:
  RawView(const Table& t, RecordBytes rec) : t_(t), rec_(rec) {}
  std::string_view FieldBytes(int f) const override {
    const FieldDef& d = t_.Field(f);
    return std::string_view(reinterpret_cast<const char*>(rec_.data()) + d.offset, size_t(d.width));
  }
  std::string MemoText(int f) const override { return t_.MemoTextOf(rec_, f); }

 private:
  const Table& t_;
  RecordBytes rec_;
};

struct Entry {
  std::string key;
  RecNo recno;
};

// Keys computed from the data alone, in tag order: what every tag must show.
std::vector<Entry> Oracle(Table& t, const std::string& expr, bool descending) {
  std::vector<FieldDef> fields;
  for (int i = 0; i < t.FieldCount(); ++i) fields.push_back(t.Field(i));
  auto e = KeyExpression::Compile(expr, fields, t.TableCodePage());
  std::string saved = t.ActiveTag();
  t.SetActiveTag("");
  std::vector<Entry> out;
  for (t.First(); !t.Eof(); t.Next()) out.push_back({e.Evaluate(RawView(t, t.CurrentRecordBytes())), t.CurrentRecNo()});
  std::sort(out.begin(), out.end(), [&](const Entry& a, const Entry& b) {
    int c = a.key.compare(b.key);
    if (descending) c = -c;
    return c != 0 ? c < 0 : a.recno < b.recno;
  });
  t.SetActiveTag(saved);
  return out;
}

std::vector<RecNo> Recnos(const std::vector<Entry>& v) {
  std::vector<RecNo> r;
  for (const auto& e : v) r.push_back(e.recno);
  return r;
}

std::vector<RecNo> TagOrder(Table& t) {
  std::vector<RecNo> r;
  for (t.First(); !t.Eof(); t.Next()) r.push_back(t.CurrentRecNo());
  return r;
}

std::vector<Entry> InRange(const std::vector<Entry>& all, std::string lo, std::string hi) {
  if (lo > hi) std::swap(lo, hi);
  std::vector<Entry> out;
  for (const auto& e : all)
    if (e.key >= lo && e.key <= hi) out.push_back(e);
  return out;
}

std::string Pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

void CreateIndexed(const std::filesystem::path& dir) {
  Table::Create(dir, "data.dbf", Fields());
  Table t(dir, "data.dbf");
  t.SetExclusive(true);
  t.Open();
  for (const auto& d : kTags) t.AddTag(d.name, d.expr, d.options);
}

void AppendRecord(Table& t, int n, std::mt19937& rng) {
  t.Append();
  t.SetNumber(0, n);
  t.SetText(1, rng() % 3 ? "2" : "0");
  t.SetText(2, std::string(kTitles[rng() % std::size(kTitles)]) + (rng() % 2 ? " " + std::to_string(rng() % 50) : ""));
  if (rng() % 4) t.SetText(3, std::to_string(1990 + rng() % 40) + "0" + std::to_string(1 + rng() % 9) + "15");
  t.Post();
}

void ExpectEveryTagRight(Table& t, const std::string& context) {
  for (const auto& d : kTags) {
    auto want = Oracle(t, d.expr, d.options & 4);
    t.SetActiveTag(d.name);
    EXPECT_EQ(TagOrder(t), Recnos(want)) << context << " tag " << d.name;
    EXPECT_EQ(t.RecordCount(), want.size()) << context << " tag " << d.name;
  }
  t.SetActiveTag("");
  EXPECT_EQ(t.CheckTags(), std::vector<std::string>{}) << context;
}

TEST(ProductionIndex, TagsFollowAppendsEditsDeletesPackAndReopen) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  std::mt19937 rng(7);
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    ASSERT_EQ(t.TagCount(), int(std::size(kTags)));
    EXPECT_EQ(t.TagName(3), "TITLED");
    EXPECT_EQ(t.TagExpression(3), "UPPER(TITLE)");
    EXPECT_EQ(t.TagOptions(3), 20);
    for (int i = 1; i <= 700; ++i) AppendRecord(t, i, rng);
    ExpectEveryTagRight(t, "after appends");
    // Key-field edits move records; deleted records lose their keys.
    t.SetActiveTag("TITLE");
    for (RecNo r = 3; r <= 700; r += 7) {
      t.GotoRecNo(r);
      t.Edit();
      t.SetText(2, kTitles[r % std::size(kTitles)]);
      t.SetText(1, r % 2 ? "0" : "2");
      t.Post();
    }
    for (RecNo r = 5; r <= 700; r += 11) {
      t.GotoRecNo(r);
      t.Delete();
    }
    ExpectEveryTagRight(t, "after edits and deletes");
  }
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    ExpectEveryTagRight(t, "after reopen");
  }
  Table t(dir.path(), "data.dbf");
  t.SetExclusive(true);
  t.Open();
  t.Pack();
  EXPECT_EQ(t.RecordCount(), 700u - 64u);
  ExpectEveryTagRight(t, "after pack");
  for (int i = 0; i < 30; ++i) AppendRecord(t, 1000 + i, rng);
  t.RebuildTags();
  ExpectEveryTagRight(t, "after rebuild");
}

class Ranges : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateIndexed(dir_.path());
    t_.Bind(dir_.path(), "data.dbf");
    t_.Open();
    std::mt19937 rng(11);
    for (int i = 1; i <= 400; ++i) AppendRecord(t_, i, rng);
  }
  // The letter range of the sort descriptor: from the letter (code 1 for
  // "A") to the letter and code 255 ("Z": code 255 alone), swapped on a
  // descending tag, with the mark in front while a filter is on.
  void LetterRange(char letter, bool descending, const char* mark) {
    std::string start = letter == 'A' ? "\x01" : std::string(1, letter);
    std::string end = letter == 'Z' ? "\xFF" : std::string(1, letter) + "\xFF";
    if (descending) std::swap(start, end);
    KeyValues s = {{2, start}}, e = {{2, end}};
    if (mark) {
      s.push_back({1, mark});
      e.push_back({1, mark});
    }
    t_.SetRangeStart(s);
    t_.SetRangeEnd(e);
    t_.ApplyRange();
  }
  ScratchDir dir_;
  Table t_;
};

TEST_F(Ranges, LetterCountsAndOrderMatchTheDataOnEveryTextTag) {
  struct Variant {
    const char* tag;
    const char* expr;
    bool descending;
    const char* mark;
  };
  const Variant variants[] = {
      {"TITLE", "UPPER(TITLE)", false, nullptr},
      {"TITLED", "UPPER(TITLE)", true, nullptr},
      {"FTITLE", "MARK+UPPER(TITLE)", false, "2"},
      {"FTITLED", "MARK+UPPER(TITLE)", true, "2"},
      {"FTITLE", "MARK+UPPER(TITLE)", false, "0"},
  };
  for (const auto& v : variants) {
    auto all = Oracle(t_, v.expr, v.descending);
    t_.SetActiveTag(v.tag);
    uint64_t sum = 0;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
      LetterRange(letter, v.descending, v.mark);
      std::string pre = v.mark ? v.mark : "";
      size_t w = size_t(kTitleWidth) + pre.size();
      std::string lo = Pad(pre + (letter == 'A' ? "\x01" : std::string(1, letter)), w);
      std::string hi = Pad(pre + (letter == 'Z' ? "\xFF" : std::string(1, letter) + "\xFF"), w);
      auto want = InRange(all, lo, hi);
      std::string where = std::string(v.tag) + " letter " + letter + (v.mark ? std::string(" mark ") + v.mark : "");
      ASSERT_EQ(t_.RecordCount(), want.size()) << where;
      EXPECT_EQ(TagOrder(t_), Recnos(want)) << where;
      sum += want.size();
      // Moving by n lands where the n-th record of the range is.
      if (want.size() > 3) {
        t_.First();
        EXPECT_EQ(t_.MoveBy(3), 3) << where;
        EXPECT_EQ(t_.CurrentRecNo(), want[3].recno) << where;
        EXPECT_EQ(t_.MoveBy(-2), -2) << where;
        EXPECT_EQ(t_.CurrentRecNo(), want[1].recno) << where;
        EXPECT_EQ(t_.MoveBy(int(want.size()) + 5), int(want.size()) - 2) << where;
        EXPECT_TRUE(t_.Eof()) << where;
        EXPECT_EQ(t_.CurrentRecNo(), want.back().recno) << where;
      }
    }
    // Every text falls under one letter: between 0x01 and 0xFF.
    size_t total = v.mark ? InRange(all, Pad(v.mark, kTitleWidth + 1), Pad(std::string(v.mark) + "\xFF", kTitleWidth + 1)).size()
                          : all.size();
    EXPECT_EQ(sum, total) << v.tag;
    t_.CancelRange();
    EXPECT_EQ(t_.RecordCount(), all.size()) << v.tag;
  }
}

// A record's place comes from the tag's rank and matches stepping from the
// first record, in physical order (walked), on ascending and descending
// tags and inside a letter range; a record outside the range, a deleted one
// and no record at all have no place; the cursor stays.
TEST_F(Ranges, PositionOfTheCurrentRecordMatchesStepping) {
  const std::vector<RecNo> deleted = {3, 50, 51, 200};
  for (RecNo r : deleted) {
    t_.GotoRecNo(r);
    t_.Delete();
  }
  struct Case {
    const char* tag;
    std::optional<char> letter;
    bool descending;
  };
  const Case cases[] = {{"", std::nullopt, false}, {"TITLE", std::nullopt, false}, {"TITLED", std::nullopt, true},
                        {"TITLE", 'M', false},     {"TITLED", 'B', true},        {"TITLE", 'Q', false}};
  for (const Case& c : cases) {
    const std::string where = std::string("tag '") + c.tag + "' letter " + (c.letter ? *c.letter : '-');
    t_.SetActiveTag(c.tag);
    if (c.letter) LetterRange(*c.letter, c.descending, nullptr);
    const std::vector<RecNo> order = TagOrder(t_);
    ASSERT_EQ(order.size(), t_.RecordCount()) << where;
    for (size_t i = 0; i < order.size(); ++i) {
      t_.GotoRecNo(order[i]);
      ASSERT_EQ(t_.Position(), std::optional<uint64_t>(i)) << where << " record " << order[i];
      EXPECT_EQ(t_.CurrentRecNo(), order[i]) << where;
    }
    if (c.letter) {
      // Some record outside the letter has no place in its range.
      for (RecNo r = 1; r <= 400; ++r) {
        if (std::find(order.begin(), order.end(), r) != order.end() ||
            std::find(deleted.begin(), deleted.end(), r) != deleted.end())
          continue;
        t_.GotoRecNo(r);
        EXPECT_EQ(t_.Position(), std::nullopt) << where << " record " << r;
        break;
      }
      t_.CancelRange();
    }
  }
  t_.SetActiveTag("");
  t_.SetShowDeleted(true);
  t_.GotoRecNo(50);
  t_.SetShowDeleted(false);
  EXPECT_EQ(t_.Position(), std::nullopt);
  t_.Append();
  EXPECT_EQ(t_.Position(), std::nullopt);
  t_.Cancel();
}

TEST_F(Ranges, MarkOnlyRangesOnAscendingAndDescendingTags) {
  for (const char* tag : {"FTITLE", "FTITLED", "IDX1"}) {
    t_.SetActiveTag(tag);
    for (auto [from, to] : {std::pair{"2", "3"}, std::pair{"0", "1"}}) {
      t_.SetRangeStart({{1, from}});
      t_.SetRangeEnd({{1, to}});
      t_.ApplyRange();
      uint64_t n = t_.RecordCount();
      uint64_t seen = 0;
      for (t_.First(); !t_.Eof(); t_.Next()) {
        EXPECT_EQ(t_.AsText(1), from) << tag;
        ++seen;
      }
      EXPECT_EQ(seen, n) << tag;
      EXPECT_GT(n, 0u) << tag;
    }
  }
}

TEST_F(Ranges, ExactAndNearestSeeksAtTheEndsOfTheKeySpace) {
  auto asc = Oracle(t_, "UPPER(TITLE)", false);
  t_.SetActiveTag("TITLE");
  // Exact: found, or not found and the cursor stays.
  t_.First();
  RecNo before = t_.CurrentRecNo();
  EXPECT_FALSE(t_.FindKey({{2, "no such title"}}));
  EXPECT_EQ(t_.CurrentRecNo(), before);
  ASSERT_TRUE(t_.FindKey({{2, "zulu"}}));
  EXPECT_EQ(t_.CurrentKey(), Pad("ZULU", kTitleWidth));
  auto first_zulu = std::find_if(asc.begin(), asc.end(), [](const Entry& e) { return e.key == Pad("ZULU", kTitleWidth); });
  ASSERT_NE(first_zulu, asc.end());
  EXPECT_EQ(t_.CurrentRecNo(), first_zulu->recno);
  // Nearest below everything: the first record; above everything: the end.
  t_.FindNearest({{2, "\x01"}});
  EXPECT_EQ(t_.CurrentRecNo(), asc.front().recno);
  t_.FindNearest({{2, "\xFF"}});
  EXPECT_TRUE(t_.Eof());
  EXPECT_FALSE(t_.HasRecord());
  t_.FindNearest({{2, "m"}});
  auto m = std::find_if(asc.begin(), asc.end(), [](const Entry& e) { return e.key >= Pad("M", kTitleWidth); });
  EXPECT_EQ(t_.CurrentRecNo(), m->recno);
  // A descending tag runs the other way.
  auto desc = Oracle(t_, "UPPER(TITLE)", true);
  t_.SetActiveTag("TITLED");
  t_.FindNearest({{2, "\xFF"}});
  EXPECT_EQ(t_.CurrentRecNo(), desc.front().recno);
  t_.FindNearest({{2, "\x01"}});
  EXPECT_TRUE(t_.Eof());
  // Seeks stay inside the range.
  t_.SetActiveTag("TITLE");
  LetterRange('B', false, nullptr);
  EXPECT_FALSE(t_.FindKey({{2, "zulu"}}));
  t_.FindNearest({{2, "\x01"}});
  EXPECT_EQ(t_.CurrentKey().substr(0, 1), "B");
}

TEST(ProductionIndex, TagOperationsNeedExclusiveUseAndSoundExpressions) {
  ScratchDir dir;
  Table::Create(dir.path(), "data.dbf", Fields());
  Table t(dir.path(), "data.dbf");
  t.Open();
  EXPECT_EQ(t.TagCount(), 0);
  EXPECT_THROW(t.AddTag("IDX0", "STR(RECNO, 20, 4)", 16), DatabaseError);
  EXPECT_THROW(t.SetActiveTag("IDX0"), DatabaseError);
  t.Close();
  t.SetExclusive(true);
  t.Open();
  for (const char* bad : {"UPPER(", "UPPER(RECNO)", "NOFIELD", "SUBSTR(TITLE, 1, 200)+TITLE+TITLE"})
    EXPECT_THROW(t.AddTag("BAD", bad, 16), DatabaseError) << bad;
  for (int i = 0; i < kMdxMaxTags; ++i) t.AddTag("T" + std::to_string(i), "STR(RECNO, 20, 4)", 16);
  EXPECT_EQ(t.TagCount(), kMdxMaxTags);
  EXPECT_THROW(t.AddTag("ONEMORE", "STR(RECNO, 20, 4)", 16), DatabaseError);
  EXPECT_THROW(t.AddTag("T3", "UPPER(TITLE)", 16), DatabaseError);  // exists
  t.DeleteTag("T3");
  EXPECT_EQ(t.TagCount(), kMdxMaxTags - 1);
  EXPECT_THROW(t.DeleteTag("T3"), DatabaseError);
  t.AddTag("ONEMORE", "UPPER(TITLE)", 20);
  t.Close();
  t.SetExclusive(false);
  t.SetActiveTag("onemore");  // names are found in any case
  t.Open();
  EXPECT_EQ(t.TagOptions(t.TagCount() - 1), 20);
  EXPECT_THROW(t.DeleteTag("T1"), DatabaseError);
  EXPECT_THROW(t.RebuildTags(), DatabaseError);
  t.Close();
  t.SetActiveTag("GONE");
  EXPECT_THROW(t.Open(), DatabaseError);
  EXPECT_FALSE(t.IsOpen());
}

TEST(ProductionIndex, KilledWriterMarkMakesTheNextOpenRebuild) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    std::mt19937 rng(3);
    for (int i = 1; i <= 200; ++i) AppendRecord(t, i, rng);
  }
  // Leave the index as a writer dies: the update mark set and a leaf block
  // of the first tag half written.
  auto mdx = dir / "data.mdx";
  std::string bytes = test::ReadFile(mdx);
  ASSERT_EQ(bytes.substr(48, 4), "QLRX");
  bytes[56] = 1;
  MdxFile f;
  f.Open(mdx, true);
  uint32_t root = f.Tags()[0].root_page;
  MdxNode n = f.ReadNode(f.Tags()[0], root);
  while (!n.leaf) n = f.ReadNode(f.Tags()[0], root = n.pointers.front());
  f.Close();
  size_t leaf = size_t(root) * 512;
  bytes[leaf] = char(uint8_t(bytes[leaf]) - 3);  // three keys lost
  test::WriteFile(mdx, bytes);
  Table t(dir.path(), "data.dbf");
  t.Open();
  ExpectEveryTagRight(t, "after the rebuild on open");
  EXPECT_EQ(test::ReadFile(mdx)[56], 0);
}

TEST(ProductionIndex, WriterKilledInTheMiddleOfIndexUpdatesLeavesNothingWrong) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  for (int round = 0; round < 3; ++round) {
    {
      Child peer({INDEX_PEER});
      peer.Send("open " + dir.path().string() + " data.dbf");
      ASSERT_EQ(peer.ReadLine(), "ok");
      peer.Send("stream 100000");
      for (int i = 0; i < 40 + 73 * round; ++i) ASSERT_EQ(peer.ReadLine().rfind("posted", 0), 0u);
      peer.Kill();
      peer.Wait();
    }
    Table t(dir.path(), "data.dbf");
    t.Open();
    ExpectEveryTagRight(t, "after kill " + std::to_string(round));
  }
}

TEST(ProductionIndex, UnreadableIndexIsAGeneralErrorNotALockConflict) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  auto mdx = dir / "data.mdx";
  std::string bytes = test::ReadFile(mdx);
  for (auto damage : {std::string("truncated"), std::string("root outside")}) {
    std::string b = bytes;
    if (damage == "truncated") b.resize(700);
    else b[2048 + 0] = char(0xF0), b[2048 + 1] = char(0xFF);  // first tag header's root page
    test::WriteFile(mdx, b);
    Table t(dir.path(), "data.dbf");
    try {
      t.Open();
      ADD_FAILURE() << damage << ": opened";
    } catch (const DatabaseError& e) {
      EXPECT_EQ(e.reason(), ErrorReason::Damaged) << damage << ": " << e.what();
    }
    EXPECT_FALSE(t.IsOpen());
  }
  std::filesystem::remove(mdx);
  Table t(dir.path(), "data.dbf");
  try {
    t.Open();
    ADD_FAILURE() << "opened without its index";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.reason(), ErrorReason::Missing);
  }
}

TEST(ProductionIndex, TwoProcessesInterleavingKeepTagsAndCountsRight) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  Child peer({INDEX_PEER});
  auto ask = [&](const std::string& cmd) {
    peer.Send(cmd);
    return peer.ReadLine();
  };
  ASSERT_EQ(ask("open " + dir.path().string() + " data.dbf"), "ok");
  Table t(dir.path(), "data.dbf");
  t.Open();
  std::mt19937 rng(5);
  // Counts in this process right after the other one changed the table.
  auto counts_right = [&](const std::string& when) {
    auto titles = Oracle(t, "UPPER(TITLE)", false);
    t.SetActiveTag("FTITLED");
    EXPECT_EQ(t.RecordCount(), titles.size()) << when;
    t.SetActiveTag("TITLE");
    EXPECT_EQ(t.RecordCount(), titles.size()) << when;
    t.SetRangeStart({{2, "B"}});
    t.SetRangeEnd({{2, "B\xFF"}});
    t.ApplyRange();
    EXPECT_EQ(t.RecordCount(), InRange(titles, Pad("B", kTitleWidth), Pad("B\xFF", kTitleWidth)).size()) << when;
    EXPECT_GT(t.RecordCount(), 0u) << when;
    t.CancelRange();
    t.SetActiveTag("");
  };
  for (int round = 0; round < 6; ++round) {
    for (int i = 0; i < 15; ++i) {
      AppendRecord(t, 100 * round + i, rng);
      ASSERT_EQ(ask("append " + std::to_string(5000 + i) + " 2 Banana peer " + std::to_string(rng() % 100)).rfind("ok", 0), 0u);
    }
    counts_right("after appends in round " + std::to_string(round));
    RecNo last = t.PhysicalRecordCount();
    ASSERT_EQ(ask("edit " + std::to_string(last - 1) + " bravo edited by peer"), "ok");
    ASSERT_EQ(ask("delete " + std::to_string(last - 3)), "ok");
    t.GotoRecNo(last - 5);
    t.Edit();
    t.SetText(2, "Bongo edited here");
    t.Post();
    t.GotoRecNo(last - 2);
    t.Delete();
    counts_right("after edits in round " + std::to_string(round));
    if (round % 2 == 1) {
      // Pack needs the table to itself: the peer steps out meanwhile.
      ASSERT_EQ(ask("close"), "ok");
      t.Close();
      t.SetExclusive(true);
      t.Open();
      t.Pack();
      t.Close();
      t.SetExclusive(false);
      t.Open();
      ASSERT_EQ(ask("open " + dir.path().string() + " data.dbf"), "ok");
    }
    std::string peer_count = ask("count TITLE");
    auto all = Oracle(t, "UPPER(TITLE)", false);
    EXPECT_EQ(peer_count, "ok " + std::to_string(all.size())) << round;
  }
  ExpectEveryTagRight(t, "after two processes");
  ask("quit");
  t.Close();
  std::string cmd = std::string(DBFTOOL) + " check " + (dir / "data.dbf").string() + " > /dev/null";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

// A tag built in one pass over the table holds, block by block, the keys the
// expression gives each live record, in key order with ties by record number:
// both for the shapes cut straight from the field bytes and for the others.
TEST(ProductionIndex, BuiltTagsHoldTheExpressionsKeysInOrder) {
  ScratchDir dir;
  Table::Create(dir.path(), "data.dbf", Fields());
  const TagDef tags[] = {
      {"UPSUB", "UPPER(SUBSTR(TITLE, 1, 30))", 16}, {"UPSUBD", "UPPER(SUBSTR(TITLE, 1, 30))", 20},
      {"MIDDLE", "SUBSTR(TITLE, 3, 9)", 16},         {"PLAIND", "TITLE", 20},
      {"UPPER", "UPPER(TITLE)", 16},                 {"MIXED", "MARK+UPPER(TITLE)", 20},
  };
  // Pieces with two-byte letters, letters whose capital is shorter (dotless
  // i to I) or longer, three-byte signs; titles up to the full field width.
  const char* pieces[] = {"alpha", "Alpha", "ALPHA", "\xC3\xA4rger", "\xC4\xB1stanbul", "stra\xC3\x9F" "e",
                          "\xE2\x82\xAC" "5", "z", "", " ", "caf\xC3\xA9", "\xC3\x89" "clair", "42", "~"};
  std::mt19937 rng(4711);
  {
    Table t(dir.path(), "data.dbf");
    t.SetExclusive(true);
    t.Open();
    for (int i = 1; i <= 3000; ++i) {
      std::string title;
      for (int k = int(rng() % 7); k > 0; --k) {
        std::string next = title + pieces[rng() % std::size(pieces)] + (rng() % 2 ? " " : "");
        if (next.size() > size_t(kTitleWidth)) break;
        title = next;
      }
      t.Append();
      t.SetNumber(0, i);
      t.SetText(1, rng() % 3 ? "2" : "0");
      t.SetText(2, title);
      t.Post();
    }
    for (RecNo r = 5; r <= 3000; r += 11) {
      t.GotoRecNo(r);
      t.Delete();
    }
    for (const auto& d : tags) t.AddTag(d.name, d.expr, d.options);
    t.SetActiveTag("");
  }
  Table t(dir.path(), "data.dbf");
  t.Open();
  std::map<std::string, std::vector<Entry>> want;
  for (const auto& d : tags) want[d.name] = Oracle(t, d.expr, d.options & 4);
  MdxFile file;
  file.Open(dir / "data.mdx", true);
  ASSERT_EQ(file.Tags().size(), std::size(tags));
  for (const MdxTag& tag : file.Tags()) {
    TagTree tree;
    ASSERT_TRUE(tree.Load(file, tag, 3000)) << tag.name;
    std::vector<Entry> got;
    tree.ForEach([&](std::string_view key, RecNo r) { got.push_back({std::string(key), r}); });
    const std::vector<Entry>& expected = want[tag.name];
    ASSERT_EQ(got.size(), expected.size()) << tag.name;
    size_t wrong = 0;
    for (size_t i = 0; i < got.size(); ++i)
      if (got[i].key != expected[i].key || got[i].recno != expected[i].recno) {
        if (wrong++ == 0) ADD_FAILURE() << tag.name << " entry " << i << ": record " << got[i].recno << " key \"" << got[i].key
                                        << "\", expected record " << expected[i].recno << " key \"" << expected[i].key << "\"";
      }
    EXPECT_EQ(wrong, 0u) << tag.name;
  }
}

TEST(ProductionIndex, PerlXBaseIndexListsOurKeysInOurOrder) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    std::mt19937 rng(9);
    for (int i = 1; i <= 900; ++i) AppendRecord(t, i, rng);  // several tree levels
    for (RecNo r = 2; r <= 900; r += 9) {
      t.GotoRecNo(r);
      t.Delete();
    }
  }
  Table t(dir.path(), "data.dbf");
  t.Open();
  const std::string script = (dir / "list.pl").string();
  test::WriteFile(script,
                  "use XBase::Index;\n"
                  "my $idx = XBase::Index->new($ARGV[0], 'tag' => $ARGV[1]) or die XBase::Index->errstr;\n"
                  "$idx->prepare_select;\n"
                  "while (my ($key, $val) = $idx->fetch) { print \"$val\\n\"; }\n");
  for (const char* tag : {"IDX0", "TITLE", "TITLED", "FTITLED", "TWO"}) {
    t.SetActiveTag(tag);
    std::vector<RecNo> ours = TagOrder(t);
    std::string out = (dir / "perl.out").string();
    std::string cmd = "perl " + script + " " + (dir / "data.mdx").string() + " " + tag + " > " + out;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << tag;
    std::ifstream in(out);
    std::vector<RecNo> theirs;
    for (unsigned long r; in >> r;) theirs.push_back(RecNo(r));
    EXPECT_EQ(theirs, ours) << tag;
  }
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

std::string Tool(const std::string& args, int* status = nullptr) {
  std::string cmd = std::string(DBFTOOL) + " " + args + " 2>&1";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  while (p && std::fgets(buf, sizeof buf, p)) out += buf;
  int rc = p ? ::pclose(p) : -1;
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

TEST(Dbftool, TagCommandsCountsAndCheckOfChangesBehindTheEnginesBack) {
  ScratchDir dir;
  Table::Create(dir.path(), "data.dbf", Fields());
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    const char* titles[] = {"bravo", "Alpha", "charlie", "alpha two", "Delta", "\xC3\xA9lan"};
    for (int i = 0; i < 6; ++i) {
      t.Append();
      t.SetNumber(0, i + 1);
      t.SetText(2, titles[i]);
      t.Post();
    }
  }
  const std::string file = (dir / "data.dbf").string();
  int rc = 0;
  EXPECT_EQ(Tool("add-tag " + file + " TITLE \"UPPER(TITLE)\"", &rc), "added tag TITLE\n");
  EXPECT_EQ(rc, 0);
  Tool("add-tag " + file + " TITLED \"UPPER(TITLE)\" --descending", &rc);
  EXPECT_EQ(rc, 0);
  Tool("add-tag " + file + " BAD \"UPPER(\"", &rc);
  EXPECT_NE(rc, 0);
  EXPECT_EQ(Tool("count --tag TITLE " + file), "6\n");
  EXPECT_EQ(Tool("count --tag TITLE --from A --to B " + file), "3\n");
  EXPECT_EQ(Tool("count --tag TITLED --from A --to B " + file), "3\n");
  EXPECT_EQ(Tool("count --tag TITLE --from '\\x01' --to A " + file), "2\n");
  EXPECT_EQ(Tool("count --tag TITLE --from Z --to '\\xFF' " + file), "1\n");
  std::string dump = Tool("dump --tag TITLED " + file);
  EXPECT_LT(dump.find("\xC3\xA9lan"), dump.find("Delta"));
  EXPECT_LT(dump.find("Delta"), dump.find("bravo"));
  EXPECT_NE(Tool("info " + file).find("TITLED     descending expression  UPPER(TITLE)"), std::string::npos);
  EXPECT_EQ(Tool("check " + file, &rc).rfind("ok: 6 records (0 deleted), 2 index tag(s)", 0), 0u);
  EXPECT_EQ(rc, 0);

  // Behind the engine's back: one title edited in the file, one record
  // appended by copying another.
  std::string bytes = test::ReadFile(dir / "data.dbf");
  uint32_t count = uint8_t(bytes[4]) | uint8_t(bytes[5]) << 8;
  size_t header = uint8_t(bytes[8]) | uint8_t(bytes[9]) << 8, rs = uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8;
  std::memcpy(&bytes[header + 12], "Zulu ", 5);
  std::string rec = bytes.substr(header, rs);
  std::memcpy(&rec[12], "Mike ", 5);
  bytes.resize(header + count * rs);
  bytes += rec + "\x1A";
  bytes[4] = char(count + 1);
  test::WriteFile(dir / "data.dbf", bytes);
  std::string report = Tool("check " + file, &rc);
  EXPECT_EQ(rc, 1) << report;
  EXPECT_NE(report.find("tag TITLE: record 1 has key \"BRAVO\" but its data gives \"ZULU\""), std::string::npos) << report;
  EXPECT_NE(report.find("tag TITLE: record 7 has no key (its data gives \"MIKE\")"), std::string::npos) << report;
  // Reindexing makes it whole again; delete-tag takes a tag away.
  EXPECT_EQ(Tool("reindex " + file, &rc), "rebuilt 2 index tag(s)\n");
  EXPECT_EQ(Tool("check " + file, &rc).rfind("ok: 7 records", 0), 0u);
  EXPECT_EQ(Tool("delete-tag " + file + " TITLED", &rc), "deleted tag TITLED\n");
  std::string gone = Tool("count --tag TITLED " + file, &rc);
  EXPECT_NE(gone.find("No index tag"), std::string::npos) << gone;
  EXPECT_EQ(rc, 3);
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Tables from other systems name their files in any case ("DATA.MDX" beside
// "data.dbf"): the engine opens, keeps, packs and copies them under their
// own names and never makes lower-case twins.
TEST(ProductionIndex, CompanionFilesInAnyLetterCaseAreTheTablesOwn) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  std::mt19937 rng(21);
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    for (int i = 1; i <= 60; ++i) AppendRecord(t, i, rng);
  }
  std::filesystem::rename(dir / "data.dbf", dir / "DATA.DBF");
  std::filesystem::rename(dir / "data.dbt", dir / "Data.Dbt");
  std::filesystem::rename(dir / "data.mdx", dir / "DATA.MDX");
  test::WriteFile(dir / "DATA.CPG", test::ReadFile(dir / "data.cpg"));
  std::filesystem::remove(dir / "data.cpg");
  const std::vector<std::string> names = {"DATA.CPG", "DATA.DBF", "DATA.MDX", "Data.Dbt"};
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    ASSERT_EQ(t.TagCount(), int(std::size(kTags)));
    EXPECT_EQ(t.TableCodePage(), CodePage::Utf8);
    for (int i = 61; i <= 90; ++i) AppendRecord(t, i, rng);
    t.GotoRecNo(7);
    t.Edit();
    t.SetText(2, "renamed");
    t.SetText(4, "memo in the upper-case memo file");
    t.Post();
    t.GotoRecNo(8);
    t.Delete();
    ExpectEveryTagRight(t, "upper-case companions");
  }
  EXPECT_EQ(FileNames(dir.path()), names);
  {
    Table t(dir.path(), "Data.dbf");
    t.SetExclusive(true);
    t.Open();
    t.Pack();
    ExpectEveryTagRight(t, "after pack");
    t.GotoRecNo(7);
    EXPECT_EQ(t.AsText(4), "memo in the upper-case memo file");
  }
  EXPECT_EQ(FileNames(dir.path()), names);
  CopyTable(dir.path(), "data.dbf", dir.path(), "copy.dbf", false);
  {
    Table c(dir.path(), "copy.dbf");
    c.Open();
    EXPECT_EQ(c.TagCount(), int(std::size(kTags)));
    EXPECT_EQ(c.RecordCount(), 89u);
    ExpectEveryTagRight(c, "copy");
  }
  RenameTable(dir.path(), "data.dbf", "moved.dbf");
  DeleteTable(dir.path(), "copy.dbf");
  EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"moved.cpg", "moved.dbf", "moved.dbt", "moved.mdx"}));
  Table m(dir.path(), "moved.dbf");
  m.Open();
  ExpectEveryTagRight(m, "renamed");
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

// Ranges given as key records on number and date keys, ascending and
// descending: the engine evaluates the tag's expression on the key record,
// and numbers and dates compare by value (negative numbers included).
TEST(ProductionIndex, RangesFromKeyRecordsOnNumberAndDateKeys) {
  ScratchDir dir;
  Table::Create(dir.path(), "data.dbf", Fields());
  Table t(dir.path(), "data.dbf");
  t.SetExclusive(true);
  t.Open();
  t.AddTag("NUM", "RECNO", 0);
  t.AddTag("NUMD", "RECNO", 4);
  t.AddTag("DAY", "DATE", 0);
  t.AddTag("DAYD", "DTOS(DATE)", 20);
  t.AddTag("INV", "STR({12/31/3099}-DATE, 10, 0)", 16);
  auto date_of = [](int i) -> std::string {
    if (i % 7 == 0) return "";
    char d[16];
    std::snprintf(d, sizeof d, "%04d%02d%02d", 2018 + i % 5, 1 + i % 12, 1 + i % 28);
    return d;
  };
  for (int i = 0; i < 300; ++i) {
    t.Append();
    t.SetNumber(0, i - 150);
    t.SetText(2, "r" + std::to_string(i));
    t.SetText(3, date_of(i));
    t.Post();
  }
  for (RecNo r = 3; r <= 300; r += 10) {  // deleted records are in no range
    t.GotoRecNo(r);
    t.Delete();
  }
  struct Case {
    const char* tag;
    KeyValues from, to;
    std::function<bool(double number, const std::string& date)> in;
  } cases[] = {
      {"NUM", {{0, "-20"}}, {{0, "15"}}, [](double n, auto&) { return n >= -20 && n <= 15; }},
      {"NUM", {{0, "15"}}, {{0, "-20"}}, [](double n, auto&) { return n >= -20 && n <= 15; }},
      {"NUMD", {{0, "15"}}, {{0, "-20"}}, [](double n, auto&) { return n >= -20 && n <= 15; }},
      {"NUM", {{0, "-1000"}}, {{0, "-149.5"}}, [](double n, auto&) { return n <= -149.5; }},
      {"NUM", {}, {{0, "0"}}, [](double n, auto&) { return n == 0; }},  // no field given: empty, 0
      {"DAY", {{3, "20200101"}}, {{3, "20201231"}}, [](double, auto& d) { return d.rfind("2020", 0) == 0; }},
      {"DAYD", {{3, "20201231"}}, {{3, "20200101"}}, [](double, auto& d) { return d.rfind("2020", 0) == 0; }},
      {"INV", {{3, "20201231"}}, {{3, "20200101"}}, [](double, auto& d) { return d.rfind("2020", 0) == 0; }},
      {"DAY", {}, {}, [](double, auto& d) { return d.empty(); }},  // the blank date alone
  };
  for (const auto& c : cases) {
    std::string where = std::string(c.tag) + " case " + std::to_string(&c - cases);
    t.SetActiveTag("");
    uint64_t want = 0;
    for (t.First(); !t.Eof(); t.Next()) want += c.in(t.AsNumber(0), t.AsText(3)) ? 1 : 0;
    ASSERT_GT(want, 0u) << where;
    t.SetActiveTag(c.tag);
    t.SetRangeStart(c.from);
    t.SetRangeEnd(c.to);
    t.ApplyRange();
    EXPECT_EQ(t.RecordCount(), want) << where;
    uint64_t seen = 0;
    std::optional<double> last_number;
    std::string last_date;
    for (t.First(); !t.Eof(); t.Next(), ++seen) {
      double n = t.AsNumber(0);
      std::string d = t.AsText(3);
      EXPECT_TRUE(c.in(n, d)) << where << ": " << n << " " << d;
      if (c.tag == std::string("NUM") && last_number) {
        EXPECT_LT(*last_number, n) << where;
      }
      if (c.tag == std::string("NUMD") && last_number) {
        EXPECT_GT(*last_number, n) << where;
      }
      if (c.tag == std::string("DAY") && seen) {
        EXPECT_LE(last_date, d) << where;
      }
      if (c.tag != std::string("DAY") && c.tag[0] == 'D' && seen) {
        EXPECT_GE(last_date, d) << where;
      }
      last_number = n;
      last_date = d;
    }
    EXPECT_EQ(seen, want) << where;
    t.CancelRange();
  }
}

}  // namespace
}  // namespace quillary::dbase

namespace quillary::dbase {
namespace {

// dbftool check looks at the index as a killed writer left it: it reports
// the unfinished update and repairs nothing; the next open by the engine
// rebuilds, after which check is clean.
TEST(Dbftool, CheckReportsAnIndexLeftInTheMiddleOfAnUpdateWithoutRepairingIt) {
  ScratchDir dir;
  CreateIndexed(dir.path());
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    std::mt19937 rng(4);
    for (int i = 1; i <= 50; ++i) AppendRecord(t, i, rng);
  }
  const auto mdx = dir / "data.mdx";
  std::string bytes = test::ReadFile(mdx);
  ASSERT_EQ(bytes.substr(48, 4), "QLRX");
  bytes[56] = 1;  // the update mark a writer sets first
  test::WriteFile(mdx, bytes);
  const std::string file = (dir / "data.dbf").string();
  int rc = 0;
  std::string report = Tool("check " + file, &rc);
  EXPECT_EQ(rc, 1) << report;
  EXPECT_NE(report.find("damage: index: the index was left in the middle of an update"), std::string::npos) << report;
  EXPECT_EQ(test::ReadFile(mdx), bytes);  // untouched
  {
    Table t(dir.path(), "data.dbf");
    t.Open();
    ExpectEveryTagRight(t, "after the rebuild on open");
  }
  report = Tool("check " + file, &rc);
  EXPECT_EQ(rc, 0) << report;
  EXPECT_EQ(report.rfind("ok: 50 records (0 deleted), " + std::to_string(std::size(kTags)) + " index tag(s)", 0), 0u)
      << report;
}

}  // namespace
}  // namespace quillary::dbase
