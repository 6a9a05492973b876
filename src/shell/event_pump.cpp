#include "shell/event_pump.h"

namespace quillary {
namespace {
std::function<void()>& PumpFn() {
  static std::function<void()> fn;
  return fn;
}
}  // namespace

void PumpEvents() {
  if (PumpFn()) PumpFn()();
}
void SetEventPump(std::function<void()> pump) { PumpFn() = std::move(pump); }

}  // namespace quillary
