#include "app/signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quillary {

namespace {
int g_pipe[2] = {-1, -1};

void OnSignal(int) {
  char c = 1;
  // Only async-signal-safe work here: wake the event loop.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &c, 1);
}
}  // namespace

void InstallTerminationHandler(std::function<void()> onTerminate) {
  if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
    return;
  auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, onTerminate = std::move(onTerminate)] {
                     char buf[16];
                     [[maybe_unused]] ssize_t n = ::read(g_pipe[1], buf, sizeof buf);
                     notifier->setEnabled(false);  // end once
                     onTerminate();
                   });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

}  // namespace quillary
