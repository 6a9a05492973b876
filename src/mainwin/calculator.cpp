// The four-function calculator of the number editor.
#include "mainwin/calculator.h"

#include <QLocale>
#include <cmath>

namespace quillary {

Calculator::Calculator(double initial) {
  if (!SetResult(initial)) Clear();
  startNew_ = true;
}

QString Calculator::Format(double value) {
  if (!std::isfinite(value)) return {};
  QString s = QString::number(value, 'f', 10);
  if (s.contains('.')) {
    while (s.endsWith('0')) s.chop(1);
    if (s.endsWith('.')) s.chop(1);
  }
  if (s == "-0") s = "0";
  return s;
}

double Calculator::Value() const {
  if (error_) return 0;
  bool ok = false;
  const double v = QLocale::c().toDouble(display_, &ok);
  return ok ? v : 0;
}

bool Calculator::SetResult(double value) {
  const QString s = Format(value);
  if (s.isEmpty() || s.size() > kMaxDisplay) {
    error_ = true;
    display_ = "Error";
    return false;
  }
  display_ = s;
  return true;
}

void Calculator::Clear() {
  display_ = "0";
  operand_ = 0;
  pending_ = '=';
  startNew_ = true;
  error_ = false;
}

void Calculator::Operator(QChar op) {
  if (!startNew_ || pending_ == '=') {
    const double entry = Value();
    double result = entry;
    switch (pending_.unicode()) {
      case '+': result = operand_ + entry; break;
      case '-': result = operand_ - entry; break;
      case '*': result = operand_ * entry; break;
      case '/':
        if (entry == 0) {
          SetResult(std::nan(""));
          return;
        }
        result = operand_ / entry;
        break;
      default: break;
    }
    if (!SetResult(result)) return;
    operand_ = Value();
  }
  pending_ = op;
  startNew_ = true;
}

bool Calculator::Press(QChar key) {
  if (key == 'C' || key == 'c') {
    Clear();
    return true;
  }
  if (error_) return false;
  if (key >= '0' && key <= '9') {
    if (startNew_ || display_ == "0") display_.clear();
    if (display_.size() >= kMaxDisplay) return false;
    display_ += key;
    startNew_ = false;
    return true;
  }
  switch (key.unicode()) {
    case '.':
      if (startNew_) display_ = "0";
      if (!display_.contains('.')) display_ += '.';
      startNew_ = false;
      return true;
    case 'B':
      if (startNew_) return true;
      display_.chop(1);
      if (display_.isEmpty() || display_ == "-") display_ = "0";
      return true;
    case 'S':
      if (display_ == "0") return true;
      display_ = display_.startsWith('-') ? display_.mid(1) : "-" + display_;
      return true;
    case '%': {
      double entry = Value();
      if (pending_ == '+' || pending_ == '-') entry = operand_ * entry * 0.01;
      else if (pending_ == '*' || pending_ == '/') entry = entry * 0.01;
      else return true;
      SetResult(entry);
      startNew_ = false;  // the percentage is the entry the operation uses
      return true;
    }
    case '+': case '-': case '*': case '/': case '=':
      Operator(key);
      return true;
    default:
      return false;
  }
}

}  // namespace quillary
