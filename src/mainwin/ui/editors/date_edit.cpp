// The masked date entry.
#include "mainwin/ui/editors/date_edit.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QTimer>

#include "mainwin/ui/editors/cal_pop.h"
#include "mainwin/ui/editors/editor_support.h"
#include "shell/clock.h"
#include "shell/date_formats.h"
#include "shell/messages.h"
#include "shell/options.h"

namespace quillary {

TDateEdit::TDateEdit(QWidget* parent) : TMyBtnEdit(parent), popup_(new QMenu(this)) {
  AutoSelect = false;
  KeepEnabled = true;
  setMaxLength(10);
  setToolTip("Date Field - Enter Date Here");
  SetButtonHint("Click here to display a Calendar");
  setAcceptDrops(false);
  mask_ = DateMask(ShortDateFormat());
  QLineEdit::setText(mask_.EmptyText());

  Undo1 = popup_->addAction("&Undo");
  Today1 = popup_->addAction("&Today");
  Clear1 = popup_->addAction("&Clear");
  popup_->addSeparator();
  Font1 = popup_->addAction("&Font...");
  Color1 = popup_->addAction("C&olor...");
  QMenu* formats = popup_->addMenu("&Date Format");
  auto* group = new QActionGroup(this);
  const char* names[4] = {"MMDDYYYY", "DDMMYYYY", "YYYYMMDD", "YYYY"};
  for (int i = 0; i < 4; ++i) {
    FormatItem[i] = formats->addAction(names[i]);
    FormatItem[i]->setCheckable(true);
    group->addAction(FormatItem[i]);
    connect(FormatItem[i], &QAction::triggered, this, [this, i] {
      SetDateFormatIndex(i);
      emit DateFormatChanged(i);
    });
  }
  popup_->addSeparator();
  Help1 = popup_->addAction("&Help");

  connect(Undo1, &QAction::triggered, this, [this] {
    SetMaskedText(entryText_);
    emit Changed();
  });
  connect(Today1, &QAction::triggered, this, [this] {
    SetDate(Today());
    emit Changed();
  });
  connect(Clear1, &QAction::triggered, this, [this] {
    SetDate(QDate());
    emit Changed();
  });
  connect(Font1, &QAction::triggered, this, [this] { emit FontRequested(this); });
  connect(Color1, &QAction::triggered, this, [this] { emit ColorRequested(this); });
  connect(Help1, &QAction::triggered, this, [this] { ShowEditorHelp(HelpTopic()); });
}

void TDateEdit::SetDateFormatIndex(int index) {
  const QDate current = !IsEmptyDate() && mask_.IsValid(text()) ? mask_.ToDate(text()) : QDate();
  formatIndex_ = index >= 0 && index <= 3 ? index : -1;
  mask_ = formatIndex_ < 0 ? DateMask(ShortDateFormat())
                           : DateMask::FromIndex(formatIndex_, DateSeparator());
  SetDate(current);
}

QDate TDateEdit::Date() const {
  if (IsEmptyDate()) return {};
  const QDate d = mask_.ToDate(text());
  return d.isValid() ? d : Today();
}

void TDateEdit::SetDate(const QDate& date) { QLineEdit::setText(mask_.FromDate(date)); }

void TDateEdit::SetMaskedText(const QString& text) { QLineEdit::setText(mask_.Normalize(text)); }

void TDateEdit::CompleteText() {
  const int caret = cursorPosition();
  const QString done = mask_.Complete(text());
  if (done != text()) {
    QLineEdit::setText(done);
    setCursorPosition(caret);
  }
}

bool TDateEdit::CheckDate() {
  CompleteText();
  if (mask_.IsValid(text())) return true;
  checking_ = true;
  Msg().Error("Invalid Date!");
  checking_ = false;
  setFocus(Qt::OtherFocusReason);
  return false;
}

void TDateEdit::Apply(const DateMask::Edit& edit) {
  const bool changed = edit.text != text();
  QLineEdit::setText(edit.text);
  setCursorPosition(edit.caret);
  if (changed) emit Changed();
}

void TDateEdit::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::SelectAll)) {
      QLineEdit::keyPressEvent(e);
      return;
    }
    e->ignore();  // the form's shortcuts (Alt+PgDn and the like)
    return;
  }
  const int caret = cursorPosition();
  switch (e->key()) {
    case Qt::Key_Left: setCursorPosition(mask_.Left(caret)); return;
    case Qt::Key_Right: setCursorPosition(mask_.Right(caret)); return;
    case Qt::Key_Home: setCursorPosition(mask_.Home()); return;
    case Qt::Key_End: setCursorPosition(mask_.End()); return;
    case Qt::Key_Backspace:
      if (isReadOnly()) EditorBeep();
      else Apply(mask_.Backspace(text(), hasSelectedText() ? selectionStart() + int(selectedText().size()) : caret));
      return;
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Return: case Qt::Key_Enter:
    case Qt::Key_Escape: case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      e->ignore();
      return;
    default: break;
  }
  const QString t = e->text();
  if (t.size() == 1 && t[0] >= '0' && t[0] <= '9' && !isReadOnly()) {
    Apply(mask_.TypeDigit(text(), hasSelectedText() ? selectionStart() : caret, t[0]));
    return;
  }
  if (!t.isEmpty() || e->key() == Qt::Key_Delete) EditorBeep();
}

void TDateEdit::focusInEvent(QFocusEvent* e) {
  TMyBtnEdit::focusInEvent(e);
  if (e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason && !checking_)
    entryText_ = text();
}

void TDateEdit::focusOutEvent(QFocusEvent* e) {
  TMyBtnEdit::focusOutEvent(e);
  switch (e->reason()) {
    case Qt::PopupFocusReason:
    case Qt::ActiveWindowFocusReason:
      return;  // a menu or another window, not leaving the field
    default: break;
  }
  if (checking_) return;
  CompleteText();
  if (!mask_.IsValid(text()))
    QTimer::singleShot(0, this, [this] {
      if (!mask_.IsValid(text())) CheckDate();
    });
}

void TDateEdit::mouseReleaseEvent(QMouseEvent* e) {
  TMyBtnEdit::mouseReleaseEvent(e);
  if (!hasSelectedText()) setCursorPosition(mask_.Click(cursorPosition()));
}

void TDateEdit::PreparePopup() {
  Undo1->setEnabled(!isReadOnly() && text() != entryText_ && !entryText_.isEmpty());
  Today1->setEnabled(!isReadOnly());
  Clear1->setEnabled(!isReadOnly());
  for (int i = 0; i < 4; ++i) FormatItem[i]->setChecked(i == formatIndex_);
}

bool TDateEdit::ShowOwnPopup(const QPoint& globalPos) {
  PreparePopup();
  popup_->popup(globalPos);
  return true;
}

void TDateEdit::ButtonClick() {
  CompleteText();
  const QDate shown = !IsEmptyDate() && mask_.IsValid(text()) ? mask_.ToDate(text()) : QDate();
  TfrmCalPop pop(shown, this);
  pop.PlaceBelow(this);
  const int result = pop.exec();
  const QString before = text();
  if (!isReadOnly()) {
    if (result == TfrmCalPop::TodayChosen) SetDate(Today());
    else if (result == TfrmCalPop::DateTaken) SetDate(pop.Selected());
  }
  setCursorPosition(0);
  if (text() != before) emit Changed();
}

}  // namespace quillary
