// The progress window on screen: a small tool window with a percentage bar,
// or a "Record #: " label when its caller hides the bar, and a Stop button
// while a stoppable loop runs. Installed as the process-wide progress view;
// it also owns the wait cursor hook.
#pragma once

#include <QDialog>

#include "shell/progress.h"

class QLabel;
class QPushButton;
class QProgressBar;

namespace quillary {

class TProgressForm : public QDialog, public ProgressView {
  Q_OBJECT
 public:
  explicit TProgressForm(QWidget* parent = nullptr);

  void ShowWindow(const QString& caption, bool barShown) override;
  void SetCaption(const QString& caption) override;
  void PaintPercent(int percent) override;
  void PaintCounter(const QString& text) override;
  void HideWindow() override;
  void ShowStopButton(bool shown) override;

  QProgressBar* Bar() const { return Bar_; }
  QLabel* Counter_Lbl() const { return Counter_Lbl_; }
  QPushButton* StopBtn() const { return StopBtn_; }

  // Makes this form the progress view and the wait cursor a real cursor.
  static void Install(TProgressForm* form);

 private:
  QProgressBar* Bar_;
  QLabel* Counter_Lbl_;
  QPushButton* StopBtn_;
};

}  // namespace quillary
