#include <windows.h>

#include "doctor_platform/watchdog.h"

namespace {

HangObserver hang_observer;
ULONGLONG limit_milliseconds;
// When the call being watched must have returned, as GetTickCount64 counts; 0 when
// none is being watched, kFiring once the watchdog has taken the call for hung.
constexpr LONG64 kFiring = -1;
volatile LONG64 deadline;
HANDLE wake;
HANDLE running;

DWORD WINAPI Watch(void*) {
  // By now Windows has told every loaded DLL of this thread: from here on nothing
  // of this thread waits for the loader lock.
  SetEvent(running);
  for (;;) {
    const ULONGLONG due = static_cast<ULONGLONG>(InterlockedCompareExchange64(&deadline, 0, 0));
    const ULONGLONG now = GetTickCount64();
    DWORD wait = INFINITE;
    if (due != 0) wait = due > now ? static_cast<DWORD>(due - now) : 0;
    if (WaitForSingleObject(wake, wait) != WAIT_TIMEOUT) continue;
    // Read again: the call may have returned, and another begun, meanwhile. Taking
    // the call for hung is one exchange, so it cannot cross the call's return.
    const LONG64 current = InterlockedCompareExchange64(&deadline, 0, 0);
    if (current <= 0 || GetTickCount64() < static_cast<ULONGLONG>(current)) continue;
    if (InterlockedCompareExchange64(&deadline, kFiring, current) != current) continue;
    hang_observer();
    TerminateProcess(GetCurrentProcess(), 1);
  }
}

}  // namespace

bool StartWatchdog(unsigned seconds, HangObserver observer) {
  hang_observer = observer;
  limit_milliseconds = static_cast<ULONGLONG>(seconds) * 1000;
  wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (wake == nullptr || running == nullptr) return false;
  const HANDLE thread = CreateThread(nullptr, 64 * 1024, Watch, nullptr, 0, nullptr);
  if (thread == nullptr) return false;
  CloseHandle(thread);
  return WaitForSingleObject(running, INFINITE) == WAIT_OBJECT_0;
}

void ArmWatchdog() {
  if (wake == nullptr) return;
  InterlockedExchange64(&deadline, static_cast<LONG64>(GetTickCount64() + limit_milliseconds));
  SetEvent(wake);
}

void DisarmWatchdog() {
  if (wake == nullptr) return;
  // Returned too late: the watchdog is writing the report and ends the process; the
  // run must not go on and write another.
  if (InterlockedExchange64(&deadline, 0) == kFiring) {
    for (;;) Sleep(INFINITE);
  }
  SetEvent(wake);
}
