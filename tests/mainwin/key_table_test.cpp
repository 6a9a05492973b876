// The main window's keys table: one binding per key, the keys' texts as the
// tips name them, and a contributed command taking a key over.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "mainwin/key_table.h"

namespace quillary {
namespace {

TEST(KeyTableTest, NoTwoBindingsShareAKeyOrAName) {
  const KeyTable t = KeyTable::Window();
  std::set<std::pair<int, int>> keys;
  std::set<QString> names;
  for (const KeyBinding& b : t.Bindings()) {
    EXPECT_TRUE(keys.insert({int(b.chord.modifiers.toInt()), b.chord.key}).second) << b.name.toStdString();
    EXPECT_TRUE(names.insert(b.name).second) << b.name.toStdString();
  }
  // 19 commands, 9 form pages, 26 letters, F2..F8.
  EXPECT_EQ(t.Bindings().size(), 19u + 9u + 26u + 7u);
}

TEST(KeyTableTest, KeyTextsAsTheTipsNameThem) {
  const KeyTable t = KeyTable::Window();
  const std::pair<const char*, const char*> cases[] = {
      {"B_PgDn", "Ctrl+PgDn"},     {"B_PgUp", "Ctrl+PgUp"},      {"B_First", "Ctrl+Home"},
      {"B_Last", "Ctrl+End"},      {"B_Prev", "Alt+PgUp"},       {"B_Next", "Alt+PgDn"},
      {"B_Search", "Ctrl+F"},      {"SponsorBtn", "Ctrl+G"},     {"B_New", "Ctrl+N"},
      {"B_Options", "Ctrl+O"},     {"B_Print", "Ctrl+P"},        {"B_RDelete", "Alt+Delete"},
      {"B_RCopy", "Alt+C"},        {"B_RPaste", "Alt+T"},        {"B_RUndo", "Alt+U"},
      {"B_RGo", "Alt+G"},          {"B_RCapture", "Alt+W"},      {"B_RPrint", "Alt+P"},
      {"B_RSynchro", "Alt+Y"},     {"Page1", "Alt+1"},           {"Page9", "Alt+9"},
      {"LetterA", "Ctrl+Alt+A"},   {"LetterZ", "Ctrl+Alt+Z"},    {"PopupMenu2", "F2"},
      {"PopupMenu1", "F3"},        {"PopupMenu3", "F4"},         {"VeltoHeader1", "F5"},
      {"SortBtn1", "F6"},          {"SortBtn3", "F8"},           {"B_Replace", ""},
      {"B_Exit", ""},
  };
  for (const auto& [name, text] : cases) EXPECT_EQ(t.KeyText(name), text) << name;
}

TEST(KeyTableTest, FindTakesTheExactModifiers) {
  const KeyTable t = KeyTable::Window();
  const KeyBinding* letter = t.Find({Qt::ControlModifier | Qt::AltModifier, Qt::Key_P});
  ASSERT_TRUE(letter);
  EXPECT_EQ(letter->action, KeyAction::Letter);
  EXPECT_EQ(letter->index, 'P');
  const KeyBinding* page = t.Find({Qt::AltModifier, Qt::Key_5});
  ASSERT_TRUE(page);
  EXPECT_EQ(page->action, KeyAction::FormPage);
  EXPECT_EQ(page->index, 4);
  ASSERT_TRUE(t.Find({Qt::ControlModifier, Qt::Key_P}));
  EXPECT_EQ(t.Find({Qt::ControlModifier, Qt::Key_P})->name, "B_Print");
  EXPECT_EQ(t.Find({Qt::AltModifier, Qt::Key_P})->name, "B_RPrint");
  EXPECT_FALSE(t.Find({Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_N}));
  EXPECT_FALSE(t.Find({Qt::NoModifier, Qt::Key_N}));
  EXPECT_FALSE(t.Find({Qt::ShiftModifier, Qt::Key_F2}));
  EXPECT_FALSE(t.Find({Qt::AltModifier, Qt::Key_0}));
}

TEST(KeyTableTest, ABoundCommandTakesTheKeyOver) {
  KeyTable t = KeyTable::Window();
  t.Bind({Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_D}, "B_Dummy");
  EXPECT_EQ(t.KeyText("B_Dummy"), "Ctrl+Shift+D");
  t.Bind({Qt::ControlModifier, Qt::Key_F}, "B_Finder");
  const KeyBinding* b = t.Find({Qt::ControlModifier, Qt::Key_F});
  ASSERT_TRUE(b);
  EXPECT_EQ(b->name, "B_Finder");
  EXPECT_EQ(b->action, KeyAction::Command);
  EXPECT_EQ(t.KeyText("B_Search"), "");
  // A key that showed a page now runs the command.
  t.Bind({Qt::AltModifier, Qt::Key_9}, "B_Nine");
  EXPECT_EQ(t.Find({Qt::AltModifier, Qt::Key_9})->action, KeyAction::Command);
  EXPECT_EQ(t.KeyText("Page9"), "");
}

}  // namespace
}  // namespace quillary
