#include <windows.h>

#include "stand_in/journal.h"

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

// On detach, |reserved| is null when the library was released with FreeLibrary and
// non-null when the process is exiting with the library still loaded.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) RecordCall("load", STAND_IN_VARIANT);
  if (reason == DLL_PROCESS_DETACH) {
    RecordCall("release", reserved == nullptr ? "FreeLibrary" : "at-exit");
  }
  return TRUE;
}
