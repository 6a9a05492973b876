// The number edit and its calculator.
#include "mainwin/ui/editors/currency_edit.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "mainwin/editor_rules.h"
#include "mainwin/ui/editors/editor_support.h"

namespace quillary {

namespace {
QString Dec() { return QLocale().decimalPoint(); }
QString Thousands() { return QLocale().groupSeparator(); }
}  // namespace

// ------------------------------------------------------------ number edit

TCurrencyEdit::TCurrencyEdit(QWidget* parent) : TMyBtnEdit(parent) {
  setAlignment(Qt::AlignRight);
  setToolTip("Numeric Field - Enter Number Here");
  SetButtonHint("Click here to display a Calculator");
  SetValue(0);
}

bool TCurrencyEdit::AcceptChar(QChar& c) { return NumberEditAccepts(c, Dec()); }

double TCurrencyEdit::Value() const {
  const std::optional<double> v = ReadNumberText(text(), Dec(), Thousands());
  return v ? *v : value_;
}

void TCurrencyEdit::SetValue(double value) {
  value_ = value;
  setText(FormatNumber(value, Dec(), Thousands()));
  Recolor();
}

void TCurrencyEdit::CommitText() {
  const std::optional<double> v = ReadNumberText(text(), Dec(), Thousands());
  if (v) value_ = *v;
  else EditorBeep();
  SetValue(value_);
}

void TCurrencyEdit::SetColors(const QColor& positive, const QColor& negative,
                              const QColor& background) {
  positive_ = positive;
  negative_ = negative;
  background_ = background;
  Recolor();
}

QColor TCurrencyEdit::ShownColor() const { return palette().color(QPalette::Text); }

void TCurrencyEdit::Recolor() {
  QPalette p = palette();
  p.setColor(QPalette::Text, value_ < 0 ? negative_ : positive_);
  p.setColor(QPalette::Base, background_);
  setPalette(p);
}

void TCurrencyEdit::focusOutEvent(QFocusEvent* e) {
  TMyBtnEdit::focusOutEvent(e);
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  CommitText();
}

void TCurrencyEdit::ButtonClick() {
  const QString before = text();
  TCalcDlg dlg(Value(), this);
  if (dlg.exec() == QDialog::Accepted && !dlg.Calc().IsError()) {
    const QString cleaned = CleanCalculatorText(dlg.DisplayText(), Dec());
    const std::optional<double> v = ReadNumberText(cleaned, Dec(), Thousands());
    if (v) {
      SetValue(*v);
      if (text() != before) emit Changed();
      return;
    }
  }
  setText(before);
  Recolor();
}

// ------------------------------------------------------------- calculator

TCalcDlg::TCalcDlg(double value, QWidget* parent) : QDialog(parent), calc_(value) {
  setWindowTitle("Calculator");
  display_ = new QLineEdit(this);
  display_->setReadOnly(true);
  display_->setAlignment(Qt::AlignRight);
  display_->setFocusPolicy(Qt::NoFocus);
  QFont big = display_->font();
  big.setPointSize(big.pointSize() + 3);
  big.setBold(true);
  display_->setFont(big);
  display_->setMinimumHeight(30);

  struct Key { const char* caption; char key; const char* hint; };
  const Key rows[5][4] = {
      {{"C", 'C', "Clear"}, {"<-", 'B', "Backspace"}, {"+/-", 'S', "Switch Sign"}, {"/", '/', "Divide"}},
      {{"7", '7', ""}, {"8", '8', ""}, {"9", '9', ""}, {"*", '*', "Multiply"}},
      {{"4", '4', ""}, {"5", '5', ""}, {"6", '6', ""}, {"-", '-', "Subtract"}},
      {{"1", '1', ""}, {"2", '2', ""}, {"3", '3', ""}, {"+", '+', "Add"}},
      {{"0", '0', ""}, {".", '.', "Decimal Point"}, {"%", '%', "Percent"}, {"=", '=', "Equals"}},
  };
  auto* grid = new QGridLayout;
  grid->setSpacing(4);
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 4; ++c) {
      const Key& k = rows[r][c];
      auto* b = new QPushButton(k.caption, this);
      b->setFocusPolicy(Qt::NoFocus);
      b->setAutoDefault(false);
      b->setMinimumSize(44, 30);
      if (*k.hint) b->setToolTip(k.hint);
      if (k.key == 'C') b->setStyleSheet("color: #b00000; font-weight: bold;");
      else if (QString("/*-+=%").contains(QChar(k.key))) b->setStyleSheet("font-weight: bold;");
      const QChar key = QChar(k.key);
      connect(b, &QPushButton::clicked, this, [this, key] { Press(key); });
      grid->addWidget(b, r, c);
      keys_ << b;
    }
  }
  updateBtn_ = new QPushButton("Close and Update the edit field", this);
  cancelBtn_ = new QPushButton("Close and don't Update the edit field", this);
  for (QPushButton* b : {updateBtn_, cancelBtn_}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(updateBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(display_);
  layout->addLayout(grid);
  layout->addWidget(updateBtn_);
  layout->addWidget(cancelBtn_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  display_->setText(calc_.Display());
  setFocusPolicy(Qt::StrongFocus);
}

QString TCalcDlg::DisplayText() const { return display_->text(); }

QPushButton* TCalcDlg::ButtonFor(const QString& caption) const {
  for (QPushButton* b : keys_)
    if (b->text() == caption) return b;
  return nullptr;
}

void TCalcDlg::Press(QChar key) {
  if (!calc_.Press(key)) EditorBeep();
  display_->setText(calc_.Display());
}

void TCalcDlg::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: Press('='); return;
    case Qt::Key_Backspace: Press('B'); return;
    case Qt::Key_Delete: Press('C'); return;
    case Qt::Key_F9: Press('S'); return;
    case Qt::Key_Escape: reject(); return;
    default: break;
  }
  const QString t = e->text();
  if (t.size() == 1) {
    QChar c = t[0];
    if (QString(c) == QLocale().decimalPoint() || c == ',') c = '.';
    if (c == 'c') c = 'C';
    if (QString("0123456789.+-*/%=C").contains(c)) {
      Press(c);
      return;
    }
  }
  QDialog::keyPressEvent(e);
}

}  // namespace quillary
