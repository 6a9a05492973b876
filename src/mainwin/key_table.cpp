#include "mainwin/key_table.h"

#include <QChar>

namespace quillary {

namespace {

constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;

QString KeyName(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return QString("F%1").arg(key - Qt::Key_F1 + 1);
  switch (key) {
    case Qt::Key_PageUp: return "PgUp";
    case Qt::Key_PageDown: return "PgDn";
    case Qt::Key_Home: return "Home";
    case Qt::Key_End: return "End";
    case Qt::Key_Delete: return "Delete";
    case Qt::Key_Insert: return "Insert";
    case Qt::Key_Escape: return "Esc";
    case Qt::Key_Return:
    case Qt::Key_Enter: return "Enter";
    case Qt::Key_Tab: return "Tab";
    case Qt::Key_Backspace: return "Backspace";
    case Qt::Key_Space: return "Space";
    case Qt::Key_Left: return "Left";
    case Qt::Key_Right: return "Right";
    case Qt::Key_Up: return "Up";
    case Qt::Key_Down: return "Down";
    default: break;
  }
  // Letters, digits and punctuation: the key code is the character.
  if (key > 0x20 && key < 0x7f) return QString(QChar(key));
  return QString("Key %1").arg(key);
}

}  // namespace

KeyTable KeyTable::Window() {
  KeyTable t;
  t.Add({kCtrl, Qt::Key_PageUp}, KeyAction::Command, "B_PgUp");
  t.Add({kCtrl, Qt::Key_PageDown}, KeyAction::Command, "B_PgDn");
  t.Add({kCtrl, Qt::Key_End}, KeyAction::Command, "B_Last");
  t.Add({kCtrl, Qt::Key_Home}, KeyAction::Command, "B_First");
  t.Add({kCtrl, Qt::Key_F}, KeyAction::Command, "B_Search");
  t.Add({kCtrl, Qt::Key_G}, KeyAction::Command, "SponsorBtn");
  t.Add({kCtrl, Qt::Key_N}, KeyAction::Command, "B_New");
  t.Add({kCtrl, Qt::Key_O}, KeyAction::Command, "B_Options");
  t.Add({kCtrl, Qt::Key_P}, KeyAction::Command, "B_Print");
  t.Add({kAlt, Qt::Key_PageUp}, KeyAction::Command, "B_Prev");
  t.Add({kAlt, Qt::Key_PageDown}, KeyAction::Command, "B_Next");
  t.Add({kAlt, Qt::Key_Delete}, KeyAction::Command, "B_RDelete");
  t.Add({kAlt, Qt::Key_C}, KeyAction::Command, "B_RCopy");
  t.Add({kAlt, Qt::Key_T}, KeyAction::Command, "B_RPaste");
  t.Add({kAlt, Qt::Key_U}, KeyAction::Command, "B_RUndo");
  t.Add({kAlt, Qt::Key_G}, KeyAction::Command, "B_RGo");
  t.Add({kAlt, Qt::Key_W}, KeyAction::Command, "B_RCapture");
  t.Add({kAlt, Qt::Key_P}, KeyAction::Command, "B_RPrint");
  t.Add({kAlt, Qt::Key_Y}, KeyAction::Command, "B_RSynchro");
  for (int page = 0; page < 9; ++page)
    t.Add({kAlt, Qt::Key_1 + page}, KeyAction::FormPage, QString("Page%1").arg(page + 1), page);
  for (char l = 'A'; l <= 'Z'; ++l)
    t.Add({kCtrl | kAlt, Qt::Key_A + (l - 'A')}, KeyAction::Letter, QString("Letter") + QChar(l), l);
  t.Add({kNone, Qt::Key_F2}, KeyAction::Popup, "PopupMenu2");    // options
  t.Add({kNone, Qt::Key_F3}, KeyAction::Popup, "PopupMenu1");    // the focused record button's
  t.Add({kNone, Qt::Key_F4}, KeyAction::Popup, "PopupMenu3");    // the record form's
  t.Add({kNone, Qt::Key_F5}, KeyAction::Popup, "VeltoHeader1");  // the list header's
  for (int k = 0; k < 3; ++k)  // the sort button's three
    t.Add({kNone, Qt::Key_F6 + k}, KeyAction::Popup, QString("SortBtn%1").arg(k + 1));
  return t;
}

void KeyTable::Add(KeyChord chord, KeyAction action, const QString& name, int index) {
  bindings_.push_back(KeyBinding{chord, action, name, index});
}

const KeyBinding* KeyTable::Find(KeyChord chord) const {
  for (const KeyBinding& b : bindings_)
    if (b.chord == chord) return &b;
  return nullptr;
}

void KeyTable::Bind(KeyChord chord, const QString& command) {
  for (KeyBinding& b : bindings_)
    if (b.chord == chord) {
      b = KeyBinding{chord, KeyAction::Command, command, 0};
      return;
    }
  Add(chord, KeyAction::Command, command);
}

QString KeyTable::KeyText(const QString& name) const {
  for (const KeyBinding& b : bindings_)
    if (b.name == name) return Text(b.chord);
  return {};
}

QString KeyTable::Text(KeyChord chord) {
  QString s;
  if (chord.modifiers & Qt::ControlModifier) s += "Ctrl+";
  if (chord.modifiers & Qt::AltModifier) s += "Alt+";
  if (chord.modifiers & Qt::ShiftModifier) s += "Shift+";
  return s + KeyName(chord.key);
}

}  // namespace quillary
