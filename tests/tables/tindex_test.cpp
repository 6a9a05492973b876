// The sort descriptor on a real database: tag reuse, filtered tags, the
// failure path, the saved sort file, letters, ranges and counts.
#include <QFile>

#include "holder.h"
#include "tables/copy_buffer.h"
#include "tables/table_utils.h"
#include "tables/template_layout.h"
#include "tables_fixture.h"

namespace quillary::tables {
namespace {

using test::ReadAll;
using test::TableHolder;

class TIndexTest : public test::TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    ASSERT_TRUE(OpenDatabase());
  }
  TIndex& Ix() { return Db().Index; }
  dbase::Table& Data() { return Db().Data; }
  bool Sort(int p, bool pd = false, int s = 0, bool sd = false) {
    Ix().Remember();
    Ix().Current() = SortSetting{uint8_t(p), uint8_t(pd), uint8_t(s), uint8_t(sd)};
    return Ix().ApplySort();
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> out;
    for (Data().First(); !Data().Eof(); Data().Next()) out.push_back(Data().AsText(2));
    return out;
  }
  int Count(char l) const { return Db().Letters[size_t(l - 'A')]; }
};

TEST_F(TIndexTest, EntryOrderUsesTheTemplateTags) {
  ASSERT_TRUE(Sort(0));
  EXPECT_EQ(Data().ActiveTag(), "IDX0");
  EXPECT_EQ(Ix().SortExpression, kEntryOrderExpression);
  Ix().SetFilterState(FilterState::fsNormal);
  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_EQ(Data().ActiveTag(), "IDX1");
  EXPECT_EQ(Ix().FilteredExpression, kFilteredEntryOrderExpression);
  EXPECT_EQ(Data().TagCount(), 2);
}

TEST_F(TIndexTest, DescendingEntryOrder) {
  for (const char* t : {"one", "two", "three"}) AddRecord(t);
  ASSERT_TRUE(Sort(0, true));
  EXPECT_EQ(Titles(), (std::vector<std::string>{"three", "two", "one"}));
}

TEST_F(TIndexTest, TheSameSortAgainReusesItsTagAndAFilteredOneGetsIDXF) {
  for (const char* t : {"delta", "alpha", "charlie"}) AddRecord(t);
  int orders = 0;
  Db().OrderChanged = [&] { ++orders; };
  ASSERT_TRUE(Sort(2));
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"alpha", "charlie", "delta"}));
  ASSERT_TRUE(Sort(2, false, 9, true));
  EXPECT_EQ(Data().ActiveTag(), "IDX3");
  ASSERT_TRUE(Sort(2));
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
  EXPECT_EQ(Data().TagCount(), 4);
  EXPECT_EQ(orders, 3);

  Ix().SetFilterState(FilterState::fsNormal);
  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_EQ(Data().ActiveTag(), "IDXF4");
  int i = 0;
  for (int n = 0; n < Data().TagCount(); ++n)
    if (Data().TagName(n) == "IDXF4") i = n;
  EXPECT_EQ(Data().TagExpression(i), "MARK+UPPER(SUBSTR(TITLE, 1, 99))");
  ASSERT_TRUE(Sort(3));
  EXPECT_EQ(Data().ActiveTag(), "IDXF5");
  ASSERT_TRUE(Sort(2));
  EXPECT_EQ(Data().ActiveTag(), "IDXF4");
  Ix().SetFilterState(FilterState::fsFilterOff);
  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
  EXPECT_EQ(Data().TagCount(), 6);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TIndexTest, AnotherProcessHoldingTheTableBringsThePreviousTagBack) {
  ASSERT_TRUE(Sort(2));
  Ix().Remember();
  TableHolder holder(Dir(), "data.dbf", false);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  EXPECT_EQ(Ix().FindOrCreateTag(Data()), "IDX2");  // found: no exclusive use needed
  ASSERT_TRUE(Data().IsOpen());

  const SortSetting before = Ix().Current();
  EXPECT_FALSE(Sort(3, true));
  EXPECT_EQ(msgs.Texts(), QStringList{"Unable to create Index!\nDatabase may be used by someone else - this "
                                      "function requires Exclusive Database Use."});
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(Ix().Current(), before);
  EXPECT_TRUE(Data().IsOpen());
  EXPECT_FALSE(Data().Exclusive());
  EXPECT_EQ(Data().ActiveTag(), "IDX2");

  Ix().Current() = SortSetting{3, 0, 0, 0};
  Data().Close();
  EXPECT_EQ(Ix().FindOrCreateTag(Data()), "");

  // The tag search found the table closed and leaves it so.
  EXPECT_FALSE(Data().IsOpen());
  EXPECT_EQ(Data().ActiveTag(), "IDX2");

  // During the first open of a run the failure is quiet.
  msgs.shown.clear();
  ASSERT_NO_THROW(Data().Open());
  Db().SuppressIndexMessage = true;
  EXPECT_FALSE(Sort(3));
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TIndexTest, ASortWithoutAKeyFails) {
  ASSERT_TRUE(Sort(2));
  EXPECT_FALSE(Sort(11));  // the logo picture
  EXPECT_EQ(msgs.Texts(), QStringList{text::kIndexFailed});
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
  EXPECT_EQ(Ix().PrimaryField(), 2);
}

TEST_F(TIndexTest, SavedSortFile) {
  Ix().Current() = SortSetting{5, 1, 9, 0};
  ASSERT_TRUE(Ix().SaveSort());
  EXPECT_EQ(ReadAll(PathOf("data.idx")), QByteArray("\x05\x01\x09\x00", 4));
  Ix().ResetToEntryOrder();
  Ix().LoadSort();
  EXPECT_EQ(Ix().Current(), (SortSetting{5, 1, 9, 0}));
  EXPECT_EQ(Ix().Remembered(), SortSetting{});
  test::WriteAll(PathOf("data.idx"), QByteArray("\x05\x01\x09", 3));
  Ix().LoadSort();
  EXPECT_EQ(Ix().Current(), SortSetting{});
  QFile::remove(PathOf("data.idx"));
  Ix().LoadSort();
  EXPECT_EQ(Ix().Current(), SortSetting{});

  // A database opens with its saved sort.
  Ix().Current() = SortSetting{2, 0, 0, 0};
  ASSERT_TRUE(Ix().SaveSort());
  CloseDatabase();
  ASSERT_TRUE(OpenDatabase());
  EXPECT_EQ(Ix().PrimaryField(), 2);
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
}

const std::vector<std::pair<std::string, char>> kTitles = {
    {"apple", 'A'},  {"Banana", 'B'}, {"9 lives", 'A'}, {"!bang", 'A'}, {"", 'A'},
    {"[bracket", 'Z'}, {"Élan", 'Z'}, {"Ωmega", 'Z'},  {"zeta", 'Z'},  {"Mango", 'M'},
};

TEST_F(TIndexTest, LettersOfRecords) {
  for (const auto& [title, letter] : kTitles) AddRecord(title);
  ASSERT_TRUE(Sort(2));
  for (const auto& [title, letter] : kTitles) {
    SCOPED_TRACE(title);
    ASSERT_TRUE(Data().FindKey({{2, title}}) || title.empty());
    if (title.empty()) {
      for (Data().First(); !Data().Eof() && !Data().AsText(2).empty(); Data().Next()) {
      }
    }
    EXPECT_EQ(Ix().RecordLetter(Data()), letter);
  }
  ASSERT_TRUE(Sort(9));  // a date: no letters
  EXPECT_EQ(Ix().RecordLetter(Data()), 0);
  Data().Close();
  EXPECT_EQ(Ix().RecordLetter(Data()), 0);
}

TEST_F(TIndexTest, CountsAndRangesByLetter) {
  for (const auto& [title, letter] : kTitles) AddRecord(title, title == "apple" || title == "Élan" ? "0" : "2");
  for (bool descending : {false, true}) {
    SCOPED_TRACE(descending);
    ASSERT_TRUE(Sort(2, descending));
    Ix().CountLetters();
    EXPECT_EQ(Count('A'), 4);
    EXPECT_EQ(Count('B'), 1);
    EXPECT_EQ(Count('M'), 1);
    EXPECT_EQ(Count('Z'), 4);
    EXPECT_EQ(Count('C'), 0);
    int sum = 0;
    for (int n : Db().Letters) sum += n;
    EXPECT_EQ(sum, int(kTitles.size()));
    ASSERT_TRUE(Ix().SetLetterRange(Data(), 'Z'));
    std::vector<std::string> z = Titles();
    std::sort(z.begin(), z.end());
    EXPECT_EQ(z, (std::vector<std::string>{"[bracket", "zeta", "Élan", "Ωmega"}));
    ASSERT_TRUE(Ix().SetLetterRange(Data(), 'B'));
    EXPECT_EQ(Titles(), std::vector<std::string>{"Banana"});
  }
  // Under a filter only the marked records count.
  Ix().SetFilterState(FilterState::fsNormal);
  ASSERT_TRUE(Ix().ApplySort());
  Ix().CountLetters();
  EXPECT_EQ(Count('A'), 3);
  EXPECT_EQ(Count('Z'), 3);
  Ix().SetFilterState(FilterState::fsReversed);
  ASSERT_TRUE(Ix().ApplySort());
  Ix().CountLetters();
  EXPECT_EQ(Count('A'), 1);
  EXPECT_EQ(Count('Z'), 1);
  ASSERT_TRUE(Ix().SetLetterRange(Data(), 'Z'));
  EXPECT_EQ(Titles(), std::vector<std::string>{"Élan"});

  // Letter tabs off: no letter range, the whole filtered table.
  Opt().LetterTabs = 1;
  for (char l = 'A'; l <= 'Z'; ++l) EXPECT_FALSE(Ix().SetLetterRange(Data(), l)) << l;
  EXPECT_EQ(Data().RecordCount(), 2u);
  Ix().SetFilterState(FilterState::fsNormal);
  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_FALSE(Ix().SetLetterRange(Data(), 'A'));
  EXPECT_EQ(Data().RecordCount(), 8u);
  Ix().SetFilterState(FilterState::fsFilterOff);
  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_FALSE(Ix().SetLetterRange(Data(), 'A'));
  EXPECT_EQ(Data().RecordCount(), 10u);
  Opt().LetterTabs = 0;

  // A date as the primary field: no letter tabs either.
  ASSERT_TRUE(Sort(9));
  EXPECT_FALSE(Ix().SetLetterRange(Data(), 'A'));
  EXPECT_EQ(Data().RecordCount(), 10u);
}

TEST_F(TIndexTest, ATitleOfTheLetterAloneCountsUnderItWhateverTheSecondaryField) {
  const dbase::Date d{std::chrono::year(2020), std::chrono::month(5), std::chrono::day(17)};
  for (const char* t : {"B", "Bravo", "b", "C"}) {
    AddRecord(t);
    Data().Edit();
    Data().SetDate(9, d);
    Data().Post();
  }
  AddRecord("B");  // no date at all
  struct Case {
    bool primaryDescending, secondaryDescending;
    FilterState filter;
  };
  for (const Case& c : std::vector<Case>{{false, false, FilterState::fsFilterOff},
                                         {false, true, FilterState::fsFilterOff},
                                         {true, false, FilterState::fsFilterOff},
                                         {true, true, FilterState::fsFilterOff},
                                         {false, true, FilterState::fsNormal}}) {
    SCOPED_TRACE(testing::Message() << c.primaryDescending << c.secondaryDescending << int(c.filter));
    Ix().SetFilterState(FilterState::fsFilterOff);
    ASSERT_TRUE(Sort(2, c.primaryDescending, 9, c.secondaryDescending));
    Ix().SetFilterState(c.filter);
    ASSERT_TRUE(Ix().ApplySort());
    Ix().CountLetters();
    EXPECT_EQ(Count('B'), 4);
    EXPECT_EQ(Count('C'), 1);
    EXPECT_EQ(Count('A'), 0);
    ASSERT_TRUE(Ix().SetLetterRange(Data(), 'B'));
    std::vector<std::string> b = Titles();
    std::sort(b.begin(), b.end());
    EXPECT_EQ(b, (std::vector<std::string>{"B", "B", "Bravo", "b"}));
  }
  // The same for the range over the mark alone: an empty title with a date.
  AddRecord("");
  Data().Edit();
  Data().SetDate(9, d);
  Data().Post();
  Opt().LetterTabs = 1;
  for (FilterState f : {FilterState::fsNormal, FilterState::fsReversed}) {
    Ix().SetFilterState(f);
    ASSERT_TRUE(Ix().ApplySort());
    EXPECT_FALSE(Ix().SetLetterRange(Data(), 'B'));
    EXPECT_EQ(Data().RecordCount(), f == FilterState::fsNormal ? 6u : 0u);
  }
}

class Panel : public LetterTabPanel {
 public:
  void RedrawLetter(char l) override { drawn += l; }
  std::string drawn;
};

TEST_F(TIndexTest, StoreAndAdjustLetterCounts) {
  for (const char* t : {"alpha", "avocado", "bravo"}) AddRecord(t);
  ASSERT_TRUE(Sort(2));
  Ix().CountLetters();
  Panel panel;
  Db().Letters[0] = 0;
  ASSERT_TRUE(Ix().SetLetterRange(Data(), 'A'));
  Ix().StoreLetterCount('A', &panel);
  EXPECT_EQ(Count('A'), 2);
  Ix().AdjustLetterCounts('A', 'B', &panel);
  EXPECT_EQ(Count('A'), 1);
  EXPECT_EQ(Count('B'), 2);
  Ix().AdjustLetterCounts(0, 'Q', &panel);
  EXPECT_EQ(Count('Q'), 1);
  EXPECT_EQ(panel.drawn, "AABQ");

  // Pasting a copied "bravo" over an "a" record moves it between the counts.
  Ix().SetLetterRange(Data(), 'B');
  Data().CancelRange();
  Ix().CountLetters();
  Data().CancelRange();
  GotoPosition(Data(), 2);
  ASSERT_EQ(Data().AsText(2), "bravo");
  CopyToBuffer(2);
  PasteFromBuffer(0, &panel);
  EXPECT_EQ(Count('A'), 1);
  EXPECT_EQ(Count('B'), 2);
}

TEST_F(TIndexTest, SettingLifecycle) {
  Ix().Create(4, true, 9, false);
  Ix().SortExpression = "left over";
  Ix().SetFilterState(FilterState::fsNormal);
  Ix().Create(4, true, 9, false);
  EXPECT_EQ(Ix().Current(), (SortSetting{4, 1, 9, 0}));
  EXPECT_EQ(Ix().Remembered(), Ix().Current());
  EXPECT_TRUE(Ix().IsUnchanged());
  EXPECT_TRUE(Ix().SortExpression.empty() && Ix().FilteredExpression.empty());
  EXPECT_EQ(Ix().SortOptions, 0);
  EXPECT_FALSE(Ix().FilterActive);

  Ix().Current().SecondaryDescending = 1;
  EXPECT_FALSE(Ix().IsUnchanged());
  Ix().Restore();
  EXPECT_EQ(Ix().Current(), (SortSetting{4, 1, 9, 0}));
  Ix().Current().PrimaryField = 2;
  Ix().Remember();
  EXPECT_TRUE(Ix().IsUnchanged());
  EXPECT_EQ(Ix().Remembered().PrimaryField, 2);

  ASSERT_TRUE(Ix().ApplySort());
  EXPECT_FALSE(Ix().SortExpression.empty());
  Ix().ResetToEntryOrder();
  EXPECT_EQ(Ix().Current(), SortSetting{});
  EXPECT_EQ(Ix().Remembered(), SortSetting{});
  EXPECT_TRUE(Ix().SortExpression.empty() && Ix().FilteredExpression.empty());
}

TEST_F(TIndexTest, TagsStayInTheIndexFileAcrossOpens) {
  AddRecord("kept");
  ASSERT_TRUE(Sort(3, false, 9, true));
  const std::string tag = Data().ActiveTag();
  const int tags = Data().TagCount();
  CloseDatabase();
  ASSERT_TRUE(OpenDatabase());
  ASSERT_TRUE(Sort(2));
  ASSERT_TRUE(Sort(3, false, 9, true));
  EXPECT_EQ(Data().ActiveTag(), tag);
  EXPECT_EQ(Data().TagCount(), tags + 1);  // only the title tag is new
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TIndexTest, AnIndexFileWithNoRoomLeftFailsLikeABusyTable) {
  ASSERT_TRUE(Sort(2));
  // Fill the index file with tags of our own until the engine refuses.
  Data().Close();
  Data().SetActiveTag("");
  Data().SetExclusive(true);
  Data().Open();
  std::vector<std::string> added;
  for (int n = 1; n < 100; ++n) {
    const std::string name = "FILL" + std::to_string(n);
    try {
      Data().AddTag(name, "UPPER(SUBSTR(ADDRESS, 1, " + std::to_string(n) + "))", 16);
    } catch (const dbase::DatabaseError&) {
      break;
    }
    added.push_back(name);
  }
  Data().Close();
  Data().SetExclusive(false);
  Data().SetActiveTag("IDX2");
  Data().Open();
  ASSERT_GT(added.size(), 40u);

  EXPECT_FALSE(Sort(4, true));
  EXPECT_EQ(msgs.Texts(), QStringList{text::kIndexFailed});
  EXPECT_EQ(Ix().Current(), (SortSetting{2, 0, 0, 0}));
  EXPECT_EQ(Data().ActiveTag(), "IDX2");
  EXPECT_TRUE(Data().IsOpen());

  // Room made again (as "Delete Indexes" would): the sort goes through.
  Data().Close();
  Data().SetActiveTag("");
  Data().SetExclusive(true);
  Data().Open();
  Data().DeleteTag(added.back());
  Data().Close();
  Data().SetExclusive(false);
  msgs.shown.clear();
  EXPECT_TRUE(Sort(4, true));
  EXPECT_TRUE(msgs.shown.empty());
}

}  // namespace
}  // namespace quillary::tables
