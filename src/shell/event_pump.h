// Long loops over records call PumpEvents() after each record, so the window
// repaints and a Stop button can be pressed. The program installs the hook
// that does it (shell/ui/qt_event_pump.h); without one it does nothing. A loop
// that can be stopped opens a StopScope and asks StopRequested().
#pragma once

#include <functional>

namespace quillary {

void PumpEvents();
// Returns the pump it replaces, so a scope can put that back.
std::function<void()> SetEventPump(std::function<void()> pump);
// True while PumpEvents() is running the installed hook: what runs then is
// inside a loop over records and must not end the program under it.
bool Pumping();

// A stretch of work a Stop button may end. Scopes nest; the request lasts
// until the outermost one closes, so an inner loop cannot swallow a Stop
// meant for the whole operation.
class StopScope {
 public:
  StopScope();
  ~StopScope();
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;
};
// The Stop button's action; ignored when no StopScope is open.
void RequestStop();
bool StopRequested();

}  // namespace quillary
