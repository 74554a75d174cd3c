#include "ParentProcess.h"

#include <QByteArray>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace orvan {

bool EndWithParent() {
  bool ok = false;
  const qint64 parent = qgetenv(kParentPidVariable).toLongLong(&ok);
  if (!ok || parent <= 1) return true;
  // Not passed on: a program this one starts has a parent of its own.
  qunsetenv(kParentPidVariable);
  if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) return true;
  // A parent that died before the request left this process to a reaper: nobody will signal.
  return ::getppid() == static_cast<pid_t>(parent);
}

}  // namespace orvan
