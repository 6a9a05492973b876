#include "mainwin/hub.h"

namespace quillary {

WorkScope::WorkScope(const QString& progressCaption, int maximum, std::function<void()> onEnd)
    : onEnd_(std::move(onEnd)) {
  if (progressCaption.isEmpty()) return;
  progress_.emplace(progressCaption);
  progress_->SetMaximum(maximum);
  progress_->Show();
}

WorkScope::~WorkScope() {
  progress_.reset();  // hidden before the cursor comes back
  if (onEnd_) onEnd_();
}

}  // namespace quillary
