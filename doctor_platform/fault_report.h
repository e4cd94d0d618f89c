// Telling of a fault before the fault exit ends the process, and seeing faults
// that something else then handles. The doctor's: the tool itself stays silent.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A fault as the platform raised it: a signal on the host, an exception on Windows.
struct Fault {
  uint32_t code;      // the signal number, or the exception code
  uintptr_t address;  // the faulting instruction
};

// Told of a fault that would end the process, from inside a signal handler or an
// exception filter with the faulting code's state unknown: no heap, no locks, no
// stdio. It runs once, on a stack of its own (a stack overflow leaves none).
using FaultObserver = void (*)(const Fault& fault);

// After ExitOnFault: tells |observer| of every fault the fault exit would end the
// process for, before it does, and then lets it end the process as it would have.
void ReportFaultsTo(FaultObserver observer);

// From here on, remembers the last fault raised anywhere in the process, handled
// or not. Windows' loader catches a fault in a library's start-up code and fails
// the load with an error that says little; the fault says what happened. On the
// host nothing catches a fault, so nothing is seen that the report would not see.
void WatchFaults();

// The fault remembered since the last call, if any, and forgets it.
bool TakeWatchedFault(Fault* fault);

// How the platform names a fault. Safe in a fault observer.
struct FaultDescription {
  const char* kind;     // "signal" or "exception"
  char code[16];        // "SIGSEGV", "0xc0000005"
  const char* meaning;  // "an access violation (invalid memory access)"
};
FaultDescription DescribeFault(const Fault& fault);
