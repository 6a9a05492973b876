// The main window's browsing rules without a window: page moves, enabled
// states, record moves across letters, the labels and the cell formats.
#include <gtest/gtest.h>

#include "mainwin/browse_rules.h"
#include "mainwin/color_scheme.h"

namespace quillary {
namespace {

LetterCounts Counts(std::initializer_list<std::pair<char, int>> entries) {
  LetterCounts a{};
  for (auto [l, n] : entries) a[size_t(l - 'A')] = n;
  return a;
}

TEST(PageMoveTest, PgUpAndPgDn) {
  struct Case {
    PageState s;
    PageMove up, down;
  };
  const Case cases[] = {
      // 20 records, pages of 10, no tabs.
      {{0, 10, 20, false, 'A'}, {}, {PageMove::Offset, 10}},
      {{10, 10, 20, false, 'A'}, {PageMove::Offset, 0}, {PageMove::Offset, 20}},
      // The page past records that fill the pages exactly, and no further.
      {{20, 10, 20, false, 'A'}, {PageMove::Offset, 10}, {}},
      {{15, 10, 20, false, 'A'}, {PageMove::Offset, 5}, {}},
      // With tabs: the first page moves to the previous letter's last page,
      // the last page to the next letter.
      {{0, 10, 3, true, 'C'}, {PageMove::Letter, 0, 'B', true}, {PageMove::Letter, 0, 'D', false}},
      {{0, 10, 0, true, 'A'}, {}, {PageMove::Letter, 0, 'B', false}},
      {{0, 10, 0, true, 'Z'}, {PageMove::Letter, 0, 'Y', true}, {}},
      {{0, 10, 10, true, 'Z'}, {PageMove::Letter, 0, 'Y', true}, {PageMove::Offset, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.s.pageOffset << "/" << c.s.count << " " << c.s.currentLetter);
    EXPECT_EQ(PgUpMove(c.s), c.up);
    EXPECT_EQ(PgDnMove(c.s), c.down);
  }
}

TEST(PageMoveTest, LastAndSynchronizeOffsets) {
  EXPECT_EQ(LastPageOffset(20, 10), 10);
  EXPECT_EQ(LastPageOffset(21, 10), 20);
  EXPECT_EQ(LastPageOffset(9, 10), 0);
  EXPECT_EQ(LastPageOffset(0, 10), 0);
  EXPECT_EQ(LastPageOffset(10, 10), 0);
  EXPECT_EQ(PageOffsetOf(1, 10), 0);
  EXPECT_EQ(PageOffsetOf(10, 10), 0);
  EXPECT_EQ(PageOffsetOf(11, 10), 10);
  EXPECT_EQ(PageOffsetOf(0, 10), 0);
}

TEST(PageMoveTest, PageButtonStates) {
  struct Case {
    PageState s;
    PageButtons b;  // first, pgUp, pgDn, last
  };
  const Case cases[] = {
      {{0, 10, 20, false, 'A'}, {false, false, true, true}},
      {{10, 10, 20, false, 'A'}, {true, true, true, false}},
      {{20, 10, 20, false, 'A'}, {true, true, false, false}},
      {{0, 10, 5, false, 'A'}, {false, false, false, false}},
      {{0, 10, 5, true, 'A'}, {false, false, true, false}},
      {{0, 10, 5, true, 'M'}, {false, true, true, false}},
      {{0, 10, 5, true, 'Z'}, {false, true, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.s.pageOffset << "/" << c.s.count << " " << c.s.currentLetter);
    EXPECT_EQ(PageButtonStates(c.s), c.b);
  }
}

TEST(RecordMoveTest, ButtonStatesAtTheEnds) {
  RecordState s;
  s.rangeCount = 3;
  s.recordNo = 1;
  EXPECT_EQ(RecordButtonStates(s), (RecordButtons{false, true}));
  s.recordNo = 3;
  EXPECT_EQ(RecordButtonStates(s), (RecordButtons{true, false}));
  s.newRecordMode = true;
  s.recordNo = 4;
  EXPECT_EQ(RecordButtonStates(s), (RecordButtons{true, true}));
  s.readOnlyWithoutRecord = true;
  EXPECT_EQ(RecordButtonStates(s), (RecordButtons{false, false}));

  // With tabs the ends are those of the letters with records.
  RecordState t;
  t.tabsActive = true;
  t.letters = Counts({{'C', 2}, {'M', 3}, {'P', 1}});
  t.currentLetter = t.recordLetter = 'M';
  t.recordNo = 3;
  EXPECT_EQ(RecordButtonStates(t), (RecordButtons{true, true}));
  t.recordLetter = 'P';
  t.recordNo = 1;
  EXPECT_EQ(RecordButtonStates(t), (RecordButtons{true, false}));
  t.recordLetter = 'C';
  EXPECT_EQ(RecordButtonStates(t), (RecordButtons{false, true}));
}

TEST(RecordMoveTest, TargetsAcrossLetters) {
  RecordState s;
  s.tabsActive = true;
  s.letters = Counts({{'C', 2}, {'M', 3}, {'P', 4}});
  s.currentLetter = s.recordLetter = 'M';
  // "Next" on the last "M" record: the first "P" record, none under N, O.
  s.recordNo = 3;
  EXPECT_EQ(NextTarget(s), (MoveTarget{'P', 0}));
  s.recordNo = 2;
  EXPECT_EQ(NextTarget(s), (MoveTarget{'M', 2}));
  // "Previous" on the first "M" record: the last "C" record.
  s.recordNo = 1;
  EXPECT_EQ(PreviousTarget(s), (MoveTarget{'C', 1}));
  // A new record in an empty letter starts from the current letter.
  s.newRecordMode = true;
  s.currentLetter = 'N';
  s.recordNo = 1;
  EXPECT_EQ(PreviousTarget(s), (MoveTarget{'M', 2}));
  EXPECT_EQ(NextTarget(s), (MoveTarget{'P', 0}));
  // Past the last letter with records: its first record; before the first:
  // the first letter's last record.
  s.currentLetter = 'Z';
  EXPECT_EQ(NextTarget(s), (MoveTarget{'P', 0}));
  s.currentLetter = 'A';
  EXPECT_EQ(PreviousTarget(s), (MoveTarget{'C', 1}));
  s.letters = {};
  EXPECT_EQ(NextTarget(s), std::nullopt);

  RecordState flat;
  flat.rangeCount = 5;
  flat.recordNo = 1;
  EXPECT_EQ(PreviousTarget(flat), (MoveTarget{0, 0}));
  flat.recordNo = 5;
  EXPECT_EQ(NextTarget(flat), (MoveTarget{0, 4}));
  flat.newRecordMode = true;
  flat.recordNo = 6;
  EXPECT_EQ(PreviousTarget(flat), (MoveTarget{0, 4}));
}

TEST(LabelsTest, StatusNumberAndPercent) {
  EXPECT_EQ(StatusText(true, true, true), "New Record");
  EXPECT_EQ(StatusText(false, true, true), "Read Only Access");
  EXPECT_EQ(StatusText(false, false, true), "Read Only Access - Record In Use");
  EXPECT_EQ(StatusText(false, false, false), "Read/Write Access");
  EXPECT_EQ(RecordNumberText(12, false), "12");
  EXPECT_EQ(RecordNumberText(12345678, false), "123456");
  EXPECT_EQ(RecordNumberText(5, true), "");
  const std::pair<std::pair<int, int>, const char*> percents[] = {
      {{1, 8}, "12%"},   // 12.5 goes to the even neighbour
      {{3, 8}, "38%"},   // 37.5 likewise
      {{1, 3}, "33%"}, {{2, 3}, "67%"}, {{21, 20}, "100%"}, {{0, 0}, "100%"}, {{1, 1}, "100%"}};
  for (const auto& [in, out] : percents) EXPECT_EQ(PercentText(in.first, in.second), out) << in.first << "/" << in.second;
}

TEST(CellTest, FormatsPerFieldKind) {
  EXPECT_EQ(FormatCell(CellKind::Text, "Acme", 0, {}).text, "Acme");
  EXPECT_FALSE(FormatCell(CellKind::Text, "Acme", 0, {}).rightAligned);
  EXPECT_EQ(FormatCell(CellKind::Memo, "long text", 0, {}).text, "");
  EXPECT_EQ(FormatCell(CellKind::Picture, "\x89PNG", 0, {}).text, "");
  const CellText money = FormatCell(CellKind::Numeric, "1234567.5", 2, {}, ".", ",");
  EXPECT_EQ(money.text, "1,234,567.50");
  EXPECT_TRUE(money.rightAligned);
  EXPECT_EQ(FormatCell(CellKind::Numeric, "1234567", 0, {}, ".", ",").text, "1,234,567");
  EXPECT_EQ(FormatCell(CellKind::Numeric, "", 2, {}, ".", ",").text, "0.00");
  EXPECT_EQ(FormatCell(CellKind::Date, "", 0, "0").text, "");
  const QString y = FormatCell(CellKind::Date, "20240307", 0, "3").text;
  EXPECT_EQ(y, "2024");
  const QString dmy = FormatCell(CellKind::Date, "20240307", 0, "1").text;
  EXPECT_TRUE(dmy.startsWith("07") && dmy.endsWith("2024")) << dmy.toStdString();
  const QString ymd = FormatCell(CellKind::Date, "20240307", 0, "2").text;
  EXPECT_TRUE(ymd.startsWith("2024") && ymd.endsWith("07")) << ymd.toStdString();
}

TEST(ColorTest, DefaultSchemeAndTabColours) {
  // Blue on silver record buttons, white on gray when selected.
  EXPECT_EQ(Scheme().Rgb(0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Scheme().Rgb(1) & 0xFFFFFF, 0xC0C0C0u);
  EXPECT_EQ(Scheme().Rgb(2) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Scheme().Rgb(3) & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(Scheme().Rgb(19) & 0xFFFFFF, 0x000080u);  // navy form labels
  EXPECT_EQ(LetterTabElements(3, false).text, 4);
  EXPECT_EQ(LetterTabElements(0, false).text, 6);
  EXPECT_EQ(LetterTabElements(0, true).background, 9);
}

}  // namespace
}  // namespace quillary
