// The record form over a real record table, driven as a user does: typing
// into the editors, clicking labels and page tabs, Tab and Shift+Tab; and
// what reaches the table and the settings files.
#include <QBuffer>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/editor_support.h"
#include "mainwin/ui/editors/multi_img.h"
#include "mainwin/ui/record_form.h"
#include "shell/clock.h"
#include "shell/event_pump.h"
#include "support/paint_pump.h"
#include "shell/templates.h"
#include "tables/tables_fixture.h"

namespace quillary::test {
namespace {

// Field numbers of the form (table position n + 1).
constexpr int kTitle = 1, kAddress = 2, kKeywords = 5, kDate = 8, kPhone = 9, kUser1 = 11,
              kDescription = 15, kNotes = 16;

class FakeHost : public RecordFormHost {
 public:
  dbase::Table* table = nullptr;
  bool newRecord = true;
  bool inUse = false;
  bool readOnly = false;
  std::optional<bool> saved;

  dbase::Table& EditTable() override { return *table; }
  bool NewRecordMode() const override { return newRecord; }
  bool RecordInUse() const override { return inUse; }
  bool ReadOnlyDatabase() const override { return readOnly; }
  QString DataFileName() const override { return "data.dbf"; }
  char ShownRecordLetter() const override { return 0; }
  void RecordLetterChanged(char, char) override {}
  void SetRecordSaved(bool s) override { saved = s; }
};

class RecordFormTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    Opt().SettingsDir = home.path();
    Opt().LabelList.clear();
    Opt().DateFormats.clear();
    LabelTemplates().Clear();
    ASSERT_TRUE(tables::OpenDatabase());
    OpenEditTable();
    host.table = &edit;
    form = std::make_unique<TRecordForm>(host);
    form->BuildForm();
    form->ApplyLabels();
    form->ApplyDateFormats();
    form->resize(700, 520);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override {
    form.reset();
    edit.Close();
    TablesTest::TearDown();
  }

  void OpenEditTable() {
    edit.Close();
    edit.Bind(tables::DbDir(), "data.dbf");
    edit.Open();
  }
  uint64_t Count() { return edit.RecordCount(); }

  // Appends a record the way another session would, and stands on it.
  void StoreRecord(const std::string& title, const std::string& description, const std::string& notes) {
    edit.Append();
    edit.SetText(kTitle + 1, title);
    edit.SetText(kAddress + 1, "www.example.org");
    edit.SetText(kDescription + 1, description);
    edit.SetText(kNotes + 1, notes);
    edit.Post();
  }

  QLineEdit* Line(int n) { return qobject_cast<QLineEdit*>(form->Editor(n)); }
  QPlainTextEdit* Memo(int n) { return qobject_cast<QPlainTextEdit*>(form->Editor(n)); }
  void Type(int n, const QString& text) {
    QWidget* e = form->Editor(n);
    form->ShowPage(form->Pages()->indexOf(e->parentWidget()));
    if (!e->hasFocus()) e->setFocus();
    // Key by key, as typed; characters beyond ASCII come as key text.
    for (QChar c : text) {
      if (c.unicode() < 0x80) QTest::keyClicks(e, QString(c));
      else QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  QString TabCaption(int i) { return form->Pages()->tabText(i); }

  FakeHost host;
  dbase::Table edit;
  std::unique_ptr<TRecordForm> form;
};

TEST_F(RecordFormTest, BuildsTheDesignedPagesWithTheDesignedLabels) {
  ASSERT_EQ(form->PageCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(TabCaption(i), QString("Part %1").arg(i + 1));
  EXPECT_EQ(form->Label(kKeywords)->text(), "Keywords:");
  EXPECT_EQ(form->Label(17)->text(), "Picture:");
  EXPECT_EQ(Opt().LabelList.size(), 17);
  EXPECT_EQ(Opt().LabelList[kDate - 1], "Date:");
  ASSERT_EQ(Opt().DateFormats.size(), 1u);
  EXPECT_EQ(Opt().DateFormats[0].field, kDate);
  EXPECT_EQ(Opt().DateFormats[0].code, "0");
  EXPECT_EQ(Line(kTitle)->toolTip(), "Enter Text Here");
  EXPECT_EQ(Memo(kNotes)->toolTip(), "Multi-line Text Field");
  EXPECT_EQ(form->Label(kTitle)->toolTip(), "Click to Display Popup Menu");
}

TEST_F(RecordFormTest, ABlankNewRecordIsNeverStored) {
  // Typed and taken away again, or only blanks: nothing to store.
  Type(kTitle, "x");
  QTest::keyClick(form->Editor(kTitle), Qt::Key_Backspace);
  Type(kUser1, "   ");
  ASSERT_TRUE(form->IsFormBlank());
  EXPECT_TRUE(form->SaveCurrentRecord());
  EXPECT_EQ(host.saved, true);
  EXPECT_EQ(Count(), 0u);
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);
  EXPECT_TRUE(msgs.shown.empty());

  Type(kTitle, "Kept");
  EXPECT_FALSE(form->IsFormBlank());
  EXPECT_TRUE(form->SaveCurrentRecord());
  ASSERT_EQ(Count(), 1u);
  edit.First();
  EXPECT_EQ(edit.AsText(kTitle + 1), "Kept");
}

struct CutCase {
  const char* name;
  QString typed;
  int storedBytes;
};

class LongTextTest : public RecordFormTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(LongTextTest, OneLineTextIsStoredCutTo254BytesOnACharacterBoundary) {
  const CutCase& c = GetParam();
  Type(kKeywords, c.typed);
  ASSERT_EQ(Line(kKeywords)->text(), c.typed);
  ASSERT_TRUE(form->SaveCurrentRecord());
  edit.First();
  const std::string stored = edit.AsText(kKeywords + 1);
  EXPECT_EQ(int(stored.size()), c.storedBytes);
  const QString back = QString::fromUtf8(stored.data(), qsizetype(stored.size()));
  EXPECT_TRUE(c.typed.startsWith(back));
  EXPECT_EQ(back.toUtf8().size(), qsizetype(stored.size()));  // no broken character
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongTextTest,
    ::testing::Values(CutCase{"Ascii", QString(300, 'k'), 254},
                      // Two bytes each: 127 whole characters.
                      CutCase{"TwoByte", QString(200, QChar(0xE9)), 254},
                      // One byte, then three bytes each: the 85th would end at 256.
                      CutCase{"ThreeByte", "a" + QString(100, QChar(0x20AC)), 253},
                      CutCase{"Short", QString::fromUtf8("caf\xC3\xA9"), 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordFormTest, RenamingALabelRefusesBlankAndDuplicateTextsIgnoringCase) {
  QSignalSpy changed(form.get(), &TRecordForm::LabelsChanged);
  QLabel* label = form->Label(kKeywords);

  msgs.inputs = {QString("keywords:"), QString("  "), QString("TITLE:"), QString("Tags:")};
  for (int i = 0; i < 4; ++i) {
    QTest::mouseClick(label, Qt::LeftButton);
    QMenu* menu = form->LabelPopup();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(form->PopupLabel(), kKeywords);
    QTest::keyClick(menu, Qt::Key_T);  // "&Text..."
    EXPECT_FALSE(menu->isVisible());
  }
  EXPECT_EQ(msgs.Texts(), QStringList({"Duplicate Labels are not Allowed!", "Empty Labels are not Allowed!",
                                       "Duplicate Labels are not Allowed!"}));
  EXPECT_EQ(msgs.prompts.front(), "Change Label Text|Enter New Text:");
  EXPECT_EQ(label->text(), "Tags:");
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(Opt().LabelList[kKeywords - 1], "Tags:");
  // labels.dat holds the new name in its line.
  const QStringList lines = QString::fromUtf8(ReadAll(Opt().SettingsFile("labels.dat"))).split("\r\n");
  ASSERT_GE(lines.size(), 17);
  EXPECT_EQ(lines[kKeywords - 1], "Tags:");
  EXPECT_EQ(lines[kTitle - 1], "Title:");
}

TEST_F(RecordFormTest, LabelTemplatesSaveAndLoadTheLabelSet) {
  QMenu* menu = form->LabelPopup();
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), "&Text...");
  EXPECT_EQ(items[1]->text(), "&Color...");
  EXPECT_FALSE(items[1]->isEnabled());

  msgs.inputs = {QString("Mine"), QString("Mine"), QString("")};
  form->SaveLabelsAsTemplate();
  form->SaveLabelsAsTemplate();
  form->SaveLabelsAsTemplate();  // an empty name: nothing
  EXPECT_EQ(msgs.Texts(), QStringList({"Duplicate name - Template Not Saved!"}));
  EXPECT_EQ(msgs.prompts.front(), "Save Labels As Template|Template Name:");
  ASSERT_EQ(LabelTemplates().Count(), 1);

  msgs.inputs = {QString("Link:")};
  form->ChangeLabelText(kAddress);
  ASSERT_EQ(form->Label(kAddress)->text(), "Link:");

  const QString file = LabelTemplates().TemplateAt(0).FileName;
  std::deque<std::optional<QString>> choices = {std::nullopt, QString(), QString("tml99.lab"), file};
  form->SetLabelTemplateChooser([&choices] {
    auto c = choices.front();
    choices.pop_front();
    return c;
  });
  msgs.shown.clear();
  for (int i = 0; i < 4; ++i) form->LoadLabelsFromTemplate();
  EXPECT_EQ(msgs.Texts(), QStringList({"Error Loading Template."}));
  EXPECT_EQ(form->Label(kAddress)->text(), "Address:");
  EXPECT_EQ(QString::fromUtf8(ReadAll(Opt().SettingsFile("labels.dat"))).split("\r\n")[kAddress - 1],
            "Address:");
}

TEST_F(RecordFormTest, PageOrderFileDecidesTheOrderAndADraggedTabRewritesIt) {
  ASSERT_TRUE(WriteAll(Opt().SettingsFile("data.tab"), "4123\r\n"));
  form->ShowPage(2);
  form->ReadPageOrder();
  EXPECT_EQ(TabCaption(0), "Part 4");
  EXPECT_EQ(form->Pages()->currentIndex(), 0);
  EXPECT_EQ(form->PageOrder(), "4123");

  // "Part 4" dragged onto the third tab takes its place.
  QTabBar* bar = form->Pages()->tabBar();
  QTest::mousePress(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  QTest::mouseMove(bar, bar->tabRect(1).center());
  QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
  EXPECT_EQ(form->PageOrder(), "1243");
  EXPECT_EQ(form->Pages()->currentWidget(), form->Editor(17)->parentWidget());
  EXPECT_EQ(ReadAll(Opt().SettingsFile("data.tab")), "1243\r\n");

  // A right-button drag and a click on one tab change nothing.
  QTest::mousePress(bar, Qt::RightButton, {}, bar->tabRect(0).center());
  QTest::mouseRelease(bar, Qt::RightButton, {}, bar->tabRect(3).center());
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  EXPECT_EQ(form->PageOrder(), "1243");
  EXPECT_EQ(form->Pages()->currentIndex(), 1);
}

TEST_F(RecordFormTest, AMissingOrOddPageOrderFileChangesNothing) {
  form->ReadPageOrder();
  EXPECT_EQ(form->PageOrder(), "1234");
  ASSERT_TRUE(WriteAll(Opt().SettingsFile("data.tab"), "9x3\r\n"));
  form->ReadPageOrder();
  EXPECT_EQ(form->PageOrder(), "3124");
}

TEST_F(RecordFormTest, PagesPastTheLastDoNothing) {
  form->ShowPage(2);
  form->ShowPage(4);  // Alt+5
  form->ShowPage(8);  // Alt+9
  EXPECT_EQ(form->Pages()->currentIndex(), 2);
  form->ShowPage(3);
  EXPECT_EQ(form->Pages()->currentIndex(), 3);
}

TEST_F(RecordFormTest, TabAndShiftTabGoAcrossThePages) {
  // Through the lookups in field-number order.
  Type(kAddress, "");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form->Editor(3)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form->Editor(4)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kKeywords));

  Type(kPhone, "");
  // The logo is left out: it takes the focus only when clicked.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(form->Pages()->currentIndex(), 1);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kUser1));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(form->Pages()->currentIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kPhone));

  // From the description memo on to the notes page, then the picture
  // page, then round to the first page's first editor.
  Type(kDescription, "");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kNotes));
  EXPECT_TRUE(Memo(kDescription)->toPlainText().isEmpty());  // no tab character typed
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(17));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(form->Pages()->currentIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kTitle));
}

TEST_F(RecordFormTest, ADamagedMemoEmptiesOnlyThatMemo) {
  StoreRecord("Damaged", "first memo", "second memo");
  const int descField = kDescription + 1;
  const int offset = edit.Field(descField).offset;
  edit.Close();
  // Point the description at a block far beyond the memo file's end.
  QFile dbf(QDir(Dir()).filePath("data.dbf"));
  ASSERT_TRUE(dbf.open(QIODevice::ReadWrite));
  const QByteArray header = dbf.read(12);
  const int headerSize = uchar(header[8]) | uchar(header[9]) << 8;
  ASSERT_TRUE(dbf.seek(headerSize + offset));  // the offset counts the deleted flag
  dbf.write("0099999999");
  dbf.close();
  OpenEditTable();
  edit.First();

  host.newRecord = false;
  form->LoadFields(edit);
  EXPECT_EQ(Memo(kNotes)->toPlainText(), "second memo");
  EXPECT_EQ(Memo(kDescription)->toPlainText(), "");
  ASSERT_EQ(msgs.shown.size(), 1u) << msgs.Texts().join("|").toStdString();
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text,
            "Corrupt Memo Field!!! You should delete record: www.example.org\n"
            "You may have to use Advanced/Maintenance/Repair Data File function.");
  EXPECT_EQ(msgs.shown[0].buttons, MsgButtons::OkHelp);
  EXPECT_EQ(msgs.shown[0].helpTopic, 62);
  EXPECT_TRUE(Memo(kDescription)->toPlainText().isEmpty());
  EXPECT_EQ(Memo(kNotes)->toPlainText(), "second memo");
  EXPECT_EQ(Line(kTitle)->text(), "Damaged");
}

TEST_F(RecordFormTest, AMemoThatCannotBeWrittenFailsOnceAndYesCancelsThePendingChange) {
  // A table in a Windows code page cannot hold these characters.
  edit.Close();
  ASSERT_TRUE(WriteAll(QDir(Dir()).filePath("data.cpg"), "1252"));
  OpenEditTable();
  StoreRecord("Old title", "old", "");
  edit.First();
  host.newRecord = false;
  form->LoadFields(edit);
  edit.Edit();  // the shown record is held, as the window does

  Line(kTitle)->setFocus();
  Line(kTitle)->selectAll();
  Type(kTitle, "New title");
  Type(kDescription, QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));
  msgs.answers = {MsgAnswer::Ok, MsgAnswer::No, MsgAnswer::Ok, MsgAnswer::Yes};
  EXPECT_FALSE(form->SaveCurrentRecord());
  EXPECT_EQ(host.saved, false);
  ASSERT_EQ(msgs.shown.size(), 2u);
  EXPECT_TRUE(msgs.shown[0].text.startsWith("Corrupt Memo Field!!! You should delete record: "));
  EXPECT_EQ(msgs.shown[1].kind, MsgKind::Warning);
  EXPECT_EQ(msgs.shown[1].text,
            "Could not Update the record!\nDo you want to continue anyway?\n"
            "(If you answer Yes changes to the current record will be discarded.)");
  EXPECT_EQ(msgs.shown[1].buttons, MsgButtons::YesNo);
  EXPECT_EQ(edit.State(), dbase::EditState::Edit);  // "No": still held, nothing written
  EXPECT_EQ(Line(kTitle)->text(), "New title");

  EXPECT_TRUE(form->SaveCurrentRecord());
  EXPECT_EQ(msgs.shown.size(), 4u);
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);
  // Nothing half saved reaches the file, not even after a move.
  edit.Last();
  edit.First();
  EXPECT_EQ(edit.AsText(kTitle + 1), "Old title");
  EXPECT_EQ(edit.AsText(kDescription + 1), "old");
}

TEST_F(RecordFormTest, AnEngineRefusingEveryPostIsTriedAHundredTimesThenAsked) {
  int posts = 0;
  bool busy = false, nested = true;
  edit.SetBeforePost([&](dbase::Table&) {
    // No other save can start while this one runs.
    busy = form->Busy();
    nested = form->SaveCurrentRecord();
    ++posts;
    throw dbase::DatabaseError(dbase::ErrorReason::InUse, "locked");
  });
  Type(kTitle, "Refused");
  msgs.answers = {MsgAnswer::Yes};
  EXPECT_TRUE(form->SaveCurrentRecord());
  EXPECT_EQ(posts, TRecordForm::kMaxSaveAttempts);
  EXPECT_TRUE(busy);
  EXPECT_FALSE(nested);
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(msgs.Texts(), QStringList({"Could not Update the record!\nDo you want to continue anyway?\n"
                                       "(If you answer Yes changes to the current record will be discarded.)"}));
  edit.SetBeforePost({});
  EXPECT_EQ(edit.State(), dbase::EditState::Browse);  // the insert was cancelled
  EXPECT_EQ(Count(), 0u);
}

TEST_F(RecordFormTest, AnInvalidDateLeavesTheRecordUnsavedWithTheDateFocused) {
  Type(kTitle, "Dated");
  Type(kDate, "13452020");
  form->ShowPage(3);
  EXPECT_FALSE(form->SaveCurrentRecord());
  EXPECT_EQ(msgs.Texts(), QStringList({"Invalid Date!"}));
  EXPECT_EQ(form->Pages()->currentIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kDate));
  EXPECT_EQ(Count(), 0u);
  EXPECT_EQ(host.saved, false);

  // A good date is stored, and the page shown stays where it was.
  auto* date = qobject_cast<TDateEdit*>(form->Editor(kDate));
  date->SetDate(QDate(2020, 4, 5));
  form->ShowPage(2);
  msgs.shown.clear();
  EXPECT_TRUE(form->SaveCurrentRecord());
  EXPECT_TRUE(msgs.shown.empty());
  EXPECT_EQ(form->Pages()->currentIndex(), 2);
  edit.First();
  EXPECT_EQ(edit.AsText(kDate + 1), "20200405");
}

TEST_F(RecordFormTest, LoadingShowsTheRecordAndATemplateDateMarkerBecomesToday) {
  ScopedClock clock(QDateTime(QDate(2004, 3, 10), QTime(9, 0)));
  edit.Append();
  edit.SetText(kTitle + 1, "Template");
  edit.SetDate(kDate + 1, dbase::Date{std::chrono::year(1899), std::chrono::December, std::chrono::day(31)});
  edit.Post();
  edit.First();
  auto* date = qobject_cast<TDateEdit*>(form->Editor(kDate));
  form->LoadFields(edit);
  EXPECT_EQ(date->Date(), QDate(1899, 12, 31));
  form->LoadFields(edit, true);
  EXPECT_EQ(date->Date(), QDate(2004, 3, 10));
  EXPECT_EQ(Line(kTitle)->text(), "Template");
  form->ClearFields();
  EXPECT_TRUE(form->IsFormBlank());
}

TEST_F(RecordFormTest, FontAndDateFormatChoicesApplyAtOnceAndAreKept) {
  // "&Font..." of a one-line editor's popup: every one-line editor and
  // lookup takes the new font, the memos keep theirs.
  QFont chosen("DejaVu Serif", 13);
  form->SetFontChooser([&chosen](const QFont&) { return std::optional<QFont>(chosen); });
  QWidget* keywords = form->Editor(kKeywords);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), keywords->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(keywords, &menuEvent);
  auto* menu = qobject_cast<TEditMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  menu->Font1->trigger();
  menu->close();
  EXPECT_EQ(Opt().LineEditFont.Name(), "DejaVu Serif");
  EXPECT_EQ(Opt().LineEditFont.Size(), 13);
  EXPECT_EQ(form->Editor(kTitle)->font().family(), "DejaVu Serif");
  EXPECT_EQ(form->Editor(3)->font().pointSize(), 13);
  EXPECT_EQ(form->Editor(kNotes)->font(), ToQFont(Opt().MemoEditFont));

  // A date format chosen in the date editor's popup goes to date.dat.
  QSignalSpy formats(form.get(), &TRecordForm::DateFormatsChanged);
  auto* date = qobject_cast<TDateEdit*>(form->Editor(kDate));
  date->FormatItem[1]->trigger();
  EXPECT_EQ(formats.count(), 1);
  EXPECT_EQ(Opt().DateFormats[0].code, "1");
  EXPECT_EQ(ReadAll(Opt().SettingsFile("date.dat")), "1\r\n");
}

TEST_F(RecordFormTest, ReadOnlyDisablesTheEditorsAndSavesNothing) {
  Type(kTitle, "typed");
  host.readOnly = true;
  form->SetEditorsState(false);
  EXPECT_FALSE(form->Editor(kTitle)->isEnabled());
  EXPECT_FALSE(form->Editor(kKeywords)->isEnabled());
  EXPECT_FALSE(form->Editor(3)->isEnabled());  // lookup
  EXPECT_TRUE(Memo(kNotes)->isReadOnly());
  EXPECT_TRUE(form->SaveCurrentRecord());
  EXPECT_EQ(Count(), 0u);
  form->SetEditorsState(true);
  EXPECT_TRUE(form->Editor(kKeywords)->isEnabled());
}

TEST_F(RecordFormTest, HighlightShowsTheFieldsPageAndSelectsTheMemoText) {
  Memo(kNotes)->setPlainText("find the needle here");
  form->HighlightField(kNotes, 9, 6);
  EXPECT_EQ(form->Pages()->currentIndex(), 2);
  EXPECT_EQ(QApplication::focusWidget(), form->Editor(kNotes));
  EXPECT_EQ(Memo(kNotes)->textCursor().selectedText(), "needle");
  EXPECT_EQ(Memo(kNotes)->palette().color(QPalette::Base), QColor(Qt::red));
  form->ClearHighlight();
  EXPECT_EQ(Memo(kNotes)->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST_F(RecordFormTest, MemoLinesTypedAreStoredWithCrLfAndStoredLinesShowPlain) {
  Type(kTitle, "Lines");
  Type(kNotes, "first");
  QTest::keyClick(form->Editor(kNotes), Qt::Key_Return);
  Type(kNotes, "second");
  ASSERT_TRUE(form->SaveCurrentRecord());
  edit.First();
  EXPECT_EQ(edit.AsBytes(kNotes + 1), "first\r\nsecond");

  // Written by a dBASE program and by one that writes LF alone.
  StoreRecord("Other", "dbase\r\nlines", "plain\nlines");
  edit.First();
  edit.Next();
  host.newRecord = false;
  form->LoadFields(edit);
  ASSERT_EQ(Line(kTitle)->text(), "Other");
  EXPECT_EQ(Memo(kDescription)->toPlainText(), "dbase\nlines");
  EXPECT_EQ(Memo(kDescription)->document()->blockCount(), 2);
  EXPECT_EQ(Memo(kNotes)->toPlainText(), "plain\nlines");
  EXPECT_EQ(form->FieldText(kDescription), "dbase\nlines");
}

// A record saved into another table (the copy buffer, a record template)
// carries its picture as stored, while the shown record keeps the bytes
// another program wrote instead of having them re-encoded.
TEST_F(RecordFormTest, AnUnchangedPictureGoesIntoAnotherTableAsStored) {
  QImage image(12, 8, QImage::Format_RGB32);
  image.fill(QColor(200, 40, 10));
  QByteArray bmp;
  QBuffer buffer(&bmp);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
  ASSERT_TRUE(image.save(&buffer, "BMP"));
  edit.Append();
  edit.SetText(kTitle + 1, "Pictured");
  edit.SetBytes(17 + 1, std::string_view(bmp.constData(), size_t(bmp.size())));
  edit.Post();
  edit.First();
  host.newRecord = false;
  form->LoadFields(edit);
  ASSERT_FALSE(qobject_cast<TMultiImgControl*>(form->Editor(17))->IsEmpty());

  dbase::Table copy(tables::DbDir(), "copy.dbf");
  copy.Open();
  copy.Append();
  ASSERT_TRUE(form->SaveFields(copy));
  copy.Last();
  EXPECT_EQ(copy.AsText(kTitle + 1), "Pictured");
  EXPECT_EQ(copy.AsBytes(17 + 1), std::string(bmp.constData(), size_t(bmp.size())));
  copy.Close();

  Type(kKeywords, "changed");
  ASSERT_TRUE(form->SaveCurrentRecord());
  edit.First();
  EXPECT_EQ(edit.AsText(kKeywords + 1), "changed");
  EXPECT_EQ(edit.AsBytes(17 + 1), std::string(bmp.constData(), size_t(bmp.size())));
}

TEST_F(RecordFormTest, APictureAloneIsWorthStoringAndComesBackWithTheRecord) {
  auto* picture = qobject_cast<TMultiImgControl*>(form->Editor(17));
  ASSERT_NE(picture, nullptr);
  QImage image(40, 30, QImage::Format_ARGB32);
  image.fill(QColor(10, 120, 200));
  picture->SetPicture(image);
  EXPECT_FALSE(form->IsFormBlank());
  ASSERT_TRUE(form->SaveCurrentRecord());
  ASSERT_EQ(Count(), 1u);
  edit.First();
  EXPECT_TRUE(edit.AsBytes(17 + 1).starts_with("\x89PNG"));
  EXPECT_TRUE(edit.IsEmpty(10 + 1));  // the logo stays empty

  // Shown again after a record without one, and cleared by an empty record.
  form->ClearFields();
  EXPECT_TRUE(picture->IsEmpty());
  host.newRecord = false;
  form->LoadFields(edit);
  EXPECT_EQ(picture->Picture().size(), QSize(40, 30));
  EXPECT_EQ(picture->Picture().pixelColor(5, 5), QColor(10, 120, 200));

  // Taken away and saved: the field is emptied.
  edit.Edit();
  picture->Clear();
  Type(kTitle, "No picture");
  ASSERT_TRUE(form->SaveCurrentRecord());
  edit.First();
  EXPECT_TRUE(edit.IsEmpty(17 + 1));
}

TEST_F(RecordFormTest, TheWindowMayPaintBetweenFieldsWhileTheFormIsBusy) {
  StoreRecord("Painted", "memo", "notes");
  edit.First();
  host.newRecord = false;
  int turns = 0, busyTurns = 0, titleShown = 0;
  SetEventPump([&] {
    ++turns;
    busyTurns += form->Busy();
    titleShown += Line(kTitle)->text() == "Painted";
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  form->LoadFields(edit);
  InstallPaintPump();
  EXPECT_EQ(turns, TRecordForm::kFieldCount);
  EXPECT_EQ(busyTurns, turns);
  EXPECT_EQ(titleShown, turns);  // the first field is on screen before the rest
}

}  // namespace
}  // namespace quillary::test

namespace quillary::test {
namespace {

// Every page drawn at a usual pane size with a filled record; the pictures
// go to $QUILLARY_SHOT_DIR when it is set, for a person to look at.
TEST_F(RecordFormTest, EveryPageDrawsAFilledRecord) {
  edit.Append();
  edit.SetText(2, "Norvane Garden Supplies");
  edit.SetText(3, "https://www.norvane-garden.example/shop/index.html");
  edit.SetText(4, "Shopping");
  edit.SetText(5, "Garden");
  edit.SetText(6, "seeds, tools, greenhouse");
  edit.SetText(7, "orders@norvane-garden.example");
  edit.SetText(8, "WWW");
  edit.SetDate(9, dbase::Date{std::chrono::year(2026), std::chrono::March, std::chrono::day(14)});
  edit.SetText(10, "+44 20 7946 0321");
  edit.SetText(12, "Account 55-1032");
  edit.SetText(13, "Ships in 3 days");
  edit.SetText(16, "A family shop for seeds and hand tools.\nFree delivery above 40 pounds.\n"
                   "Catalogue comes out every spring.");
  edit.SetText(17, "Asked about the copper trowel on 2 March; call back after the 20th.");
  edit.Post();
  edit.First();
  host.newRecord = false;
  form->LoadFields(edit);
  const QString dir = qEnvironmentVariable("QUILLARY_SHOT_DIR");
  for (int i = 0; i < form->PageCount(); ++i) {
    form->ShowPage(i);
    const QPixmap shot = form->grab();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(700, 520));
    if (!dir.isEmpty()) shot.save(QDir(dir).filePath(QString("form-page%1.png").arg(i + 1)));
  }
  if (!dir.isEmpty()) {
    form->SetEditorsState(false);
    form->ShowPage(0);
    form->grab().save(QDir(dir).filePath("form-page1-readonly.png"));
  }
}

}  // namespace
}  // namespace quillary::test
