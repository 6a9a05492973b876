// The masked date entry with its calendar button and its own popup: typing
// rules, completion and the validity check on leaving, the date value, and the
// date format the owner stores per date field.
#pragma once

#include <QAction>
#include <QDate>
#include <QMenu>

#include "mainwin/date_mask.h"
#include "mainwin/ui/editors/btn_edit.h"

namespace quillary {

class TDateEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TDateEdit(QWidget* parent = nullptr);

  // 0 mm/dd/yyyy, 1 dd/mm/yyyy, 2 yyyy/mm/dd, 3 yyyy; -1 the process-wide
  // short date format. The shown date is converted when valid, else emptied.
  void SetDateFormatIndex(int index);
  const DateMask& Mask() const { return mask_; }

  // An invalid date for an empty edit; a text that does not convert reads as today.
  QDate Date() const;
  // An invalid date empties the edit.
  void SetDate(const QDate& date);
  bool IsEmptyDate() const { return mask_.IsEmpty(text()); }

  // Completes the text; when it is no date, shows "Invalid Date!", takes the
  // focus and returns false. The form calls it for every date editor before
  // saving; leaving the edit does the same.
  bool CheckDate();
  void CompleteText();

  QMenu* Popup() const { return popup_; }
  QAction* Undo1 = nullptr;
  QAction* Today1 = nullptr;
  QAction* Clear1 = nullptr;
  QAction* Font1 = nullptr;
  QAction* Color1 = nullptr;
  QAction* Help1 = nullptr;
  QAction* FormatItem[4] = {};
  // Sets the popup items' states as opening the popup does.
  void PreparePopup();

 signals:
  // The user chose another format from the popup (0..3).
  void DateFormatChanged(int index);

 protected:
  void ButtonClick() override;
  bool ShowOwnPopup(const QPoint& globalPos) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void Apply(const DateMask::Edit& edit);
  void SetMaskedText(const QString& text);

  DateMask mask_;
  int formatIndex_ = -1;
  QString entryText_;
  QMenu* popup_;
  bool checking_ = false;
};

}  // namespace quillary
