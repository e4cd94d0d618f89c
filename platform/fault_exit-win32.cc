#include <windows.h>

#include "platform/fault_exit.h"

namespace {

// Stack that an overflow must leave for the handlers below; Windows raises it with
// little more than the guard page otherwise.
constexpr ULONG kStackGuarantee = 64 * 1024;

UINT fault_exit_status;

// Not ExitProcess: that would run the library's detach code, in whatever state the
// fault left it.
[[noreturn]] void EndProcess() {
  TerminateProcess(GetCurrentProcess(), fault_exit_status);
  __builtin_unreachable();
}

LONG WINAPI EndProcessOnUnhandledException(EXCEPTION_POINTERS*) { EndProcess(); }

// A stack overflow is ended at first sight, before any handler of the library's
// is asked: the search for one needs stack that may be gone (Wine, which commits
// a thread's whole stack up front, leaves about 4 KiB and then kills the process
// itself, which its parent sees as exit status 0), and a library that did handle
// it would run on without a guard page.
LONG WINAPI EndProcessOnStackOverflow(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) EndProcess();
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ExitOnFault(int exit_status) {
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
               SEM_NOOPENFILEERRORBOX);
  fault_exit_status = static_cast<UINT>(exit_status);
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  AddVectoredExceptionHandler(1, EndProcessOnStackOverflow);
  SetUnhandledExceptionFilter(EndProcessOnUnhandledException);
}
