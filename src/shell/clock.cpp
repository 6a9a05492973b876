#include "shell/clock.h"

namespace quillary {
namespace {
std::function<QDateTime()>& ClockFn() {
  static std::function<QDateTime()> fn;
  return fn;
}
}  // namespace

QDateTime Now() { return ClockFn() ? ClockFn()() : QDateTime::currentDateTime(); }

ScopedClock::ScopedClock(const QDateTime& fixed) : previous_(ClockFn()) { Set(fixed); }

ScopedClock::ScopedClock(std::function<QDateTime()> clock) : previous_(ClockFn()) {
  ClockFn() = std::move(clock);
}

ScopedClock::~ScopedClock() { ClockFn() = std::move(previous_); }

void ScopedClock::Set(const QDateTime& fixed) {
  ClockFn() = [fixed] { return fixed; };
}

}  // namespace quillary
