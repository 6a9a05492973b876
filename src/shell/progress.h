// The progress window every long operation over records shares: a caption, a
// percentage bar over a maximum (or a "Record #: " counter instead of the bar).
// Logic drives ProgressWindow; what it looks like is a ProgressView the program
// installs (shell/ui/progress_form.h) and tests replace with a recorder.
#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace quillary {

// The drawing side. Paint calls come only when what is shown changes.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void ShowWindow(const QString& caption, bool barShown) = 0;
  virtual void SetCaption(const QString& caption) = 0;
  virtual void PaintPercent(int percent) = 0;
  virtual void PaintCounter(const QString& text) = 0;
  virtual void HideWindow() = 0;
  // Views without a Stop button ignore it.
  virtual void ShowStopButton(bool) {}
};

class StopScope;

// Until one is set a silent view is used.
void SetProgressView(ProgressView* view);
ProgressView& CurrentProgressView();

class ProgressWindow {
 public:
  explicit ProgressWindow(QString caption = "Progress");
  ~ProgressWindow();  // hides it
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Show();
  void Hide();
  bool IsShowing() const { return showing_; }

  void SetCaption(const QString& caption);
  const QString& Caption() const { return caption_; }
  // Without the bar the window shows "Record #: " and a count instead.
  void SetBarShown(bool shown);

  void SetMaximum(int maximum);
  int Maximum() const { return maximum_; }
  void SetPosition(int position);
  int Position() const { return position_; }
  void Step() { SetPosition(position_ + 1); }
  void Reset() { SetPosition(0); }
  // position * 100 / maximum to the nearest whole number; 100 for maximum 0.
  int Percent() const;

  // A stoppable window shows a Stop button; the loop it watches asks
  // Stopped() after each PumpEvents() (shell/event_pump.h).
  void SetStoppable(bool stoppable);
  bool Stoppable() const { return stopScope_ != nullptr; }
  bool Stopped() const;

  void SetCounter(int count);
  static QString CounterText(int count) { return "Record #: " + QString::number(count); }

 private:
  void Paint();

  QString caption_;
  bool showing_ = false;
  bool barShown_ = true;
  int maximum_ = 100;
  int position_ = 0;
  int counter_ = 0;
  std::unique_ptr<StopScope> stopScope_;
};

// The progress window shown now (the innermost, when windows nest), or null.
// Loops that only advance a window their caller opened ask for it here.
ProgressWindow* ShowingProgress();

// The wait (hourglass) cursor over a stretch of work; the program installs
// the hook that changes the cursor, tests leave it empty.
void SetWaitCursorHook(std::function<void(bool busy)> hook);
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
// Puts the normal cursor back at once (failure paths do before a message).
void RestoreNormalCursor();

}  // namespace quillary
