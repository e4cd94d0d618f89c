#include <windows.h>

#include "doctor_platform/fault_report.h"

namespace {

constexpr DWORD kMicrosoftCppException = 0xE06D7363;

FaultObserver fault_observer;
bool fault_reported;
Fault pending_fault;
LPTOP_LEVEL_EXCEPTION_FILTER fault_exit_filter;

Fault watched_fault;
bool fault_watched;

// The observer's own stack: after an overflow Wine leaves the handlers about
// 1.6 KiB, too little to tell anyone anything.
alignas(16) char observer_stack[64 * 1024];

void RunObserver() { fault_observer(pending_fault); }

// Calls |function| with the stack pointer at |stack_top| (16-byte aligned, with
// the 32 bytes of shadow space the x64 calling convention gives a callee), then
// returns to the stack it came from, kept in a register the callee preserves.
void CallOnStack(void (*function)(), char* stack_top) {
  __asm__ volatile(
      "movq %%rsp, %%rbx\n\t"
      "movq %0, %%rsp\n\t"
      "subq $32, %%rsp\n\t"
      "callq *%1\n\t"
      "movq %%rbx, %%rsp"
      :
      : "r"(stack_top), "r"(function)
      : "rax", "rbx", "rcx", "rdx", "r8", "r9", "r10", "r11", "xmm0", "xmm1", "xmm2", "xmm3",
        "xmm4", "xmm5", "memory", "cc");
}

// A second fault, inside the observer, goes on to the fault exit unreported.
void Report(const EXCEPTION_RECORD& record) {
  if (fault_observer == nullptr || fault_reported) return;
  fault_reported = true;
  pending_fault = {static_cast<uint32_t>(record.ExceptionCode),
                   reinterpret_cast<uintptr_t>(record.ExceptionAddress)};
  CallOnStack(RunObserver, observer_stack + sizeof observer_stack);
}

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception) {
  Report(*exception->ExceptionRecord);
  return fault_exit_filter != nullptr ? fault_exit_filter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// Ahead of the fault exit's own handler, which ends a stack overflow at first sight.
LONG WINAPI ReportStackOverflow(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
    Report(*exception->ExceptionRecord);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// Only errors: Windows raises informational exceptions for ordinary things, such
// as OutputDebugString and naming a thread.
bool IsError(DWORD code) { return (code >> 30) == 3; }

LONG WINAPI RememberFault(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (IsError(record.ExceptionCode)) {
    watched_fault = {static_cast<uint32_t>(record.ExceptionCode),
                     reinterpret_cast<uintptr_t>(record.ExceptionAddress)};
    fault_watched = true;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ReportFaultsTo(FaultObserver observer) {
  fault_observer = observer;
  AddVectoredExceptionHandler(1, ReportStackOverflow);
  fault_exit_filter = SetUnhandledExceptionFilter(ReportUnhandledException);
}

void WatchFaults() { AddVectoredExceptionHandler(1, RememberFault); }

bool TakeWatchedFault(Fault* fault) {
  if (!fault_watched) return false;
  *fault = watched_fault;
  fault_watched = false;
  return true;
}

FaultDescription DescribeFault(const Fault& fault) {
  struct Known {
    DWORD code;
    const char* meaning;
  };
  static const Known kKnown[] = {
      {EXCEPTION_ACCESS_VIOLATION, "an access violation (invalid memory access)"},
      {EXCEPTION_STACK_OVERFLOW, "a stack overflow"},
      {EXCEPTION_ILLEGAL_INSTRUCTION, "an illegal instruction"},
      {EXCEPTION_PRIV_INSTRUCTION, "a privileged instruction"},
      {EXCEPTION_INT_DIVIDE_BY_ZERO, "an integer division by zero"},
      {EXCEPTION_INT_OVERFLOW, "an integer overflow"},
      {EXCEPTION_IN_PAGE_ERROR, "an in-page error (the file behind the memory could not be read)"},
      {EXCEPTION_DATATYPE_MISALIGNMENT, "a misaligned memory access"},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "an array bounds check"},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, "a floating-point division by zero"},
      {EXCEPTION_FLT_INVALID_OPERATION, "an invalid floating-point operation"},
      {EXCEPTION_FLT_OVERFLOW, "a floating-point overflow"},
      {0xC0000409, "a stack buffer overrun or fail-fast"},
      {0xC0000374, "heap corruption"},
      {kMicrosoftCppException, "a C++ exception that nothing caught"},
  };
  FaultDescription description = {"exception", "0x", "an exception that nothing handled"};
  for (int digit = 0; digit < 8; ++digit) {
    description.code[2 + digit] = "0123456789abcdef"[(fault.code >> (28 - 4 * digit)) & 0xF];
  }
  description.code[10] = 0;
  for (const Known& known : kKnown) {
    if (known.code == fault.code) description.meaning = known.meaning;
  }
  return description;
}
