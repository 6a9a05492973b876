// The one-line edit with a button.
#include "mainwin/ui/editors/btn_edit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTimer>

#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/editor_support.h"

namespace quillary {

TEditButton::TEditButton(QWidget* parent) : QToolButton(parent) {
  setText("...");
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  setAutoRaise(false);
}

TMyBtnEdit::TMyBtnEdit(QWidget* parent) : QLineEdit(parent), button_(new TEditButton(this)) {
  setProperty("helpTopic", helpTopic_);
  setTextMargins(0, 0, kButtonWidth, 0);
  connect(button_, &QToolButton::clicked, this, [this] { ClickButton(); });
  connect(this, &QLineEdit::textEdited, this, [this] { emit Changed(); });
  PlaceButton();
}

void TMyBtnEdit::SetHelpTopic(int topic) {
  helpTopic_ = topic;
  setProperty("helpTopic", topic);
}

void TMyBtnEdit::SetEditorEnabled(bool enabled) {
  editorEnabled_ = enabled;
  if (KeepEnabled) {
    setEnabled(true);
    setReadOnly(!enabled);
  } else {
    setEnabled(enabled);
  }
}

void TMyBtnEdit::ClickButton() {
  if (button_->isEnabled() && isEnabled()) ButtonClick();
}

void TMyBtnEdit::keyPressEvent(QKeyEvent* e) {
  const QString t = e->text();
  const bool command = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!command && t.size() == 1 && t[0].unicode() >= 32 && t[0].unicode() != 127) {
    QChar c = t[0];
    if (isReadOnly() || !AcceptChar(c)) {
      EditorBeep();
      e->accept();
      return;
    }
    if (c != t[0]) {
      insert(QString(c));
      emit textEdited(text());
      e->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TMyBtnEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  if (e->reason() == Qt::MouseFocusReason) return;  // the click places the caret
  if (AutoSelect) {
    selectAll();
  } else {
    deselect();
    setCursorPosition(0);
  }
}

void TMyBtnEdit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  PlaceButton();
}

void TMyBtnEdit::PlaceButton() {
  const int frame = 1;
  button_->setGeometry(width() - kButtonWidth - frame, frame, kButtonWidth, height() - 2 * frame);
}

void TMyBtnEdit::contextMenuEvent(QContextMenuEvent* e) {
  if (PopupOff()) {
    e->accept();
    return;
  }
  if (menu_) {
    menu_->PopupFor(this, e->globalPos());
    e->accept();
    return;
  }
  if (ShowOwnPopup(e->globalPos())) {
    e->accept();
    return;
  }
  QLineEdit::contextMenuEvent(e);
}

TClickEdit::TClickEdit(QWidget* parent) : TMyBtnEdit(parent) { AutoSelect = false; }

}  // namespace quillary
