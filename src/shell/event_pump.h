// Long loops over records call PumpEvents() after each record, so the window
// repaints and a Stop button can be pressed. The program installs a hook that
// processes pending events (excluding user input other than the stop button);
// without one it does nothing.
#pragma once

#include <functional>

namespace quillary {

void PumpEvents();
void SetEventPump(std::function<void()> pump);

}  // namespace quillary
