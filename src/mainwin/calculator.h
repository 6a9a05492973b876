// The four-function calculator behind the number editor's calculator dialog:
// the display, the pending operation, percent, and the error state after which
// only Clear is accepted.
#pragma once

#include <QString>

namespace quillary {

class Calculator {
 public:
  explicit Calculator(double initial = 0);

  // One button or key: '0'..'9', '.', '+', '-', '*', '/', '%', '=',
  // 'C' (Clear), 'B' (Backspace "<-"), 'S' (Switch Sign "+/-").
  // Returns false when the input is refused (any but 'C' in the error state).
  bool Press(QChar key);

  const QString& Display() const { return display_; }
  bool IsError() const { return error_; }
  double Value() const;

  // Results show at most 10 decimals with trailing zeros removed; a result
  // longer than this many characters is an error.
  static constexpr int kMaxDisplay = 20;
  static QString Format(double value);

 private:
  void Clear();
  void Operator(QChar op);
  bool SetResult(double value);

  QString display_ = "0";
  double operand_ = 0;
  QChar pending_ = '=';
  bool startNew_ = true;  // the next digit replaces the display
  bool error_ = false;
};

}  // namespace quillary
