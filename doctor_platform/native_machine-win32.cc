#include <windows.h>

#include "doctor_platform/native_machine.h"
#include "doctor_platform/system_library-win32.h"

uint16_t ReadNativeMachine() {
  // Windows 10 1709 and later; before it, there was no ARM64 Windows to run on.
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto is_wow64_process2 =
      SystemFunction<IsWow64Process2Function>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2");
  USHORT process = 0;
  USHORT native = 0;
  if (is_wow64_process2 == nullptr || !is_wow64_process2(GetCurrentProcess(), &process, &native)) {
    return IMAGE_FILE_MACHINE_AMD64;
  }
  return native;
}
