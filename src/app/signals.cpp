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
  // Only async-signal-safe work here: the byte waits in the socket until the
  // event loop reads it, so a signal before the loop exists is not lost.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &c, 1);
}
}  // namespace

void CatchTerminationSignals() {
  if (g_pipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

void InstallTerminationHandler(std::function<void()> onTerminate) {
  CatchTerminationSignals();
  if (g_pipe[1] < 0) return;
  auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, onTerminate = std::move(onTerminate)] {
                     char buf[16];
                     [[maybe_unused]] ssize_t n = ::read(g_pipe[1], buf, sizeof buf);
                     notifier->setEnabled(false);  // end once
                     onTerminate();
                   });
}

}  // namespace quillary
