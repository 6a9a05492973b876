// The number edit with its calculator: right-aligned entry of digits, sign
// and decimal separator, the value read loosely from the text, and the
// ",0.00" display in the positive or negative colour.
#pragma once

#include <QColor>
#include <QDialog>

#include "mainwin/calculator.h"
#include "mainwin/ui/editors/btn_edit.h"

class QLineEdit;
class QPushButton;

namespace quillary {

class TCurrencyEdit : public TMyBtnEdit {
  Q_OBJECT
 public:
  explicit TCurrencyEdit(QWidget* parent = nullptr);

  // The value of the text as it stands (the last good value when it does not
  // convert); SetValue shows it formatted and coloured by sign.
  double Value() const;
  void SetValue(double value);
  // Reads the text as leaving the edit does: a text that does not convert
  // beeps and keeps the old value; then the value is shown formatted.
  void CommitText();

  void SetColors(const QColor& positive, const QColor& negative, const QColor& background);
  QColor BackgroundColor() const { return background_; }
  // The colour the text is shown in now.
  QColor ShownColor() const;

 protected:
  bool AcceptChar(QChar& c) override;
  void ButtonClick() override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void Recolor();
  double value_ = 0;
  QColor positive_ = Qt::blue;
  QColor negative_ = Qt::red;
  QColor background_ = Qt::white;
};

// "Calculator": a four-function calculator started on a value.
class TCalcDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCalcDlg(double value, QWidget* parent = nullptr);

  const Calculator& Calc() const { return calc_; }
  QString DisplayText() const;
  // One calculator key as the buttons and the keyboard send them.
  void Press(QChar key);
  QPushButton* ButtonFor(const QString& caption) const;
  QPushButton* UpdateBtn() const { return updateBtn_; }
  QPushButton* CancelBtn() const { return cancelBtn_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  Calculator calc_;
  QLineEdit* display_;
  QPushButton* updateBtn_;
  QPushButton* cancelBtn_;
  QList<QPushButton*> keys_;
};

}  // namespace quillary
