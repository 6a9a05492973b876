// What "today" and "now" are. Date rules (reminders, template dates, log
// entries) ask here; tests pin the time with a ScopedClock.
#pragma once

#include <QDateTime>
#include <functional>

namespace quillary {

QDateTime Now();
inline QDate Today() { return Now().date(); }

// Pins "now" for as long as it lives and puts back the clock it found, so a
// test that fails half-way leaves no pinned time to the tests after it.
class ScopedClock {
 public:
  explicit ScopedClock(const QDateTime& fixed);
  explicit ScopedClock(std::function<QDateTime()> clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

  // Moves the pinned time.
  void Set(const QDateTime& fixed);

 private:
  std::function<QDateTime()> previous_;
};

}  // namespace quillary
