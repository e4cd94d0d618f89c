// The host's fault signals and where a fault happened, shared by the fault exit
// and the fault report.
#pragma once

#include <signal.h>
#include <stdint.h>
#include <ucontext.h>

// The faults a library can end the host process with; SIGABRT is also how a C++
// exception that nothing catches ends, through std::terminate.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// Fills |signals| with the fault signals, in place: a sigset_t is 128 bytes.
inline void FaultSignalSet(sigset_t* signals) {
  sigemptyset(signals);
  for (const int signal_number : kFaultSignals) sigaddset(signals, signal_number);
}

// Installs |handler| for every fault signal, on the alternate stack, with all of
// them blocked while it runs. What it replaces goes into |replaced|, by signal number.
inline void HandleFaultSignals(void (*handler)(int, siginfo_t*, void*),
                               struct sigaction* replaced) {
  struct sigaction action = {};
  action.sa_sigaction = handler;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  FaultSignalSet(&action.sa_mask);
  for (const int signal_number : kFaultSignals) {
    sigaction(signal_number, &action, &replaced[signal_number]);
  }
}

inline uintptr_t FaultingInstruction(const void* context) {
  const mcontext_t& machine = static_cast<const ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
  return static_cast<uintptr_t>(machine.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return machine.pc;
#else
#error "the faulting instruction's address is not known for this processor"
#endif
}
