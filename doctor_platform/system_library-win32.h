// System DLLs the doctor needs beyond KERNEL32 and msvcrt, from the system folder
// only. Windows looks for any DLL that is not one of its KnownDLLs in the
// program's own folder first: a DLL planted beside the doctor under a system
// DLL's name would run with the doctor's rights, which are often an installer's.
// So such a DLL is never imported: it is loaded here, by its full search rule, and
// its functions are looked up by name.
#pragma once

#include <windows.h>

// |name| from the system folder, and nowhere else; null when it is not there.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// |name| in |module| as a |Function|, or null.
template <typename Function>
Function SystemFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
