// The lookup box and the "Edit Lists" dialog, typed into and clicked as a
// user does: list files made from the template at the first binding and
// never replaced, a new value added at once and shown by every lookup on the
// list, exact-case auto-fill, the entering rule, and the dialog's items,
// "&Update Lists" and packing.
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "editor_fixture.h"
#include "mainwin/ui/editors/edit_lists_dlg.h"
#include "mainwin/ui/editors/lookup.h"
#include "tables/database.h"
#include "tables/holder.h"
#include "tables/tables_fixture.h"

namespace quillary::test {
namespace {

using tables::LookupList;

class LookupTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    Opt().AutoFill = 1;
    Opt().LabelList.clear();
    for (int i = 1; i <= 17; ++i) Opt().LabelList << QString("Field %1:").arg(i);
    Opt().LabelList[4 - 2] = "Category 1:";
    Opt().LabelList[5 - 2] = "Category 2:";
  }

  // The items of a list file read straight from the table.
  QStringList FileItems(const QString& file) {
    dbase::Table t(Dir().toStdString(), file.toStdString());
    QStringList out;
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) out << QString::fromStdString(t.AsText(0));
    t.Close();
    return out;
  }
  void PutItems(const QString& file, const QStringList& items) {
    LookupList list;
    list.Bind(Dir().toStdString(), file);
    for (const QString& i : items) ASSERT_TRUE(list.Append(i));
  }

  // A window with two lookups on one list and a plain field after them.
  void ShowForm() {
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    first = new TLookup;
    second = new TLookup;
    after = new QLineEdit;
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second),
                       static_cast<QWidget*>(after)})
      layout->addWidget(w);
    first->SetSource("list1.dbf");
    second->SetSource("list1.dbf");
    first->SetTwin(second);
    second->SetTwin(first);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    first->setFocus(Qt::TabFocusReason);
  }

  std::unique_ptr<QWidget> window;
  TLookup* first = nullptr;
  TLookup* second = nullptr;
  QLineEdit* after = nullptr;
};

TEST_F(LookupTest, ADirectoryWithoutListsGetsThemFromTheTemplateAtTheFirstBinding) {
  EXPECT_FALSE(QFileInfo::exists(PathOf("list1.dbf")));
  TLookup a;
  a.SetSource("list1.dbf");
  EXPECT_EQ(a.Binding(), LookupList::Binding::Created);
  EXPECT_TRUE(QFileInfo::exists(PathOf("list1.dbf")));
  EXPECT_TRUE(a.Items().isEmpty());
  TLookup b;
  b.SetSource("list1.dbf");
  EXPECT_EQ(b.Binding(), LookupList::Binding::Bound);
  EXPECT_EQ(a.toolTip(), "Lookup Field - click on the down arrow to see the choices");
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(LookupTest, ANewValueTypedAndLeftIsInTheListAtOnceAndInBothLookups) {
  PutItems("list1.dbf", {"Tools"});
  ShowForm();
  EXPECT_EQ(first->Items(), QStringList{"Tools"});
  QTest::keyClicks(first, "Garden");
  EXPECT_EQ(first->Text(), "Garden");
  QTest::keyClick(first, Qt::Key_Tab);
  EXPECT_TRUE(second->hasFocus());
  EXPECT_EQ(FileItems("list1.dbf"), (QStringList{"Tools", "Garden"}));
  EXPECT_EQ(first->Items(), (QStringList{"Garden", "Tools"}));  // shown sorted
  EXPECT_EQ(second->Items(), (QStringList{"Garden", "Tools"}));
  EXPECT_EQ(first->Text(), "Garden");
  // Leaving with a text already listed adds nothing.
  second->SetText("Tools");
  QTest::keyClick(second, Qt::Key_Tab);
  EXPECT_EQ(FileItems("list1.dbf"), (QStringList{"Tools", "Garden"}));
  // An empty text is never added.
  EXPECT_EQ(FileItems("list1.dbf").size(), 2);
}

TEST_F(LookupTest, AListHeldExclusivelyByAnotherProcessIsLeftUntouched) {
  PutItems("list1.dbf", {"Keep me"});
  const QByteArray before = ReadAll(PathOf("list1.dbf"));
  TableHolder holder(Dir(), "list1.dbf", true);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  TLookup a;
  a.SetSource("list1.dbf");
  EXPECT_EQ(a.Binding(), LookupList::Binding::Unavailable);
  EXPECT_TRUE(a.Items().isEmpty());
  a.SetText("New value");
  a.AddTypedValue();  // the table refuses; nothing is replaced or created
  EXPECT_EQ(ReadAll(PathOf("list1.dbf")), before);
  EXPECT_TRUE(msgs.shown.empty());
  holder.Release();
  a.LoadItems();
  EXPECT_EQ(a.Items(), QStringList{"Keep me"});
}

TEST_F(LookupTest, AutoFillCompletesAnExactCasePrefixAndSelectsTheRest) {
  PutItems("list1.dbf", {"Banana", "apricot", "Apple"});
  ShowForm();
  EXPECT_EQ(first->Items(), (QStringList{"Apple", "apricot", "Banana"}));
  QLineEdit* edit = first->lineEdit();
  QTest::keyClicks(first, "a");
  EXPECT_EQ(edit->text(), "apricot");
  EXPECT_EQ(edit->selectedText(), "pricot");
  QTest::keyClicks(first, "p");
  EXPECT_EQ(edit->text(), "apricot");
  EXPECT_EQ(edit->selectedText(), "ricot");
  QTest::keyClick(first, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(first, "Ap");
  EXPECT_EQ(edit->text(), "Apple");
  EXPECT_EQ(edit->selectedText(), "ple");
  // Another letter case completes nothing.
  edit->clear();
  QTest::keyClicks(first, "ban");
  EXPECT_EQ(edit->text(), "ban");
  EXPECT_FALSE(edit->hasSelectedText());
  // Switched off, typing is typing.
  Opt().AutoFill = 0;
  edit->clear();
  QTest::keyClicks(first, "Ba");
  EXPECT_EQ(edit->text(), "Ba");
}

TEST_F(LookupTest, EnteringPutsTheCaretAtTheStart) {
  PutItems("list1.dbf", {"Banana"});
  ShowForm();
  second->SetText("Banana");
  QTest::keyClick(first, Qt::Key_Tab);
  ASSERT_TRUE(second->hasFocus());
  EXPECT_FALSE(second->lineEdit()->hasSelectedText());
  EXPECT_EQ(second->lineEdit()->cursorPosition(), 0);
}

TEST_F(LookupTest, ClosingTheWindowAddsTheTypedValue) {
  ShowForm();
  QTest::keyClicks(first, "Office");
  window.reset();
  EXPECT_EQ(FileItems("list1.dbf"), QStringList{"Office"});
}

TEST_F(LookupTest, RightClickOpensTheLookupVariantOfTheEditMenu) {
  PutItems("list1.dbf", {"Tools"});
  ShowForm();
  TEditMenu menu(TEditMenu::Variant::Lookup);
  first->SetPopupMenu(&menu);
  QWidget* listFor = nullptr;
  QObject::connect(&menu, &TEditMenu::EditListRequested, [&](QWidget* w) { listFor = w; });
  QTest::keyClicks(first, "T");  // auto-filled: "ools" selected
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                          first->lineEdit()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(first->lineEdit(), &click);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.Control(), first);
  EXPECT_FALSE(menu.Undo1->isVisible());
  EXPECT_TRUE(menu.Copy1->isEnabled());  // the completed part is selected
  EXPECT_TRUE(menu.AutoFill1->isChecked());
  menu.EditList1->trigger();
  EXPECT_EQ(listFor, first);
  menu.close();
}

TEST_F(LookupTest, EditListFromTheMenuStartsOnTheLookupsList) {
  PutItems("list3.dbf", {"Invoice"});
  int started = -1;
  OnNextModal<TEditListsDlg>([&](TEditListsDlg* dlg) {
    started = dlg->CurrentList();
    EXPECT_EQ(dlg->ShownItems(), QStringList{"Invoice"});
    dlg->reject();
  });
  TEditListsDlg::ExecuteFor("LIST3.DBF");
  EXPECT_EQ(started, 2);
}

// ------------------------------------------------------------- Edit Lists

class EditListsTest : public LookupTest {
 protected:
  std::vector<tables::ListField> Lists() {
    return {{4, "list1.dbf"}, {5, "list2.dbf"}};
  }
  void AddData(const std::string& cat1, const std::string& cat2) {
    dbase::Table& t = tables::Db().Data;
    t.Append();
    t.SetText(1, "2");
    t.SetText(4, cat1);
    t.SetText(5, cat2);
    t.Post();
  }
};

TEST_F(EditListsTest, ControlsAndHints) {
  PutItems("list1.dbf", {"b", "a"});
  TEditListsDlg dlg(Lists());
  EXPECT_EQ(dlg.windowTitle(), "Edit Lists");
  EXPECT_EQ(dlg.ListButton(0)->text(), "Category 1:");
  EXPECT_EQ(dlg.ListButton(1)->text(), "Category 2:");
  EXPECT_TRUE(dlg.ListButton(0)->isChecked());
  EXPECT_EQ(dlg.ShownItems(), (QStringList{"a", "b"}));  // in the order of the IDX tag
  EXPECT_EQ(dlg.Grid()->toolTip(), "Click Here To Select List Item");
  EXPECT_EQ(dlg.Grid()->selectionBehavior(), QAbstractItemView::SelectRows);
  const struct {
    QPushButton* b;
    const char* text;
    const char* hint;
  } buttons[] = {
      {dlg.NewBtn(), "&New", "Create New List Item"},
      {dlg.EditBtn(), "&Edit", "Edit List Item"},
      {dlg.DeleteBtn(), "&Delete", "Delete List Item"},
      {dlg.UpdateBtn(), "&Update Lists", "Update All Lists From Current Database"},
      {dlg.CloseBtn(), "&Close", "Close This Window"},
  };
  for (const auto& c : buttons) {
    EXPECT_EQ(c.b->text(), c.text);
    EXPECT_EQ(c.b->toolTip(), c.hint);
  }
  TEditListsDlg onSecond(Lists(), 1);
  EXPECT_TRUE(onSecond.ListButton(1)->isChecked());
}

TEST_F(EditListsTest, NewEditDeleteAndPackOnClosing) {
  PutItems("list1.dbf", {"Tools"});
  TEditListsDlg dlg(Lists());
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  msgs.inputs.push_back(QString("Garden"));
  QTest::mouseClick(dlg.NewBtn(), Qt::LeftButton);
  EXPECT_EQ(msgs.prompts.back(), "Add New Item|New List Item:");
  EXPECT_EQ(dlg.ShownItems(), (QStringList{"Garden", "Tools"}));
  EXPECT_TRUE(dlg.Grid()->hasFocus());
  dlg.SelectItem("Tools");
  msgs.inputs.push_back(QString("Tool shed"));
  QTest::mouseClick(dlg.EditBtn(), Qt::LeftButton);
  EXPECT_EQ(msgs.prompts.back(), "Edit Item|Modify List Item:");
  EXPECT_EQ(dlg.ShownItems(), (QStringList{"Garden", "Tool shed"}));
  dlg.SelectItem("Garden");
  msgs.answers.push_back(MsgAnswer::No);
  QTest::mouseClick(dlg.DeleteBtn(), Qt::LeftButton);
  EXPECT_EQ(dlg.ShownItems().size(), 2);
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(msgs.shown[0].text, "Are you sure you want to Delete this Item?");
  msgs.answers.push_back(MsgAnswer::Yes);
  QTest::mouseClick(dlg.DeleteBtn(), Qt::LeftButton);
  EXPECT_EQ(dlg.ShownItems(), QStringList{"Tool shed"});
  // Cancelled input boxes change nothing.
  QTest::mouseClick(dlg.NewBtn(), Qt::LeftButton);
  QTest::mouseClick(dlg.EditBtn(), Qt::LeftButton);
  EXPECT_EQ(dlg.ShownItems(), QStringList{"Tool shed"});
  QTest::mouseClick(dlg.CloseBtn(), Qt::LeftButton);
  dbase::Table t(Dir().toStdString(), "list1.dbf");
  t.Open();
  EXPECT_EQ(t.PhysicalRecordCount(), 1u);  // packed: the deleted item is gone
  EXPECT_EQ(msgs.shown.size(), 2u);
}

TEST_F(EditListsTest, UpdateListsAddsEachDistinctNonEmptyValueOnce) {
  ASSERT_TRUE(tables::OpenDatabase());
  PutItems("list1.dbf", {"Tools"});
  PutItems("list2.dbf", {});
  AddData("Garden", "Red");
  AddData("Tools", "");
  AddData("Garden", "Red");
  AddData("", "Blue");
  AddData("garden", "Red");
  TEditListsDlg dlg(Lists(), 1);
  dlg.show();
  QTest::mouseClick(dlg.UpdateBtn(), Qt::LeftButton);
  EXPECT_EQ(dlg.CurrentList(), 0);  // the first list again
  EXPECT_EQ(FileItems("list1.dbf"), (QStringList{"Tools", "Garden", "garden"}));
  EXPECT_EQ(FileItems("list2.dbf"), (QStringList{"Red", "Blue"}));
  QTest::mouseClick(dlg.UpdateBtn(), Qt::LeftButton);  // nothing new the second time
  EXPECT_EQ(FileItems("list1.dbf").size(), 3);
  EXPECT_EQ(FileItems("list2.dbf").size(), 2);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(EditListsTest, AListThatDoesNotOpenSaysSo) {
  PutItems("list1.dbf", {"x"});
  TableHolder holder(Dir(), "list1.dbf", true);
  ASSERT_TRUE(holder.ready()) << holder.reply();
  TEditListsDlg dlg(Lists());
  EXPECT_EQ(msgs.Texts(), QStringList{"Cannot open the file: list1.dbf"});
  EXPECT_TRUE(dlg.ShownItems().isEmpty());
}

TEST_F(EditListsTest, LookupsReloadAfterTheDialog) {
  PutItems("list1.dbf", {"Tools"});
  TLookup lookup;
  lookup.SetSource("list1.dbf");
  OnNextModal<TEditListsDlg>([](TEditListsDlg* dlg) {
    dlg->SelectItem("Tools");
    dlg->reject();
  });
  PutItems("list1.dbf", {"Garden"});  // changed meanwhile
  TEditListsDlg::Execute(Lists());
  EXPECT_EQ(lookup.Items(), (QStringList{"Garden", "Tools"}));
}

}  // namespace
}  // namespace quillary::test
