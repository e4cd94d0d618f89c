#include <signal.h>
#include <unistd.h>

#include "doctor_platform/watchdog.h"

namespace {

HangObserver hang_observer;
unsigned limit_seconds;

// The kernel's alarm runs whatever the library holds; its handler interrupts the
// hung call on the thread that made it.
void OnAlarm(int) {
  hang_observer();
  _exit(1);
}

}  // namespace

bool StartWatchdog(unsigned seconds, HangObserver observer) {
  hang_observer = observer;
  limit_seconds = seconds;
  struct sigaction action = {};
  action.sa_handler = OnAlarm;
  sigfillset(&action.sa_mask);
  return sigaction(SIGALRM, &action, nullptr) == 0;
}

void ArmWatchdog() {
  if (limit_seconds != 0) alarm(limit_seconds);
}

void DisarmWatchdog() {
  if (limit_seconds != 0) alarm(0);
}
