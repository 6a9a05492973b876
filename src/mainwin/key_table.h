// The main window's keys as one table: which key runs which command, shows
// which form page, selects which letter or opens which popup, and each key's
// text as the program's tips and menus name it ("Ctrl+PgDn").
#pragma once

#include <QString>
#include <QtCore/qnamespace.h>
#include <vector>

namespace quillary {

// A key with its modifiers, as the window's key filter sees it (Ctrl, Alt
// and Shift only; the keypad mark does not count).
struct KeyChord {
  Qt::KeyboardModifiers modifiers;
  int key = 0;  // Qt::Key
  bool operator==(const KeyChord& o) const { return modifiers == o.modifiers && key == o.key; }
};

enum class KeyAction {
  Command,   // runs the command of control `name` when it is enabled
  FormPage,  // shows record form page `index` (0-based) when it exists
  Letter,    // selects letter `index` ('A'..'Z') when letter tabs are active
  Popup,     // opens the popup `name` (a control name: "PopupMenu2", ...)
};

struct KeyBinding {
  KeyChord chord;
  KeyAction action = KeyAction::Command;
  // The command's or popup's control name; "Page1".."Page9" for the form
  // pages and "LetterA".."LetterZ" for the letters, so that every binding
  // can be looked up by name.
  QString name;
  int index = 0;
};

class KeyTable {
 public:
  // The main window's own keys.
  static KeyTable Window();

  // The binding of a key; null when the window does not take it.
  const KeyBinding* Find(KeyChord chord) const;
  // Binds a command to a key; a key bound before does only this from now on.
  void Bind(KeyChord chord, const QString& command);
  // The text of the key bound to `name` ("Ctrl+PgDn", "Alt+Delete", "F2");
  // empty when nothing is bound to it.
  QString KeyText(const QString& name) const;
  const std::vector<KeyBinding>& Bindings() const { return bindings_; }

  // A key's text: modifiers in the order Ctrl, Alt, Shift, then the key.
  static QString Text(KeyChord chord);

 private:
  void Add(KeyChord chord, KeyAction action, const QString& name, int index = 0);

  std::vector<KeyBinding> bindings_;
};

}  // namespace quillary
