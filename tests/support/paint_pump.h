// The event pump widget tests run with, standing in for the application's:
// paint events and timers pass during long loops, user input does not.
#pragma once

#include <QCoreApplication>

#include "shell/event_pump.h"

namespace quillary::test {

inline void InstallPaintPump() {
  SetEventPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

}  // namespace quillary::test
