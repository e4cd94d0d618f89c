#include <windows.h>

#include "stand_in/platform.h"

void AppendToJournal(const char* line, unsigned length) {
  wchar_t path[MAX_PATH];
  const DWORD path_length = GetEnvironmentVariableW(L"CDINTF400_JOURNAL", path, MAX_PATH);
  if (path_length == 0 || path_length >= MAX_PATH) return;
  const HANDLE journal = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(journal, line, length, &written, nullptr);
  CloseHandle(journal);
}

void Hang() {
  for (;;) Sleep(INFINITE);
}

extern "C" IMAGE_DOS_HEADER __ImageBase;

// What a throw compiled by Microsoft's C++ compiler raises: exception code "msc"
// with its magic number, the thrown object, its type information and, on x64, the
// module that threw. Nothing here catches it.
void ThrowUncaughtException() {
  constexpr DWORD kMicrosoftCppException = 0xE06D7363;
  constexpr ULONG_PTR kMagicNumber = 0x19930520;
  static int thrown = 1;
  const ULONG_PTR parameters[] = {kMagicNumber, reinterpret_cast<ULONG_PTR>(&thrown), 0,
                                  reinterpret_cast<ULONG_PTR>(&__ImageBase)};
  RaiseException(kMicrosoftCppException, EXCEPTION_NONCONTINUABLE, 4, parameters);
}

// On detach, |reserved| is null when the library was released with FreeLibrary and
// non-null when the process is exiting with the library still loaded.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    OnLibraryLoad();
#if STAND_IN_RECORDS_ERROR_MODE
    // The mode the process had when the loader ran this, the library's first code.
    char mode[7];
    FormatHex(GetErrorMode(), 4, mode);
    RecordCall("error-mode", mode);
#endif
    // The loader then fails the load with ERROR_DLL_INIT_FAILED.
    if (STAND_IN_REFUSES_LOAD) return FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) {
    OnLibraryRelease(reserved == nullptr ? "FreeLibrary" : "at-exit");
  }
  return TRUE;
}
