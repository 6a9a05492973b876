// Every field editor kind the factory makes, over a real record table: a
// value read from one record is written unchanged into another, a cleared
// editor is blank and empties its field, and a locked editor takes no typing.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/field_editors.h"
#include "tables/tables_fixture.h"

namespace quillary::test {
namespace {

struct KindCase {
  const char* name;
  FieldEditorKind kind;
  int n;
  std::string stored;  // as the table holds it
  QString shown;       // as the editor shows it
};

class FieldEditorKindTest : public TablesTest, public ::testing::WithParamInterface<KindCase> {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    ASSERT_TRUE(tables::OpenDatabase());
    table.Bind(tables::DbDir(), "data.dbf");
    table.Open();
    window.resize(400, 300);
    window.show();
    textMenu = new TEditMenu(TEditMenu::Variant::Text, &window);
    lookupMenu = new TEditMenu(TEditMenu::Variant::Lookup, &window);
  }
  void TearDown() override {
    editor.reset();
    table.Close();
    TablesTest::TearDown();
  }

  void Make(const KindCase& c) {
    FieldEditorSetup setup;
    setup.n = c.n;
    setup.kind = c.kind;
    setup.listNo = c.kind == FieldEditorKind::Lookup ? 1 : 0;
    setup.parent = &window;
    setup.textMenu = textMenu;
    setup.lookupMenu = lookupMenu;
    setup.changed = [this] { ++changes; };
    setup.fontRequested = [](QWidget*) {};
    setup.colorRequested = [](QWidget*) {};
    editor = MakeFieldEditor(setup);
    editor->Widget()->show();
  }
  void WriteRecord(int field, const std::string& value) {
    table.Append();
    table.SetText(2, "record");
    if (!value.empty()) table.SetText(field, value);
    table.Post();
  }

  QWidget window;
  TEditMenu* textMenu = nullptr;
  TEditMenu* lookupMenu = nullptr;
  dbase::Table table;
  std::unique_ptr<FormFieldEditor> editor;
  int changes = 0;
};

TEST_P(FieldEditorKindTest, AValueGoesFromOneRecordToAnotherUnchanged) {
  const KindCase& c = GetParam();
  const int field = c.n + 1;
  Make(c);
  EXPECT_EQ(editor->FieldNumber(), c.n);
  EXPECT_TRUE(editor->IsBlank());
  WriteRecord(field, c.stored);
  WriteRecord(field, "");
  table.First();
  editor->Load(table, field, false);
  EXPECT_EQ(editor->Text(), c.shown);
  EXPECT_FALSE(editor->IsBlank());

  table.Next();
  table.Edit();
  editor->Store(table, field, SaveMode::Attended);
  table.Post();
  const std::string copied = table.AsBytes(field);
  table.First();
  EXPECT_EQ(copied, table.AsBytes(field));

  editor->Clear();
  EXPECT_TRUE(editor->IsBlank());
  EXPECT_TRUE(editor->Text().isEmpty());
  table.Edit();
  editor->Store(table, field, SaveMode::Attended);
  table.Post();
  EXPECT_TRUE(table.IsEmpty(field));
}

TEST_P(FieldEditorKindTest, ALockedEditorTakesNoTypingAndAnUnlockedOneDoes) {
  const KindCase& c = GetParam();
  Make(c);
  QWidget* input = editor->InputWidget();
  editor->SetEditable(false);
  changes = 0;
  input->setFocus();
  QTest::keyClicks(input, "7");
  EXPECT_TRUE(editor->Text().isEmpty());
  EXPECT_EQ(changes, 0);
  editor->SetEditable(true);
  input->setFocus();
  QTest::keyClicks(input, "7");
  EXPECT_FALSE(editor->Text().isEmpty());
  EXPECT_GT(changes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldEditorKindTest,
    ::testing::Values(KindCase{"Line", FieldEditorKind::Line, 5, "seeds, tools", "seeds, tools"},
                      KindCase{"Title", FieldEditorKind::TitleCapture, 1, "Norvane", "Norvane"},
                      KindCase{"Address", FieldEditorKind::AddressCapture, 2, "www.example.org",
                               "www.example.org"},
                      KindCase{"EMail", FieldEditorKind::EMail, 6, "mail@example.org", "mail@example.org"},
                      KindCase{"Phone", FieldEditorKind::Phone, 9, "+44 20 7946 0321", "+44 20 7946 0321"},
                      KindCase{"Lookup", FieldEditorKind::Lookup, 3, "Shopping", "Shopping"},
                      KindCase{"Memo", FieldEditorKind::Memo, 15, "one\r\ntwo", "one\ntwo"}),
    [](const auto& info) { return std::string(info.param.name); });

class DateFieldEditorTest : public FieldEditorKindTest {};

TEST_F(DateFieldEditorTest, AnUnfinishedDateIsRefusedUnattendedAndAFinishedOneStored) {
  Make(KindCase{"Date", FieldEditorKind::Date, 8, "", ""});
  auto* date = qobject_cast<TDateEdit*>(editor->Widget());
  ASSERT_NE(date, nullptr);
  const int field = 9;
  table.Append();
  table.SetText(2, "dated");
  table.SetDate(field, dbase::Date{std::chrono::year(2001), std::chrono::May, std::chrono::day(6)});
  table.Post();
  table.First();
  editor->Load(table, field, false);
  EXPECT_EQ(date->Date(), QDate(2001, 5, 6));
  EXPECT_FALSE(editor->IsBlank());

  // Half a date: left as stored.
  date->setText("13");
  table.Edit();
  editor->Store(table, field, SaveMode::Unattended);
  table.Post();
  EXPECT_EQ(table.AsText(field), "20010506");

  date->SetDate(QDate(2020, 4, 5));
  table.Edit();
  editor->Store(table, field, SaveMode::Unattended);
  table.Post();
  EXPECT_EQ(table.AsText(field), "20200405");

  editor->Clear();
  EXPECT_TRUE(editor->IsBlank());
  table.Edit();
  editor->Store(table, field, SaveMode::Attended);
  table.Post();
  EXPECT_TRUE(table.IsEmpty(field));
}

}  // namespace
}  // namespace quillary::test
