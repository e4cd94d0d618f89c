#include <unistd.h>

#include "platform/fault_exit.h"
#include "platform/fault_signals-posix.h"

// Where the program's own code lies, from the linker.
extern "C" const char __executable_start[];
extern "C" const char etext[];

namespace {

// The handler's own stack: a stack overflow leaves none on the faulting one.
alignas(16) char handler_stack[64 * 1024];

// What handled each signal before, by signal number.
struct sigaction earlier_actions[NSIG];
int fault_exit_status;

bool IsOwnCode(uintptr_t address) {
  return address >= reinterpret_cast<uintptr_t>(__executable_start) &&
         address < reinterpret_cast<uintptr_t>(etext);
}

bool IsHandler(const struct sigaction& action) {
  if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
  return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

void EndProcess(int signal_number, siginfo_t* info, void* context) {
  // A fault the processor raised in the tool's own code belongs to whoever watched
  // the process before: a sanitizer's report says more than a quiet exit. With its
  // handler back, the faulting instruction runs again and faults into it.
  const struct sigaction& earlier = earlier_actions[signal_number];
  if (info->si_code > 0 && IsHandler(earlier) && IsOwnCode(FaultingInstruction(context))) {
    sigaction(signal_number, &earlier, nullptr);
    return;
  }
  _exit(fault_exit_status);  // runs no exit handlers, so nothing of the library's
}

}  // namespace

void ExitOnFault(int exit_status) {
  fault_exit_status = exit_status;
  stack_t current;
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) != 0) {
    stack_t own = {};
    own.ss_sp = handler_stack;
    own.ss_size = sizeof handler_stack;
    sigaltstack(&own, nullptr);
  }
  HandleFaultSignals(EndProcess, earlier_actions);
}
