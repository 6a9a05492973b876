#include "shell/clock.h"

namespace quillary {
namespace {
std::function<QDateTime()>& ClockFn() {
  static std::function<QDateTime()> fn;
  return fn;
}
}  // namespace

QDateTime Now() { return ClockFn() ? ClockFn()() : QDateTime::currentDateTime(); }
void SetClock(std::function<QDateTime()> clock) { ClockFn() = std::move(clock); }

}  // namespace quillary
