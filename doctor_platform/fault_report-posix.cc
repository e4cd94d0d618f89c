#include <string.h>

#include "doctor_platform/fault_report.h"
#include "platform/fault_signals-posix.h"

namespace {

FaultObserver fault_observer;
volatile sig_atomic_t fault_reported;
// The fault exit's handlers, which end the process after the report.
struct sigaction fault_exit_actions[NSIG];

void ReportAndPassOn(int signal_number, siginfo_t* info, void* context) {
  // Already on the fault exit's own stack. The fault signals are unblocked for the
  // observer, so a fault inside it comes back here and goes straight on to the
  // fault exit, rather than being forced to its default action while blocked.
  if (fault_observer != nullptr && !fault_reported) {
    fault_reported = 1;
    sigset_t faults;
    FaultSignalSet(&faults);
    sigprocmask(SIG_UNBLOCK, &faults, nullptr);
    fault_observer(Fault{static_cast<uint32_t>(signal_number), FaultingInstruction(context)});
  }
  const struct sigaction& fault_exit = fault_exit_actions[signal_number];
  if ((fault_exit.sa_flags & SA_SIGINFO) != 0 && fault_exit.sa_sigaction != nullptr) {
    fault_exit.sa_sigaction(signal_number, info, context);
  } else if (fault_exit.sa_handler != SIG_DFL && fault_exit.sa_handler != SIG_IGN) {
    fault_exit.sa_handler(signal_number);
  } else {
    signal(signal_number, SIG_DFL);  // runs again into the default action
  }
}

}  // namespace

void ReportFaultsTo(FaultObserver observer) {
  fault_observer = observer;
  HandleFaultSignals(ReportAndPassOn, fault_exit_actions);
}

void WatchFaults() {}

bool TakeWatchedFault(Fault*) { return false; }

FaultDescription DescribeFault(const Fault& fault) {
  struct Known {
    int signal_number;
    const char* name;
    const char* meaning;
  };
  static const Known kKnown[] = {
      {SIGSEGV, "SIGSEGV", "invalid memory access"},
      {SIGBUS, "SIGBUS", "a bus error (access to memory that is not there)"},
      {SIGILL, "SIGILL", "an illegal instruction"},
      {SIGFPE, "SIGFPE", "an arithmetic error, such as a division by zero"},
      {SIGABRT, "SIGABRT", "an abort, which is also how an uncaught C++ exception ends"},
  };
  FaultDescription description = {"signal", "", "an unexpected signal"};
  for (const Known& known : kKnown) {
    if (static_cast<uint32_t>(known.signal_number) != fault.code) continue;
    strncpy(description.code, known.name, sizeof description.code - 1);
    description.meaning = known.meaning;
    return description;
  }
  char digits[10];
  int count = 0;
  uint32_t value = fault.code;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && count < 9);
  for (int i = 0; i < count; ++i) description.code[i] = digits[count - 1 - i];
  return description;
}
