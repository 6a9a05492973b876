// The "Tips" dialog shown at start and by the main window's "&Tips" command.
#pragma once

#include <QDialog>
#include <functional>

#include "shell/hints.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace quillary {

class THintsDlg : public QDialog {
  Q_OBJECT
 public:
  // Reads the tips file (an error is shown when it is missing) and shows
  // the first tip. `random(n)` returns 0..n-1; tests pass their own.
  explicit THintsDlg(const QString& hintsPath, QWidget* parent = nullptr,
                     std::function<int(int)> random = {});

  int CurrentTip() const { return current_; }
  QString TipText() const;
  QPushButton* PreviousBtn() const { return PreviousBtn_; }
  QPushButton* NextBtn() const { return NextBtn_; }
  QPushButton* CloseBtn() const { return CloseBtn_; }
  QCheckBox* DontShowChk() const { return DontShowChk_; }

  void ShowTip(int k);

 protected:
  void done(int r) override;

 private:
  HintsFile hints_;
  int current_ = 0;
  QPlainTextEdit* Text_;
  QPushButton* PreviousBtn_;
  QPushButton* NextBtn_;
  QPushButton* CloseBtn_;
  QCheckBox* DontShowChk_;
};

}  // namespace quillary
