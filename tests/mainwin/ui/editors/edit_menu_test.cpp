// The shared edit popup of plain edits, memos and lookups: its items in
// order, which show and which are enabled for the control it opens on, the
// text actions, and loading and saving a memo's lines.
#include <QComboBox>
#include <QPlainTextEdit>

#include "editor_fixture.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "shell/options.h"

namespace quillary::test {
namespace {

QStringList Captions(const QMenu& menu, bool visibleOnly) {
  QStringList out;
  for (QAction* a : menu.actions())
    if (!visibleOnly || a->isVisible()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

class EditMenuTest : public EditorTest {};

TEST_F(EditMenuTest, ItemsInOrderForEachVariant) {
  TEditMenu text;
  EXPECT_EQ(Captions(text, false),
            (QStringList{"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All", "-",
                         "&Load", "&Save", "-", "&Font...", "C&olor...", "-", "&Help"}));
  TEditMenu lookup(TEditMenu::Variant::Lookup);
  EXPECT_EQ(Captions(lookup, false),
            (QStringList{"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All", "-",
                         "&Load", "&Save", "-", "&Font...", "C&olor...", "&Edit List...",
                         "Auto-F&ill", "-", "&Help"}));
}

TEST_F(EditMenuTest, FileItemsShowOnlyForMemosAndUndoHidesForLookups) {
  auto* line = new QLineEdit;
  ShowInForm(line);
  auto* memo = new QPlainTextEdit(window.get());
  window->layout()->addWidget(memo);
  memo->show();
  TEditMenu menu;
  menu.Prepare(line);
  EXPECT_TRUE(line->hasFocus());
  EXPECT_EQ(Captions(menu, true),
            (QStringList{"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All", "-",
                         "&Font...", "C&olor...", "-", "&Help"}));
  menu.Prepare(memo);
  EXPECT_TRUE(memo->hasFocus());
  EXPECT_TRUE(menu.Load1->isVisible());
  EXPECT_TRUE(menu.Save1->isVisible());

  auto* combo = new QComboBox(window.get());
  combo->setEditable(true);
  window->layout()->addWidget(combo);
  combo->show();
  TEditMenu lookup(TEditMenu::Variant::Lookup);
  Opt().AutoFill = 0;
  lookup.Prepare(combo);
  EXPECT_EQ(Captions(lookup, true),
            (QStringList{"Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All", "-", "&Font...",
                         "C&olor...", "&Edit List...", "Auto-F&ill", "-", "&Help"}));
  EXPECT_FALSE(lookup.AutoFill1->isChecked());
  lookup.AutoFill1->trigger();
  EXPECT_EQ(Opt().AutoFill, 1);
  lookup.Prepare(combo);
  EXPECT_TRUE(lookup.AutoFill1->isChecked());
  QWidget* listFor = nullptr;
  QObject::connect(&lookup, &TEditMenu::EditListRequested, [&](QWidget* w) { listFor = w; });
  lookup.EditList1->trigger();
  EXPECT_EQ(listFor, combo);
}

TEST_F(EditMenuTest, EnabledItemsFollowSelectionTextAndUndo) {
  auto* line = new QLineEdit;
  ShowInForm(line);
  TEditMenu menu;
  const auto states = [&] {
    menu.Prepare(line);
    QString s;
    for (QAction* a : {menu.Undo1, menu.Cut1, menu.Copy1, menu.Delete1, menu.SelectAll1})
      s += a->isEnabled() ? '1' : '0';
    return s;
  };
  EXPECT_EQ(states(), "00000");  // empty, nothing to undo
  QTest::keyClicks(line, "hello world");
  EXPECT_EQ(states(), "10001");  // text, no selection
  QTest::keyClick(line, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(states(), "11110");
  // Each item as chosen from the menu opened anew.
  menu.Cut1->trigger();
  EXPECT_EQ(line->text(), "hello worl");
  EXPECT_EQ(states(), "10001");
  menu.SelectAll1->trigger();
  EXPECT_EQ(line->selectedText(), "hello worl");
  EXPECT_EQ(states(), "11110");
  menu.Delete1->trigger();
  EXPECT_EQ(line->text(), "");
  EXPECT_EQ(states(), "10000");
  menu.Undo1->trigger();
  EXPECT_EQ(line->text(), "hello worl");
}

TEST_F(EditMenuTest, MemoLinesLoadAndSave) {
  auto* memo = new QPlainTextEdit;
  ShowInForm(memo);
  const QString in = home.file("in.txt");
  ASSERT_TRUE(WriteAll(in, "first line\r\nsecond line\r\n"));
  TEditMenu menu;
  menu.Prepare(memo);
  msgs.files.push_back(in);
  menu.Load1->trigger();
  EXPECT_EQ(msgs.prompts.back(), "Load");
  EXPECT_EQ(memo->toPlainText(), "first line\nsecond line");
  QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(memo, Qt::Key_Return);
  QTest::keyClicks(memo, "third");
  const QString out = home.file("out.txt");
  msgs.files.push_back(out);
  menu.Prepare(memo);
  menu.Save1->trigger();
  EXPECT_EQ(ReadAll(out), "first line\r\nsecond line\r\nthird\r\n");
  // A file that cannot be read leaves the memo as it is and says so.
  msgs.files.push_back(home.file("missing.txt"));
  menu.Load1->trigger();
  EXPECT_EQ(memo->toPlainText(), "first line\nsecond line\nthird");
  EXPECT_EQ(msgs.shown.size(), 1u);
}

TEST_F(EditMenuTest, FontAndColourRequestsNameTheControl) {
  auto* line = new QLineEdit;
  ShowInForm(line);
  TEditMenu menu;
  QWidget* font = nullptr;
  QWidget* colour = nullptr;
  QObject::connect(&menu, &TEditMenu::FontRequested, [&](QWidget* w) { font = w; });
  QObject::connect(&menu, &TEditMenu::ColorRequested, [&](QWidget* w) { colour = w; });
  menu.Prepare(line);
  menu.Font1->trigger();
  menu.Color1->trigger();
  EXPECT_EQ(font, line);
  EXPECT_EQ(colour, line);
}

}  // namespace
}  // namespace quillary::test
