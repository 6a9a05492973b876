#include "shell/progress.h"

#include <cmath>

#include <vector>

#include "shell/event_pump.h"

namespace quillary {
namespace {

class SilentView final : public ProgressView {
 public:
  void ShowWindow(const QString&, bool) override {}
  void SetCaption(const QString&) override {}
  void PaintPercent(int) override {}
  void PaintCounter(const QString&) override {}
  void HideWindow() override {}
};

ProgressView*& ViewPtr() {
  static ProgressView* view = nullptr;
  return view;
}

std::vector<ProgressWindow*>& Showing() {
  static std::vector<ProgressWindow*> list;
  return list;
}

std::function<void(bool)>& CursorHook() {
  static std::function<void(bool)> hook;
  return hook;
}
int& CursorDepth() {
  static int depth = 0;
  return depth;
}

}  // namespace

void SetProgressView(ProgressView* view) { ViewPtr() = view; }

ProgressView& CurrentProgressView() {
  static SilentView silent;
  return ViewPtr() ? *ViewPtr() : silent;
}

ProgressWindow::ProgressWindow(QString caption) : caption_(std::move(caption)) {}

ProgressWindow::~ProgressWindow() { Hide(); }


void ProgressWindow::Show() {
  if (showing_) return;
  showing_ = true;
  Showing().push_back(this);
  CurrentProgressView().ShowWindow(caption_, barShown_);
  if (stopScope_) CurrentProgressView().ShowStopButton(true);
  Paint();
}

void ProgressWindow::Hide() {
  if (!showing_) return;
  showing_ = false;
  auto& list = Showing();
  std::erase(list, this);
  CurrentProgressView().HideWindow();
}

void ProgressWindow::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (showing_) CurrentProgressView().SetCaption(caption_);
}

void ProgressWindow::SetBarShown(bool shown) {
  if (shown == barShown_) return;
  barShown_ = shown;
  if (showing_) {
    // The layout changes with the bar, so the window is shown anew.
    CurrentProgressView().HideWindow();
    CurrentProgressView().ShowWindow(caption_, barShown_);
    if (stopScope_) CurrentProgressView().ShowStopButton(true);
    Paint();
  }
}

void ProgressWindow::SetStoppable(bool stoppable) {
  if (stoppable == Stoppable()) return;
  if (stoppable) stopScope_ = std::make_unique<StopScope>();
  else stopScope_.reset();
  if (showing_) CurrentProgressView().ShowStopButton(stoppable);
}

bool ProgressWindow::Stopped() const { return stopScope_ && StopRequested(); }

void ProgressWindow::SetMaximum(int maximum) {
  if (maximum < 0) maximum = 0;
  if (maximum == maximum_) return;
  int before = Percent();
  maximum_ = maximum;
  if (showing_ && barShown_ && Percent() != before) Paint();
}

void ProgressWindow::SetPosition(int position) {
  if (position == position_) return;
  // A loop steps once per record; the bar is drawn only when its whole
  // percent changes, or painting would cost more than the records.
  const int before = Percent();
  position_ = position;
  if (showing_ && barShown_ && Percent() != before) Paint();
}

int ProgressWindow::Percent() const {
  if (maximum_ == 0) return 100;
  return int(std::lround(double(position_) * 100.0 / double(maximum_)));
}

void ProgressWindow::SetCounter(int count) {
  if (count == counter_) return;
  counter_ = count;
  if (showing_ && !barShown_) Paint();
}

void ProgressWindow::Paint() {
  if (barShown_) CurrentProgressView().PaintPercent(Percent());
  else CurrentProgressView().PaintCounter(CounterText(counter_));
}

ProgressWindow* ShowingProgress() { return Showing().empty() ? nullptr : Showing().back(); }

void SetWaitCursorHook(std::function<void(bool)> hook) { CursorHook() = std::move(hook); }

WaitCursor::WaitCursor() {
  if (CursorDepth()++ == 0 && CursorHook()) CursorHook()(true);
}

WaitCursor::~WaitCursor() {
  if (CursorDepth() > 0 && --CursorDepth() == 0 && CursorHook()) CursorHook()(false);
}

void RestoreNormalCursor() {
  if (CursorDepth() > 0 && CursorHook()) CursorHook()(false);
  // The guards still alive end without touching the cursor again.
  CursorDepth() = 0;
}

}  // namespace quillary
