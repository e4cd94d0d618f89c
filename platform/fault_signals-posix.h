// The host's fault signals and where a fault happened, shared by the fault exit
// and the fault report.
#pragma once

#include <signal.h>
#include <stdint.h>
#include <ucontext.h>

// The faults a library can end the host process with; SIGABRT is also how a C++
// exception that nothing catches ends, through std::terminate.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

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
