// Turns SIGTERM, SIGHUP and SIGINT into a call made from inside the event
// loop, so the program ends as "Exit" does and writes its settings files.
#pragma once

#include <functional>

namespace quillary {

void InstallTerminationHandler(std::function<void()> onTerminate);

}  // namespace quillary
