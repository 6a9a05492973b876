#include "shell/event_pump.h"

namespace quillary {
namespace {
std::function<void()>& PumpFn() {
  static std::function<void()> fn;
  return fn;
}
int g_pumping = 0;
int g_stopScopes = 0;
bool g_stopRequested = false;
}  // namespace

void PumpEvents() {
  if (!PumpFn()) return;
  ++g_pumping;
  struct Leave {
    ~Leave() { --g_pumping; }
  } leave;
  PumpFn()();
}
std::function<void()> SetEventPump(std::function<void()> pump) {
  std::function<void()> previous = std::move(PumpFn());
  PumpFn() = std::move(pump);
  return previous;
}
bool Pumping() { return g_pumping > 0; }

StopScope::StopScope() {
  if (g_stopScopes++ == 0) g_stopRequested = false;
}
StopScope::~StopScope() {
  if (--g_stopScopes == 0) g_stopRequested = false;
}
void RequestStop() {
  if (g_stopScopes > 0) g_stopRequested = true;
}
bool StopRequested() { return g_stopRequested; }

}  // namespace quillary
