// Template lists: index files, content file naming, the label kind, the
// process-wide lists and the record template names.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "shell/options.h"
#include "shell/tagged_stream.h"
#include "shell/templates.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

class TemplatesTest : public ::testing::Test {
 protected:
  TemplatesTest() {
    Opt().InitDirectories(home.path(), QString());
    QDir().mkpath(Opt().SettingsDir);
    Opt().LabelList.clear();
  }
  QString Settings(const QString& name) const { return Opt().SettingsDir + "/" + name; }

  test::TempHome home;
  test::ScriptedMessages messages;
};

// A header list whose content is one text, as the list header will install.
struct TextContent {
  QString current;
  void Install(THookedTemplateList& list) {
    list.SetContentHandlers(
        [this](const QString& path) {
          QFile f(path);
          return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                 f.write(current.toUtf8()) == current.toUtf8().size();
        },
        [this](const QString& path) {
          QFile f(path);
          if (!f.open(QIODevice::ReadOnly)) return false;
          current = QString::fromUtf8(f.readAll());
          return true;
        });
  }
};

QByteArray IndexBytes(const std::vector<TTemplate>& templates) {
  StreamWriter w;
  w.WriteListBegin();
  for (const auto& t : templates) {
    w.WriteString(t.Name);
    w.WriteString(t.FileName);
  }
  w.WriteListEnd();
  return w.Bytes();
}

TEST_F(TemplatesTest, IndexOfTwoTemplatesIsByteExact) {
  THeaderTemplateList list;
  TextContent content;
  content.Install(list);
  ASSERT_TRUE(list.AddTemplate("Wide"));
  ASSERT_TRUE(list.AddTemplate("Narrow"));
  ASSERT_TRUE(list.SaveIndex(Settings("headers.tml")));
  const QByteArray bytes = test::ReadAll(Settings("headers.tml"));
  const QByteArray expected = QByteArray::fromHex("010604") + "Wide" +
                             QByteArray::fromHex("0608") + "tml1.hdr" +
                             QByteArray::fromHex("0606") + "Narrow" +
                             QByteArray::fromHex("0608") + "tml2.hdr" + QByteArray::fromHex("00");
  EXPECT_EQ(bytes.toHex(), expected.toHex());
  EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("0106")));
  EXPECT_TRUE(bytes.endsWith(QByteArray::fromHex("00")));

  THeaderTemplateList again;
  ASSERT_TRUE(again.LoadIndex(Settings("headers.tml")));
  EXPECT_EQ(again.Names(), QStringList({"Wide", "Narrow"}));
  EXPECT_EQ(again.TemplateAt(1), (TTemplate{"Narrow", "tml2.hdr"}));
}

TEST_F(TemplatesTest, ContentFileNameIsReusedAfterDelete) {
  THeaderTemplateList list;
  TextContent content;
  content.Install(list);
  content.current = "first";
  ASSERT_TRUE(list.AddTemplate("First"));
  EXPECT_EQ(list.TemplateAt(0).FileName, "tml1.hdr");
  EXPECT_EQ(test::ReadAll(Settings("tml1.hdr")), "first");

  list.DeleteTemplate(0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(QFile::exists(Settings("tml1.hdr")));

  content.current = "second";
  ASSERT_TRUE(list.AddTemplate("Second"));
  EXPECT_EQ(list.TemplateAt(0).FileName, "tml1.hdr");

  // A gap left in the middle is filled before the end is extended.
  ASSERT_TRUE(list.AddTemplate("Third"));
  ASSERT_TRUE(list.AddTemplate("Fourth"));
  list.DeleteTemplate(1);
  ASSERT_TRUE(list.AddTemplate("Fifth"));
  EXPECT_EQ(list.TemplateAt(2), (TTemplate{"Fifth", "tml2.hdr"}));

  // Out of range deletes nothing; a content file already gone is no error.
  list.DeleteTemplate(3);
  list.DeleteTemplate(-1);
  EXPECT_EQ(list.Count(), 3);
  QFile::remove(Settings("tml3.hdr"));
  list.DeleteTemplate(1);
  EXPECT_EQ(list.Names(), QStringList({"Second", "Fifth"}));
  EXPECT_EQ(list.TemplateAt(5), TTemplate{});
}

TEST_F(TemplatesTest, NamesAreCaseSensitive) {
  TFilterTemplateList list;
  TextContent content;
  content.Install(list);
  content.current = "upper";
  ASSERT_TRUE(list.AddTemplate("Work"));
  content.current = "lower";
  ASSERT_TRUE(list.AddTemplate("work"));
  EXPECT_FALSE(list.AddTemplate("Work"));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FindTemplate("Work"), 0);
  EXPECT_EQ(list.FindTemplate("work"), 1);
  EXPECT_EQ(list.FindTemplate("WORK"), TTemplateList::kNotFound);
  EXPECT_EQ(list.TemplateAt(1).FileName, "tml2.flt");

  ASSERT_TRUE(list.LoadTemplate("Work"));
  EXPECT_EQ(content.current, "upper");
  ASSERT_TRUE(list.LoadTemplate("work"));
  EXPECT_EQ(content.current, "lower");
}

TEST_F(TemplatesTest, DamagedIndexKeepsTemplatesReadBefore) {
  const QByteArray whole =
      IndexBytes({{"One", "tml1.flt"}, {"Two", "tml2.flt"}, {"Three", "tml3.flt"}});
  const qsizetype third = whole.indexOf("Three") - 2;  // its tag and length byte
  const struct {
    const char* what;
    QByteArray data;
    QStringList expected;
    bool ok;
  } cases[] = {
      {"whole", whole, {"One", "Two", "Three"}, true},
      {"cut inside the third name", whole.left(third + 4), {"One", "Two"}, false},
      {"cut before the list end", whole.left(whole.size() - 1), {"One", "Two", "Three"}, false},
      {"a name without its file", whole.left(third) + QByteArray::fromHex("06017800"),
       {"One", "Two"}, false},
      {"integer in place of a name", whole.left(third) + QByteArray::fromHex("020500"),
       {"One", "Two"}, false},
      {"garbage", QByteArray("garbage\xff\x00", 9), {}, false},
      {"empty file", QByteArray(), {}, false},
      {"a path for a content file", IndexBytes({{"One", "tml1.flt"}, {"Evil", "../x.flt"}}),
       {"One"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(test::WriteAll(Settings("filters.tml"), c.data));
    TFilterTemplateList list;
    EXPECT_EQ(list.LoadIndex(Settings("filters.tml")), c.ok);
    EXPECT_EQ(list.Names(), c.expected);
  }

  // A missing file empties a list that had templates.
  TFilterTemplateList list;
  ASSERT_TRUE(test::WriteAll(Settings("filters.tml"), whole));
  ASSERT_TRUE(list.LoadIndex(Settings("filters.tml")));
  EXPECT_FALSE(list.LoadIndex(Settings("missing.tml")));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(TemplatesTest, DeleteKeepsAContentFileAnotherEntryNames) {
  ASSERT_TRUE(test::WriteAll(Settings("filters.tml"),
                             IndexBytes({{"A", "tml1.flt"}, {"B", "tml1.flt"}})));
  ASSERT_TRUE(test::WriteAll(Settings("tml1.flt"), "shared"));
  TFilterTemplateList list;
  ASSERT_TRUE(list.LoadIndex(Settings("filters.tml")));
  list.DeleteTemplate(0);
  EXPECT_TRUE(QFile::exists(Settings("tml1.flt")));
  list.DeleteTemplate(0);
  EXPECT_FALSE(QFile::exists(Settings("tml1.flt")));
}

TEST_F(TemplatesTest, AddFailsWithoutWritableContentAndLoadWithoutContentFile) {
  THeaderTemplateList list;  // no handlers installed yet
  EXPECT_FALSE(list.AddTemplate("Early"));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(QFile::exists(Settings("tml1.hdr")));

  TextContent content;
  content.Install(list);
  ASSERT_TRUE(list.AddTemplate("Kept"));
  QFile::remove(Settings("tml1.hdr"));
  EXPECT_FALSE(list.LoadTemplate("Kept"));
  EXPECT_FALSE(list.LoadTemplate("Unknown"));
  EXPECT_FALSE(list.LoadTemplateFile("../tml1.hdr"));

  // A settings directory that cannot be written: the content cannot be saved.
  Opt().SettingsDir = home.file("no/such/dir");
  EXPECT_FALSE(list.AddTemplate("Nowhere"));
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(TemplatesTest, NoFileNameFreeAfterAllNumbersAreUsed) {
  std::vector<TTemplate> all;
  for (int i = 1; i <= TTemplateList::kMaxFileNumber; ++i)
    all.push_back({QString::number(i), QString("tml%1.flt").arg(i)});
  ASSERT_TRUE(test::WriteAll(Settings("filters.tml"), IndexBytes(all)));
  TFilterTemplateList list;
  TextContent content;
  content.Install(list);
  ASSERT_TRUE(list.LoadIndex(Settings("filters.tml")));
  EXPECT_EQ(list.NewFileName(), QString());
  EXPECT_FALSE(list.AddTemplate("One more"));
  list.DeleteTemplate(41);
  EXPECT_EQ(list.NewFileName(), "tml42.flt");
}

TEST_F(TemplatesTest, LabelTemplatesStoreTheLabelList) {
  TLabelTemplateList& labels = LabelTemplates();
  labels.Clear();
  Opt().LabelList = {"Title:", "Address:", QString::fromUtf8("Stra\xc3\x9f" "e:")};
  ASSERT_TRUE(labels.AddTemplate("German"));
  EXPECT_EQ(test::ReadAll(Settings("tml1.lab")),
            QByteArray("Title:\r\nAddress:\r\nStra\xc3\x9f" "e:\r\n"));

  Opt().LabelList = {"Other"};
  ASSERT_TRUE(labels.LoadTemplateFile(labels.TemplateAt(0).FileName));
  EXPECT_EQ(Opt().LabelList.size(), 3);
  EXPECT_EQ(Opt().LabelList.last(), QString::fromUtf8("Stra\xc3\x9f" "e:"));

  // A content file that cannot be read: the labels of labels.dat come back.
  ASSERT_TRUE(test::WriteAll(Settings("labels.dat"), "Saved 1\r\nSaved 2\r\n"));
  EXPECT_FALSE(labels.ReadContent(Settings("gone.lab")));
  EXPECT_EQ(Opt().LabelList, QStringList({"Saved 1", "Saved 2"}));
  labels.Clear();
}

TEST_F(TemplatesTest, ProcessWideListsLoadAndSaveInSettingsDir) {
  ASSERT_TRUE(test::WriteAll(Settings("filters.tml"), IndexBytes({{"F", "tml1.flt"}})));
  // Files copied in from elsewhere may carry upper-case names.
  ASSERT_TRUE(test::WriteAll(Settings("HEADERS.TML"), IndexBytes({{"H", "tml1.hdr"}})));
  ASSERT_TRUE(test::WriteAll(Settings("labels.tml"), "damaged"));
  LoadTemplateLists();
  EXPECT_EQ(FilterTemplates().Names(), QStringList({"F"}));
  EXPECT_EQ(HeaderTemplates().Names(), QStringList({"H"}));
  EXPECT_EQ(LabelTemplates().Count(), 0);

  Opt().LabelList = {"A"};
  ASSERT_TRUE(LabelTemplates().AddTemplate("L"));
  ASSERT_TRUE(SaveTemplateLists());
  EXPECT_EQ(test::ReadAll(Settings("labels.tml")), IndexBytes({{"L", "tml1.lab"}}));
  EXPECT_EQ(test::ReadAll(Settings("HEADERS.TML")), IndexBytes({{"H", "tml1.hdr"}}));
  FilterTemplates().Clear();
  HeaderTemplates().Clear();
  LabelTemplates().Clear();
}

TEST_F(TemplatesTest, RecordTemplateNames) {
  TRecordTemplateList list;
  list.Load();  // no records.tml yet
  EXPECT_EQ(list.Count(), 0);

  ASSERT_TRUE(list.Add("Friend"));
  ASSERT_TRUE(list.Add("Shop"));
  ASSERT_TRUE(list.Add("Club"));
  EXPECT_EQ(test::ReadAll(Settings("records.tml")), "Friend\r\nShop\r\nClub\r\n");
  for (const QString& refused : {QString("Blank"), QString(), QString("Shop"),
                                 QString("Two\r\nlines")})
    EXPECT_FALSE(list.Add(refused)) << refused.toStdString();
  EXPECT_EQ(list.Find("club"), TRecordTemplateList::kNotFound);
  EXPECT_EQ(list.Find("Club"), 2);

  // Deleting the second moves the third to the second copy buffer position.
  ASSERT_TRUE(list.Delete(1));
  EXPECT_FALSE(list.Delete(5));
  TRecordTemplateList reread;
  reread.Load();
  EXPECT_EQ(reread.Names(), QStringList({"Friend", "Club"}));
  EXPECT_EQ(TRecordTemplateList::CopyBufferPosition(reread.Find("Club")), 2);

  // When records.tml cannot be written the name is not kept.
  Opt().SettingsDir = home.file("no/such/dir");
  EXPECT_FALSE(reread.Add("Lost"));
  EXPECT_EQ(reread.Count(), 2);
}

}  // namespace
}  // namespace quillary
