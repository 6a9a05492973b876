// What "today" and "now" are. Date rules (reminders, template dates, log
// entries) ask here, so tests can fix the time.
#pragma once

#include <QDateTime>
#include <functional>

namespace quillary {

QDateTime Now();
inline QDate Today() { return Now().date(); }

// Tests replace the clock; an empty function restores the system clock.
void SetClock(std::function<QDateTime()> clock);

}  // namespace quillary
