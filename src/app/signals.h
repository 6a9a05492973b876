// Turns SIGTERM, SIGHUP and SIGINT into a call made from inside the event
// loop, so the program ends as "Exit" does and writes its settings files.
#pragma once

#include <functional>

namespace quillary {

// First thing in main: from here on a termination signal is caught and kept,
// however early in the start it arrives.
void CatchTerminationSignals();
// Calls `onTerminate` from the event loop for a caught signal, one caught
// before this call included. Catches the signals too if that was not done.
void InstallTerminationHandler(std::function<void()> onTerminate);

}  // namespace quillary
