// The phone, e-mail and directory edits.
#include "mainwin/ui/editors/text_edits.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QTimer>

#include "mainwin/editor_rules.h"
#include "mainwin/ui/editors/editor_support.h"
#include "shell/messages.h"

namespace quillary {

// ------------------------------------------------------------------ phone

TPhoneEdit::TPhoneEdit(QWidget* parent) : TMyBtnEdit(parent) {
  KeepEnabled = true;
  setToolTip("Phone Field - Enter Phone Number Here");
  SetButtonHint("Click here to Dial");
  Button()->setEnabled(false);
}

void TPhoneEdit::SetDialer(std::function<void(const QString&)> dial) {
  dial_ = std::move(dial);
  Button()->setEnabled(bool(dial_));
}

bool TPhoneEdit::AcceptChar(QChar& c) {
  const std::optional<QChar> taken = PhoneChar(c, LettersAllowed);
  if (!taken) return false;
  c = *taken;
  return true;
}

void TPhoneEdit::ButtonClick() {
  if (!dial_) return;
  dial_(text());
  setFocus(Qt::OtherFocusReason);
}

// ----------------------------------------------------------------- e-mail

TEMailEdit::TEMailEdit(QWidget* parent) : TMyBtnEdit(parent), popup_(new QMenu(this)) {
  AutoSelect = false;
  KeepEnabled = true;
  setToolTip("E-Mail Address Field");
  SetButtonHint("Click Here To Send E-mail");
  Send1 = popup_->addAction("Send E-mail");
  popup_->addSeparator();
  Undo1 = popup_->addAction("&Undo");
  Cut1 = popup_->addAction("Cu&t");
  Copy1 = popup_->addAction("&Copy");
  Paste1 = popup_->addAction("&Paste");
  Delete1 = popup_->addAction("Delete");
  popup_->addSeparator();
  Font1 = popup_->addAction("Set Font...");
  Color1 = popup_->addAction("Set Color...");
  popup_->addSeparator();
  Help1 = popup_->addAction("&Help");
  connect(Send1, &QAction::triggered, this, [this] { SendMail(); });
  connect(Undo1, &QAction::triggered, this, [this] { undo(); emit Changed(); });
  connect(Cut1, &QAction::triggered, this, [this] { cut(); emit Changed(); });
  connect(Copy1, &QAction::triggered, this, [this] { copy(); });
  connect(Paste1, &QAction::triggered, this, [this] { paste(); emit Changed(); });
  connect(Delete1, &QAction::triggered, this, [this] { del(); emit Changed(); });
  connect(Font1, &QAction::triggered, this, [this] { emit FontRequested(this); });
  connect(Color1, &QAction::triggered, this, [this] { emit ColorRequested(this); });
  connect(Help1, &QAction::triggered, this, [] { ShowEditorHelp(kEditorHelpTopic); });
}

bool TEMailEdit::SendMail() {
  if (text().isEmpty()) return false;
  const QUrl url = MailtoUrl(text());
  // Only a mailto: address ever reaches the desktop.
  if (url.isEmpty() || url.scheme().compare("mailto", Qt::CaseInsensitive) != 0 ||
      !OpenDesktopUrl(url)) {
    Msg().Error(
        "Could not locate your email client software!\nMake sure you have selected Email "
        "software in Internet Properties (Programs page).");
    return false;
  }
  return true;
}

void TEMailEdit::PreparePopup() {
  const bool sel = hasSelectedText();
  Send1->setEnabled(!text().isEmpty());
  Undo1->setEnabled(isUndoAvailable() && !isReadOnly());
  Cut1->setEnabled(sel && !isReadOnly());
  Copy1->setEnabled(sel);
  Paste1->setEnabled(!isReadOnly());
  Delete1->setEnabled(sel && !isReadOnly());
}

bool TEMailEdit::ShowOwnPopup(const QPoint& globalPos) {
  PreparePopup();
  popup_->popup(globalPos);
  return true;
}

// -------------------------------------------------------------- directory

TDirEdit::TDirEdit(QWidget* parent) : TMyBtnEdit(parent) {
  SetButtonHint("Click here to select a directory");
}

bool TDirEdit::CheckDirectory() {
  const QFileInfo info(text());
  if (!text().isEmpty() && info.isDir() && info.isExecutable()) return true;
  checking_ = true;
  Msg().Error("Invalid directory!");
  checking_ = false;
  setFocus(Qt::OtherFocusReason);
  return false;
}

void TDirEdit::focusOutEvent(QFocusEvent* e) {
  TMyBtnEdit::focusOutEvent(e);
  if (!Checking || checking_ || e->reason() == Qt::PopupFocusReason ||
      e->reason() == Qt::ActiveWindowFocusReason)
    return;
  QTimer::singleShot(0, this, [this] {
    if (!hasFocus()) CheckDirectory();
  });
}

void TDirEdit::ButtonClick() {
  const std::optional<QString> dir = Msg().ChooseDirectory("Select Directory", text());
  if (!dir || dir->isEmpty()) return;
  setText(*dir);
  emit Changed();
}

}  // namespace quillary
