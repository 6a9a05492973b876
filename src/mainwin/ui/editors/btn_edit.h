// The one-line edit with a small button at its right end that the date,
// phone, e-mail, number, directory and click edits build on, and the click
// edit whose button only tells the owner.
#pragma once

#include <QLineEdit>
#include <QToolButton>

namespace quillary {

class TEditMenu;

// The button of a button edit: 20 pixels wide, three dots, never takes the focus.
class TEditButton : public QToolButton {
  Q_OBJECT
 public:
  explicit TEditButton(QWidget* parent = nullptr);
};

class TMyBtnEdit : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kButtonWidth = 20;
  explicit TMyBtnEdit(QWidget* parent = nullptr);

  TEditButton* Button() const { return button_; }
  void SetButtonHint(const QString& hint) { button_->setToolTip(hint); }

  // On entry select the whole text (true) or put the caret at the start.
  bool AutoSelect = true;
  // Disabling keeps the control enabled but read-only, without its popup,
  // so its button still works (date, phone and e-mail edits).
  bool KeepEnabled = false;
  void SetEditorEnabled(bool enabled);

  // The record form's field number (the control's tag) and help topic.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  int HelpTopic() const { return helpTopic_; }
  void SetHelpTopic(int topic);

  // The shared edit menu; when none is set, the kind's own popup (or Qt's).
  void SetPopupMenu(TEditMenu* menu) { menu_ = menu; }
  TEditMenu* PopupMenu() const { return menu_; }

  // Runs the button's action, as a click on it does.
  void ClickButton();

 signals:
  void FontRequested(QWidget* editor);
  void ColorRequested(QWidget* editor);
  void ButtonClicked();
  // The user changed the text (typing, the popup or the button).
  void Changed();

 protected:
  // The kind's button action; the base tells the owner.
  virtual void ButtonClick() { emit ButtonClicked(); }
  // Whether a typed character is taken; it may be changed (upper-cased).
  virtual bool AcceptChar(QChar& c) { (void)c; return true; }
  // The kind's own popup; false lets Qt's standard menu show.
  virtual bool ShowOwnPopup(const QPoint& globalPos) { (void)globalPos; return false; }
  bool PopupOff() const { return KeepEnabled && !editorEnabled_; }

  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  void PlaceButton();

  TEditButton* button_;
  TEditMenu* menu_ = nullptr;
  bool editorEnabled_ = true;
  int tag_ = 0;
  int helpTopic_ = 36;
};

// A button edit whose button notifies the owner ("Title:" and "Address:").
class TClickEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TClickEdit(QWidget* parent = nullptr);
};

}  // namespace quillary
