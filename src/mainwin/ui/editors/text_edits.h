// The phone, e-mail and directory edits: button edits with a character rule,
// a desktop action or a check on leaving.
#pragma once

#include <QAction>
#include <QMenu>

#include "mainwin/ui/editors/btn_edit.h"

namespace quillary {

// Phone numbers, typed in upper case. The dial button stays disabled until a
// dialer is connected (SetDialer).
class TPhoneEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TPhoneEdit(QWidget* parent = nullptr);
  bool LettersAllowed = true;
  // Connects the dial dialog: it gets the edit's text as the number.
  void SetDialer(std::function<void(const QString&)> dial);

 protected:
  bool AcceptChar(QChar& c) override;
  void ButtonClick() override;

 private:
  std::function<void(const QString&)> dial_;
};

// E-mail addresses; the button and "Send E-mail" hand a mailto: address to the
// desktop's mail program.
class TEMailEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TEMailEdit(QWidget* parent = nullptr);
  // False when the text is empty or names no mail address, or when no mail
  // program took it (the message is shown then).
  bool SendMail();

  QMenu* Popup() const { return popup_; }
  QAction* Send1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* Delete1 = nullptr;
  QAction* Font1 = nullptr;
  QAction* Color1 = nullptr;
  QAction* Help1 = nullptr;
  void PreparePopup();

 protected:
  void ButtonClick() override { SendMail(); }
  bool ShowOwnPopup(const QPoint& globalPos) override;

 private:
  QMenu* popup_;
};

// A directory, kept in the letter case typed or chosen; on leaving it must
// name a directory that can be entered.
class TDirEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TDirEdit(QWidget* parent = nullptr);
  bool Checking = true;
  // Shows "Invalid directory!" and takes the focus when the text names no
  // directory that can be entered.
  bool CheckDirectory();

 protected:
  void ButtonClick() override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  bool checking_ = false;
};

}  // namespace quillary
