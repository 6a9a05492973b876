#include "shell/startup.h"

#include <sys/resource.h>

#include "shell/options.h"

namespace quillary {

bool NeedsLogin(bool systemOptionsRead, const OptionStore& o) {
  if (!systemOptionsRead) return false;
  return (o.PasswordMode != 1 && !o.SupervisorPassword.isEmpty()) || o.UserCount != 0;
}

QString UncleanEndWarning() {
  return product::kTitle + " was not Closed normally!" + "\n" +
         "It is STRONGLY recommended that you Restore the last used database "
         "from your backup. For more information click on Help.";
}

QString ShuttingDownText() { return product::kAppTitle + " is shutting down."; }

QString CouldNotShutDownText() {
  return product::kAppTitle +
         " could not be shut down! Try to close it before shutting down Windows.";
}

void RaiseFileHandleLimit(int wanted) {
  rlimit lim{};
  if (getrlimit(RLIMIT_NOFILE, &lim) != 0) return;
  if (lim.rlim_cur >= rlim_t(wanted)) return;
  lim.rlim_cur = std::min<rlim_t>(rlim_t(wanted), lim.rlim_max);
  setrlimit(RLIMIT_NOFILE, &lim);
}

}  // namespace quillary
