// Record templates in the copy buffer table and the "Save Record As
// Template" dialog, driven as a user does: naming and choosing templates,
// the date boxes and the date marker, deleting with the table packed, and
// using a template for a new record.
#include <QCheckBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>

#include "editor_fixture.h"
#include "mainwin/record_templates.h"
#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/record_template_form.h"
#include "tables/table_utils.h"
#include "tables/tables_fixture.h"

namespace quillary::test {
namespace {

constexpr int kTitle = 2;
constexpr int kDate = 9;

class RecordTemplatesTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    Opt().SettingsDir = home.path();
    Opt().LabelList.clear();
    for (int i = 1; i <= 17; ++i) Opt().LabelList << QString("Field %1:").arg(i);
    Opt().LabelList[kDate - 2] = "Date:";
    ASSERT_TRUE(tables::OpenDatabase());
    names.Load();
  }
  void TearDown() override {
    TablesTest::TearDown();
  }

  ScopedClock clock{QDateTime(QDate(2004, 3, 10), QTime(9, 30))};

  dbase::Table& Buffer() { return tables::Db().CopyBuffer; }

  // What the record form's save does: its editors into the current record.
  std::function<bool(dbase::Table&)> Editors(const std::string& title, QDate date) {
    return [title, date](dbase::Table& t) {
      t.Edit();
      t.SetText(kTitle, title);
      t.SetDate(kDate, date.isValid() ? std::optional(ToDbDate(date)) : std::nullopt);
      t.Post();
      return true;
    };
  }
  void AddTemplate(const QString& name, const std::string& title, bool marked) {
    const std::optional<int> index = templates.ChooseForSave(name);
    ASSERT_TRUE(index);
    ASSERT_TRUE(templates.StoreRecord(*index, marked ? std::vector<int>{kDate} : std::vector<int>{},
                                      Editors(title, QDate(1999, 7, 4))));
  }
  std::string TitleAt(uint64_t position) {
    if (!tables::GotoPosition(Buffer(), position) || Buffer().Eof()) return "<none>";
    return Buffer().AsText(kTitle);
  }

  TRecordTemplateList names;
  RecordTemplates templates{names, tables::Db().CopyBuffer};
};

TEST_F(RecordTemplatesTest, TemplatesFollowTheCopyBufferRecordAndRecordsTml) {
  AddTemplate("Supplier", "ACME", false);
  AddTemplate("Customer", "Smith", true);
  EXPECT_EQ(names.Names(), (QStringList{"Supplier", "Customer"}));
  EXPECT_EQ(ReadAll(home.file("records.tml")), "Supplier\r\nCustomer\r\n");
  EXPECT_EQ(TitleAt(0), "");  // the copy buffer itself is left alone
  EXPECT_EQ(TitleAt(1), "ACME");
  EXPECT_EQ(TitleAt(2), "Smith");
  EXPECT_EQ(templates.MarkedDateFields(0), std::vector<int>{});
  EXPECT_EQ(templates.MarkedDateFields(1), std::vector<int>{kDate});
  // Saving under an existing name writes that template again.
  const std::optional<int> again = templates.ChooseForSave("Supplier");
  ASSERT_EQ(again, 0);
  ASSERT_TRUE(templates.StoreRecord(0, {kDate}, Editors("ACME Ltd", QDate(2001, 1, 1))));
  EXPECT_EQ(names.Count(), 2);
  EXPECT_EQ(TitleAt(1), "ACME Ltd");
  EXPECT_EQ(tables::RecordCount(Buffer()), 3u);
}

TEST_F(RecordTemplatesTest, AMarkedDateShowsTodayWhenTheTemplateIsUsed) {
  AddTemplate("Visit", "call back", true);
  AddTemplate("Fixed", "on the fourth", false);
  ASSERT_EQ(templates.GotoTemplate("Visit"), RecordTemplates::Use::Positioned);
  const std::optional<dbase::Date> stored = Buffer().AsDate(kDate);
  EXPECT_TRUE(IsTemplateDateMarker(stored));
  TDateEdit edit;
  edit.SetDateFormatIndex(0);
  edit.SetDate(ToQDate(TemplateDateValue(stored, Today())));
  EXPECT_EQ(edit.text(), "03/10/2004");
  ASSERT_EQ(templates.GotoTemplate("Fixed"), RecordTemplates::Use::Positioned);
  edit.SetDate(ToQDate(TemplateDateValue(Buffer().AsDate(kDate), Today())));
  EXPECT_EQ(edit.text(), "07/04/1999");
  EXPECT_EQ(templates.GotoTemplate("Blank"), RecordTemplates::Use::Blank);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(RecordTemplatesTest, ATemplateWithoutItsRecordCannotBeLoaded) {
  ASSERT_TRUE(names.Add("Orphan"));  // records.tml names it, the table has no record
  EXPECT_EQ(templates.GotoTemplate("Orphan"), RecordTemplates::Use::Missing);
  EXPECT_EQ(templates.GotoTemplate("Unknown"), RecordTemplates::Use::Missing);
  EXPECT_EQ(msgs.Texts(), (QStringList{rectemplate_text::kLoadFailed, rectemplate_text::kLoadFailed}));
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text, "Template could not be loaded!\nYou should delete this template");
}

TEST_F(RecordTemplatesTest, DeletingTheSecondOfThreeMovesTheThirdToPositionTwo) {
  AddTemplate("One", "first", false);
  AddTemplate("Two", "second", false);
  AddTemplate("Three", "third", true);
  ASSERT_TRUE(templates.Delete(1));
  EXPECT_EQ(names.Names(), (QStringList{"One", "Three"}));
  EXPECT_EQ(ReadAll(home.file("records.tml")), "One\r\nThree\r\n");
  EXPECT_EQ(TitleAt(2), "third");
  EXPECT_EQ(tables::RecordCount(Buffer()), 3u);
  EXPECT_EQ(Buffer().PhysicalRecordCount(), 3u);  // packed
  ASSERT_EQ(templates.GotoTemplate("Three"), RecordTemplates::Use::Positioned);
  EXPECT_EQ(Buffer().AsText(kTitle), "third");
  EXPECT_EQ(templates.MarkedDateFields(1), std::vector<int>{kDate});
}

// ----------------------------------------------------------------- dialog

class RecordTemplateFormTest : public RecordTemplatesTest {};

TEST_F(RecordTemplateFormTest, BlankAndEmptyNamesAreRefusedAndTheDialogStays) {
  TRecordTemplateForm form(templates);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Save Record As Template");
  for (const char* name : {"Blank", ""}) {
    SCOPED_TRACE(name);
    msgs.shown.clear();
    form.NameEdit()->clear();
    QTest::keyClicks(form.NameEdit(), name);
    QTest::mouseClick(form.OkBtn(), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), 0);
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(msgs.shown[0].text, "You must enter Template Name (\"Blank\" is not allowed)!");
  }
  EXPECT_EQ(names.Count(), 0);
  // "blank" in other letters is a name like any other.
  form.NameEdit()->clear();
  QTest::keyClicks(form.NameEdit(), "blank");
  QTest::mouseClick(form.OkBtn(), Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(names.Names(), QStringList{"blank"});
}

TEST_F(RecordTemplateFormTest, ListDateBoxesAndTheDeleteButton) {
  AddTemplate("Supplier", "ACME", false);
  AddTemplate("Customer", "Smith", true);
  TRecordTemplateForm form(templates);
  form.show();
  QListWidget* list = form.TemplateList();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "Blank");
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(list->toolTip(), "Double Click To Change");
  EXPECT_EQ(form.NameEdit()->toolTip(), "Enter New Or Existing Template Name");
  EXPECT_FALSE(form.DeleteBtn()->isEnabled());
  ASSERT_EQ(form.DateBoxes().size(), 1u);
  EXPECT_EQ(form.DateBoxes()[0].first, kDate);
  QCheckBox* dateBox = form.DateBoxes()[0].second;
  EXPECT_EQ(dateBox->text(), "Date:");

  const auto doubleClick = [&](int row) {
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  };
  doubleClick(2);
  EXPECT_EQ(form.NameEdit()->text(), "Customer");
  EXPECT_TRUE(dateBox->isChecked());
  EXPECT_TRUE(form.DeleteBtn()->isEnabled());
  doubleClick(1);
  EXPECT_EQ(form.NameEdit()->text(), "Supplier");
  EXPECT_FALSE(dateBox->isChecked());
  doubleClick(0);  // "Blank" changes nothing
  EXPECT_EQ(form.NameEdit()->text(), "Supplier");
  EXPECT_FALSE(form.DeleteBtn()->isEnabled());
}

TEST_F(RecordTemplateFormTest, DeleteAsksAndPacksTheCopyBuffer) {
  AddTemplate("One", "first", false);
  AddTemplate("Two", "second", false);
  AddTemplate("Three", "third", false);
  TRecordTemplateForm form(templates);
  form.show();
  QListWidget* list = form.TemplateList();
  list->setCurrentRow(2);
  msgs.answers.push_back(MsgAnswer::No);
  QTest::mouseClick(form.DeleteBtn(), Qt::LeftButton);
  EXPECT_EQ(names.Count(), 3);
  EXPECT_EQ(list->count(), 4);
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Confirmation);
  EXPECT_EQ(msgs.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(msgs.shown[0].text, "Are you sure you want to Delete selected Template?");
  msgs.answers.push_back(MsgAnswer::Yes);
  QTest::mouseClick(form.DeleteBtn(), Qt::LeftButton);
  EXPECT_EQ(names.Names(), (QStringList{"One", "Three"}));
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "Three");
  EXPECT_EQ(TitleAt(2), "third");
  EXPECT_EQ(Buffer().PhysicalRecordCount(), 3u);
}

// While another copy of the program holds a template's record, deleting the
// template says so and changes nothing: the later templates keep their own
// records under their names.
TEST_F(RecordTemplateFormTest, ATemplateWhoseRecordAnotherCopyHoldsIsNotDeleted) {
  AddTemplate("One", "first", false);
  AddTemplate("Two", "second", false);
  AddTemplate("Three", "third", false);
  ASSERT_TRUE(tables::GotoPosition(Buffer(), 2));
  const dbase::RecNo held = Buffer().CurrentRecNo();
  ASSERT_EQ(Buffer().AsText(kTitle), "second");
  QProcess holder;
  holder.start(QString(QUILLARY_TEST_BIN_DIR_TESTS) + "/hold_record",
               {QString::fromStdString(Buffer().Directory().string()), QString::fromStdString(Buffer().FileName()),
                QString::number(held)});
  ASSERT_TRUE(holder.waitForStarted(10000));
  ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();
  ASSERT_EQ(holder.readLine().trimmed(), "held");

  TRecordTemplateForm form(templates);
  form.show();
  form.TemplateList()->setCurrentRow(2);
  msgs.answers.push_back(MsgAnswer::Yes);
  QTest::mouseClick(form.DeleteBtn(), Qt::LeftButton);
  ASSERT_EQ(msgs.shown.size(), 2u);
  EXPECT_EQ(msgs.shown[1].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[1].text, "Template in use - not Deleted!");
  EXPECT_EQ(names.Names(), (QStringList{"One", "Two", "Three"}));
  EXPECT_EQ(form.TemplateList()->count(), 4);
  holder.write("\n");
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(10000));
  ASSERT_EQ(templates.GotoTemplate("Three"), RecordTemplates::Use::Positioned);
  EXPECT_EQ(Buffer().AsText(kTitle), "third");
  ASSERT_EQ(templates.GotoTemplate("Two"), RecordTemplates::Use::Positioned);
  EXPECT_EQ(Buffer().AsText(kTitle), "second");
}

TEST_F(RecordTemplateFormTest, OkStoresTheFormIntoANewTemplateWithTheCheckedDates) {
  AddTemplate("Supplier", "ACME", false);
  OnNextModal<TRecordTemplateForm>([](TRecordTemplateForm* form) {
    QTest::keyClicks(form->NameEdit(), "Visit");
    QCheckBox* box = form->DateBoxes()[0].second;
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));  // on the box
    EXPECT_TRUE(box->isChecked());
    QTest::mouseClick(form->OkBtn(), Qt::LeftButton);
  });
  EXPECT_TRUE(SaveRecordAsTemplate(templates, Editors("call back", QDate(2002, 2, 2))));
  EXPECT_EQ(names.Names(), (QStringList{"Supplier", "Visit"}));
  EXPECT_EQ(TitleAt(2), "call back");
  EXPECT_TRUE(IsTemplateDateMarker(Buffer().AsDate(kDate)));

  // Cancelled: no template is written, deletions made in the dialog stay.
  OnNextModal<TRecordTemplateForm>([](TRecordTemplateForm* form) {
    form->TemplateList()->setCurrentRow(1);
    QTest::mouseClick(form->DeleteBtn(), Qt::LeftButton);
    QTest::keyClicks(form->NameEdit(), "Visit");
    QTest::mouseClick(form->CancelBtn(), Qt::LeftButton);
  });
  EXPECT_FALSE(SaveRecordAsTemplate(templates, Editors("not this", QDate())));
  EXPECT_EQ(names.Names(), QStringList{"Visit"});
  EXPECT_EQ(ReadAll(home.file("records.tml")), "Visit\r\n");
  EXPECT_EQ(TitleAt(1), "call back");
  EXPECT_EQ(tables::RecordCount(Buffer()), 2u);
}

}  // namespace
}  // namespace quillary::test
