// The list header's sections: header.dat and its damage, percents and
// record button cells, resizing, reordering, inserting and removing columns,
// label renames and header templates.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <filesystem>

#include "mainwin/list_header.h"
#include "platform/dbase/table.h"
#include "shell/options.h"
#include "shell/tagged_stream.h"
#include "shell/templates.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"
#include "tables/field_kinds.h"
#include "tables/template_layout.h"

namespace quillary {
namespace {

// The labels of the shipped record form, in field order.
const QStringList kShippedLabels = {
    "Title:",        "Address:",      "Category 1:",   "Category 2:",   "Keywords:",
    "EMail:",        "Type:",         "Date:",         "Phone:",        "Logo:",
    "User Field 1:", "User Field 2:", "User Field 3:", "User Field 4:", "Description:",
    "Notes:",        "Picture:"};

struct Col {
  QString caption;
  int width;
  bool operator==(const Col&) const = default;
};

void PrintTo(const Col& c, std::ostream* os) { *os << c.caption.toStdString() << "/" << c.width; }

// header.dat built from its documented layout: list-begin, (string, integer)
// per section, end-of-list.
QByteArray HeaderBytes(const std::vector<Col>& cols) {
  StreamWriter w;
  w.WriteListBegin();
  for (const Col& c : cols) {
    w.WriteString(c.caption);
    w.WriteInteger(c.width);
  }
  w.WriteListEnd();
  return w.Bytes();
}

class ListHeaderTest : public ::testing::Test {
 protected:
  ListHeaderTest() {
    Opt().InitDirectories(home.path(), QString());
    QDir().mkpath(Opt().SettingsDir);
    Opt().LabelList = kShippedLabels;
    header.OnHChange = [this] { ++changes; };
  }
  ~ListHeaderTest() override { Opt().LabelList.clear(); }

  QString Settings(const QString& name) const { return Opt().SettingsDir + "/" + name; }

  std::vector<Col> Cols() const {
    std::vector<Col> out;
    for (const auto& s : header.Sections()) out.push_back({s.Caption, s.Width});
    return out;
  }
  std::vector<int> Fields() const {
    std::vector<int> out;
    for (const auto& s : header.Sections()) out.push_back(s.FieldIndex);
    return out;
  }
  // Sections as a header.dat would give them, on a bar of `bar` pixels.
  void Load(const std::vector<Col>& cols, int bar) {
    ASSERT_TRUE(test::WriteAll(Settings("header.dat"), HeaderBytes(cols)));
    header.SetBarWidth(bar);
    ASSERT_TRUE(header.LoadHeader(Settings("header.dat")));
    changes = 0;
  }

  test::TempHome home;
  test::ScriptedMessages messages;
  TListHeader header;
  int changes = 0;
};

TEST_F(ListHeaderTest, NoHeaderFileGivesTheFirstTwoLabelsAt50And100) {
  header.SetBarWidth(400);
  EXPECT_FALSE(header.LoadHeader(TListHeader::HeaderFilePath()));
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Title:", 50}, {"Address:", 100}}));
  EXPECT_EQ(Fields(), (std::vector<int>{0, 1}));
  EXPECT_EQ(header.Percents(), (std::vector<int>{12, 25}));  // 12.5 goes to the even 12
  EXPECT_EQ(changes, 0);  // loading does not notify; the window builds its buttons after it
  EXPECT_EQ(TListHeader::HeaderFilePath(), Settings("header.dat"));
}

TEST_F(ListHeaderTest, DefaultColumnsShareAWidthAs50To100AndAFilesColumnsStay) {
  header.SetBarWidth(390);
  header.LoadHeader(TListHeader::HeaderFilePath());
  ASSERT_TRUE(header.HasDefaultSections());
  struct Case {
    int width, first, second;
  };
  for (const Case& c : {Case{390, 130, 260}, Case{151, 50, 101}, Case{2, 0, 2}, Case{1000, 333, 667}}) {
    header.SetDefaultSections();
    EXPECT_TRUE(header.FitDefaultSections(c.width)) << c.width;
    EXPECT_EQ(Cols(), (std::vector<Col>{{"Title:", c.first}, {"Address:", c.second}})) << c.width;
  }
  header.SetDefaultSections();
  EXPECT_FALSE(header.FitDefaultSections(0));
  ASSERT_TRUE(header.FitDefaultSections(390));
  EXPECT_EQ(header.Percents(), (std::vector<int>{33, 67}));
  EXPECT_EQ(changes, 0);
  // Columns read from a file are used as they are.
  header.SetDefaultSections();
  ASSERT_TRUE(header.SaveHeader(TListHeader::HeaderFilePath()));
  ASSERT_TRUE(header.LoadHeader(TListHeader::HeaderFilePath()));
  EXPECT_FALSE(header.HasDefaultSections());
  EXPECT_FALSE(header.FitDefaultSections(390));
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Title:", 50}, {"Address:", 100}}));
}

TEST_F(ListHeaderTest, SavedHeaderIsTheDocumentedStreamAndReadsBack) {
  Load({{"Phone:", 50}, {"Title:", 200}}, 400);
  ASSERT_TRUE(header.SaveHeader(Settings("copy.dat")));
  const QByteArray expected = QByteArray::fromHex("010606") + "Phone:" + QByteArray::fromHex("0232") +
                              QByteArray::fromHex("0606") + "Title:" +
                              QByteArray::fromHex("03c80000");
  EXPECT_EQ(test::ReadAll(Settings("copy.dat")).toHex(), expected.toHex());

  TListHeader again;
  EXPECT_TRUE(again.LoadHeader(Settings("copy.dat")));
  ASSERT_EQ(again.Count(), 2);
  EXPECT_EQ(again.Sections()[0].Caption, "Phone:");
  EXPECT_EQ(again.Sections()[0].FieldIndex, 8);
  EXPECT_EQ(again.Sections()[1].Width, 200);
}

TEST_F(ListHeaderTest, CaptionsFindTheirFieldIgnoringCase) {
  Load({{"keywords:", 60}, {"USER FIELD 2:", 70}}, 400);
  EXPECT_EQ(Fields(), (std::vector<int>{4, 11}));
}

// A damaged header.dat is never a crash: what was read before the damage
// stays, and when nothing usable was read the two default columns.
TEST_F(ListHeaderTest, DamagedHeaderFilesGiveWhatWasReadOrTheDefaults) {
  const std::vector<Col> defaults = {{"Title:", 50}, {"Address:", 100}};
  const QByteArray good = HeaderBytes({{"Phone:", 80}, {"EMail:", 90}});
  const QByteArray oneSection = HeaderBytes({{"Phone:", 80}}).chopped(1);
  struct Case {
    const char* what;
    QByteArray bytes;
    std::vector<Col> expected;
  } cases[] = {
      {"empty file", QByteArray(), defaults},
      {"garbage", QByteArray("\xff\xfe garbage", 10), defaults},
      {"no list begin", good.mid(1), defaults},
      {"empty list", HeaderBytes({}), defaults},
      {"cut inside the second caption", good.left(good.indexOf("EMail") + 2), {{"Phone:", 80}}},
      {"no list end", good.chopped(1), {{"Phone:", 80}, {"EMail:", 90}}},
      {"width missing", oneSection.left(oneSection.size() - 2), defaults},
      {"text where the width belongs",
       QByteArray::fromHex("010606") + "Phone:" + QByteArray::fromHex("0602") + "80" +
           QByteArray::fromHex("00"),
       defaults},
      {"string length beyond the end", QByteArray::fromHex("010cffffff7f"), defaults},
      {"unknown captions only", HeaderBytes({{"Fax:", 80}, {"", 10}}), defaults},
      {"unknown caption among known",
       HeaderBytes({{"Fax:", 80}, {"Notes:", 40}}), {{"Notes:", 40}}},
      {"a field twice", HeaderBytes({{"Date:", 30}, {"date:", 60}}), {{"Date:", 30}}},
      {"widths out of range",
       HeaderBytes({{"Title:", -5}, {"Address:", 2000000000}}),
       {{"Title:", 0}, {"Address:", TListHeader::kMaxWidth}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::WriteAll(Settings("header.dat"), c.bytes));
    header.SetBarWidth(300);
    header.LoadHeader(Settings("header.dat"));
    EXPECT_EQ(Cols(), c.expected);
    for (const auto& s : header.Sections()) {
      EXPECT_EQ(s.FieldIndex, TListHeader::LabelIndexOf(s.Caption));
      EXPECT_GE(s.Percent, 0);
      EXPECT_LE(s.Percent, 100);
    }
  }
}

TEST_F(ListHeaderTest, LoadReportsWhetherTheWholeFileWasRead) {
  ASSERT_TRUE(test::WriteAll(Settings("header.dat"), HeaderBytes({{"Phone:", 80}}).chopped(1)));
  EXPECT_FALSE(header.LoadHeader(Settings("header.dat")));
  ASSERT_TRUE(test::WriteAll(Settings("header.dat"), HeaderBytes({{"Fax:", 80}})));
  EXPECT_TRUE(header.LoadHeader(Settings("header.dat")));  // read whole; the column dropped
}

TEST_F(ListHeaderTest, PercentsRoundHalvesToTheEvenNeighbour) {
  struct Case {
    int width, bar, percent;
  } cases[] = {
      {50, 200, 25}, {100, 200, 50}, {1, 200, 0},   {3, 200, 2},   {5, 200, 2},
      {7, 200, 4},   {1, 3, 33},     {2, 3, 67},    {199, 200, 100}, {300, 200, 100},
      {0, 200, 0},   {-4, 200, 0},   {50, 0, 0},    {32767, 1, 100},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SectionPercent(c.width, c.bar), c.percent) << c.width << " of " << c.bar;
}

TEST_F(ListHeaderTest, HeaderOf200PixelsGivesButtonCellsOfA408PixelButton) {
  Load({{"Title:", 50}, {"Address:", 100}, {"Phone:", 50}}, 200);
  EXPECT_EQ(header.Percents(), (std::vector<int>{25, 50, 25}));
  EXPECT_EQ(CellWidths(408, header.Percents(), 0), (std::vector<int>{100, 200, 100}));
}

TEST_F(ListHeaderTest, CellWidthsFollowTheButtonRule) {
  struct Case {
    const char* what;
    int button;
    std::vector<int> percents;
    int gap;
    std::vector<int> cells;
  } cases[] = {
      {"default gap", 420, {25, 50, 25}, kDefaultCellGap, {100, 200, 100}},
      {"truncated", 111, {33, 67}, 0, {33, 69}},
      {"percent 0 and above 100", 408, {0, 101, 100}, 0, {0, 0, 400}},
      {"button narrower than its gaps", 10, {50, 50}, 4, {0, 0}},
      {"no cells", 408, {}, 0, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CellWidths(c.button, c.percents, c.gap), c.cells) << c.what;
  EXPECT_EQ(CellTotalWidth(408, 3, 0), 400);
  EXPECT_EQ(CellTotalWidth(408, 3, 4), 388);
}

TEST_F(ListHeaderTest, RecomputeTakesTheNewBarWidthAndNotifies) {
  Load({{"Title:", 50}, {"Address:", 100}}, 200);
  header.SetBarWidth(400);
  header.Recompute();
  EXPECT_EQ(header.Percents(), (std::vector<int>{12, 25}));
  EXPECT_EQ(changes, 1);
}

TEST_F(ListHeaderTest, ResizingWidensNarrowSectionsLeftOfTheResizedOne) {
  Load({{"Title:", 0}, {"Address:", 3}, {"Phone:", 4}, {"Date:", 100}, {"Notes:", 1}}, 400);
  header.SetSectionWidth(3, 120);
  EXPECT_EQ(changes, 0);  // nothing is notified while the border is dragged
  header.FinishResize(3);
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Title:", 4}, {"Address:", 4}, {"Phone:", 4},
                                      {"Date:", 120}, {"Notes:", 1}}));
  EXPECT_EQ(header.Percents(), (std::vector<int>{1, 1, 1, 30, 0}));
  EXPECT_EQ(changes, 1);

  header.SetSectionWidth(0, -30);  // a border dragged past its left edge
  header.FinishResize(0);
  EXPECT_EQ(header.Sections()[0].Width, 0);
}

TEST_F(ListHeaderTest, DropMovesTheSectionToTheSectionUnderThePoint) {
  const std::vector<Col> start = {{"Title:", 50}, {"Address:", 100}, {"Phone:", 50}};
  struct Case {
    int from, x;
    std::vector<QString> order;
  } cases[] = {
      {0, 50, {"Title:", "Address:", "Phone:"}},   // its own right edge: no move
      {0, 51, {"Address:", "Title:", "Phone:"}},
      {0, 150, {"Address:", "Title:", "Phone:"}},  // right edge of the second counts as it
      {0, 151, {"Address:", "Phone:", "Title:"}},
      {2, 0, {"Phone:", "Title:", "Address:"}},
      {1, 500, {"Title:", "Phone:", "Address:"}},  // right of every section: the last
  };
  for (const Case& c : cases) {
    Load(start, 400);
    header.DropSection(c.from, c.x);
    std::vector<QString> order;
    for (const auto& s : header.Sections()) order.push_back(s.Caption);
    EXPECT_EQ(order, c.order) << "from " << c.from << " to x " << c.x;
    const bool moved = order != std::vector<QString>({"Title:", "Address:", "Phone:"});
    EXPECT_EQ(changes, moved ? 1 : 0);
  }
  Load(start, 400);
  header.DropSection(1, 0);
  EXPECT_EQ(Cols()[0], (Col{"Address:", 100}));  // widths travel with their section
  EXPECT_EQ(header.Percents(), (std::vector<int>{25, 12, 12}));
}

// The field kinds of a table with the shipped record layout.
tables::FieldKindSets ShippedKinds(const QString& dir) {
  const std::filesystem::path path = dir.toStdString();
  dbase::Table::Create(path, "data.dbf", tables::RecordTableFields());
  dbase::Table table(path, "data.dbf");
  table.Open();
  return tables::BuildFieldKindSets(table);
}

TEST_F(ListHeaderTest, MemoAndPictureFieldsAreNeverOffered) {
  const tables::FieldKindSets kinds = ShippedKinds(home.path());
  header.SetBarWidth(400);
  header.LoadHeader(Settings("header.dat"));  // Title:, Address:
  QStringList offered;
  for (int i : header.InsertCandidates(kinds)) offered << Opt().LabelList[i];
  EXPECT_EQ(offered, QStringList({"Category 1:", "Category 2:", "Keywords:", "EMail:", "Type:",
                                  "Date:", "Phone:", "User Field 1:", "User Field 2:",
                                  "User Field 3:", "User Field 4:"}));

  // Every field that may be offered, inserted one after the other.
  while (!header.InsertCandidates(kinds).empty())
    ASSERT_TRUE(header.InsertField(header.InsertCandidates(kinds).front()));
  for (const auto& s : header.Sections()) {
    const int position = s.FieldIndex + tables::kFirstUserField;
    EXPECT_FALSE(kinds.IsMemo(position) || kinds.IsPicture(position)) << s.Caption.toStdString();
  }
  EXPECT_EQ(header.Count(), 13);
  EXPECT_FALSE(header.InsertField(0));  // already a column
  EXPECT_FALSE(header.InsertField(int(kShippedLabels.size())));
}

TEST_F(ListHeaderTest, LinesPastTheUserFieldsAreNoLabels) {
  Opt().LabelList << "Extra:";
  header.SetBarWidth(400);
  EXPECT_EQ(header.InsertCandidates(tables::FieldKindSets{}).size(), 17u);  // not "Extra:"
  EXPECT_FALSE(header.InsertField(17));
  Load({{"Extra:", 50}, {"Notes:", 60}}, 400);
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Notes:", 60}}));
}

TEST_F(ListHeaderTest, InsertingMakesRoomForTheNewColumn) {
  struct Case {
    const char* what;
    int bar;
    std::vector<Col> before;
    std::vector<int> after;  // widths, the new column last
  } cases[] = {
      {"free space taken", 200, {{"Title:", 50}, {"Address:", 100}}, {50, 100, 50}},
      {"free space of 3: the nearest wide section halved", 153,
       {{"Title:", 50}, {"Address:", 100}}, {50, 50, 53}},
      {"no free space", 200, {{"Title:", 50}, {"Address:", 100}, {"Phone:", 50}},
       {50, 100, 25, 25}},
      {"overflow given back by the one before, then halved", 200,
       {{"Title:", 50}, {"Address:", 100}, {"Phone:", 80}}, {50, 100, 25, 25}},
      {"overflow partly given back", 100, {{"Title:", 90}, {"Address:", 30}}, {45, 10, 45}},
      {"overflow larger than the one before", 100, {{"Title:", 110}, {"Address:", 10}},
       {55, 0, 55}},
      {"narrow ones skipped for the nearest of 20", 200,
       {{"Title:", 150}, {"Address:", 31}, {"Phone:", 19}}, {150, 16, 19, 15}},
      {"none wide enough", 30, {{"Title:", 10}, {"Address:", 10}, {"Phone:", 10}},
       {10, 10, 10, 0}},
      {"the one before of width 0: no room made", 150, {{"Title:", 150}, {"Address:", 0}},
       {150, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.before, c.bar);
    ASSERT_TRUE(header.InsertField(4));
    std::vector<int> widths;
    for (const auto& s : header.Sections()) widths.push_back(s.Width);
    EXPECT_EQ(widths, c.after);
    EXPECT_EQ(header.Sections().back().Caption, "Keywords:");
    EXPECT_EQ(header.Sections().back().FieldIndex, 4);
    EXPECT_EQ(header.Sections().back().Percent, SectionPercent(c.after.back(), c.bar));
    EXPECT_EQ(changes, 1);
  }
}

TEST_F(ListHeaderTest, TheLastColumnCannotBeRemoved) {
  Load({{"Title:", 50}, {"Address:", 100}}, 200);
  EXPECT_TRUE(header.CanRemove());
  EXPECT_TRUE(header.RemoveField("address:"));
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Title:", 50}}));
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(header.CanRemove());
  EXPECT_FALSE(header.RemoveField("Title:"));
  EXPECT_FALSE(header.RemoveSection(0));
  EXPECT_EQ(header.Count(), 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(ListHeaderTest, ALabelRenameRenamesItsColumnAndKeepsTheWidth) {
  Load({{"Phone:", 70}, {"Title:", 130}}, 400);
  Opt().LabelList[8] = "Mobile:";
  header.RenameSections();
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Mobile:", 70}, {"Title:", 130}}));
  ASSERT_TRUE(header.SaveHeader(Settings("header.dat")));
  TListHeader again;
  again.LoadHeader(Settings("header.dat"));
  EXPECT_EQ(again.Sections()[0].Caption, "Mobile:");
  EXPECT_EQ(again.Sections()[0].FieldIndex, 8);
}

class HeaderTemplatesTest : public ListHeaderTest {
 protected:
  HeaderTemplatesTest() { header.AttachTemplates(list); }
  ~HeaderTemplatesTest() override { header.DetachTemplates(); }  // the list goes first
  THeaderTemplateList list;
};

TEST_F(HeaderTemplatesTest, SavedLoadedAndDeleted) {
  Load({{"Phone:", 60}, {"Title:", 140}}, 400);
  messages.inputs = {QString("Narrow")};
  header.SaveAsTemplate();
  EXPECT_EQ(messages.prompts, std::vector<QString>{"Save Header As Template|Template Name:"});
  EXPECT_TRUE(messages.shown.empty());
  ASSERT_EQ(list.Names(), QStringList{"Narrow"});
  EXPECT_EQ(test::ReadAll(Settings("tml1.hdr")), HeaderBytes({{"Phone:", 60}, {"Title:", 140}}));

  header.InsertField(2);
  header.RemoveField("Phone:");
  changes = 0;
  EXPECT_TRUE(header.LoadFromTemplate("Narrow"));
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Phone:", 60}, {"Title:", 140}}));
  EXPECT_EQ(header.Percents(), (std::vector<int>{15, 35}));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(messages.shown.empty());

  header.DeleteTemplate("Narrow");
  EXPECT_TRUE(list.Names().isEmpty());
  EXPECT_FALSE(QFile::exists(Settings("tml1.hdr")));
}

TEST_F(HeaderTemplatesTest, ADuplicateNameIsRefusedWithItsMessage) {
  Load({{"Phone:", 60}}, 400);
  messages.inputs = {QString("Work"), QString("Work"), QString("work")};
  header.SaveAsTemplate();
  header.SaveAsTemplate();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(messages.shown[0].text, "Duplicate name - Template Not Saved!");
  header.SaveAsTemplate();  // names differ in case: a second template
  EXPECT_EQ(list.Names(), QStringList({"Work", "work"}));
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(HeaderTemplatesTest, ACancelledOrEmptyNameSavesNothing) {
  messages.inputs = {std::nullopt, QString()};
  header.SaveAsTemplate();
  header.SaveAsTemplate();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(QFile::exists(Settings("tml1.hdr")));
}

TEST_F(HeaderTemplatesTest, ATemplateThatCannotBeReadShowsTheLoadError) {
  Load({{"Phone:", 60}, {"Title:", 140}}, 400);
  messages.inputs = {QString("Gone"), QString("Broken")};
  header.SaveAsTemplate();
  header.SaveAsTemplate();
  ASSERT_TRUE(QFile::remove(Settings("tml1.hdr")));
  ASSERT_TRUE(test::WriteAll(Settings("tml2.hdr"),
                             HeaderBytes({{"Date:", 30}, {"Notes:", 50}}).left(12)));
  changes = 0;

  EXPECT_FALSE(header.LoadFromTemplate("Gone"));  // the header stays as it was
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Phone:", 60}, {"Title:", 140}}));
  EXPECT_FALSE(header.LoadFromTemplate("Broken"));  // what the damaged file held
  EXPECT_EQ(Cols(), (std::vector<Col>{{"Date:", 30}}));
  EXPECT_FALSE(header.LoadFromTemplate("Never saved"));
  EXPECT_EQ(messages.Texts(), QStringList({"Error Loading Template.", "Error Loading Template.",
                                           "Error Loading Template."}));
  for (const auto& m : messages.shown) EXPECT_EQ(m.kind, MsgKind::Error);
  EXPECT_EQ(changes, 3);
}

TEST_F(HeaderTemplatesTest, ADestroyedHeaderNoLongerWritesTemplates) {
  {
    TListHeader other;
    other.AttachTemplates(list);
    messages.inputs = {QString("Kept")};
    other.SaveAsTemplate();
  }
  EXPECT_EQ(list.Names(), QStringList{"Kept"});
  EXPECT_FALSE(list.AddTemplate("After"));  // no content handler: no empty file
  EXPECT_FALSE(list.LoadTemplate("Kept"));
}

}  // namespace
}  // namespace quillary
