#include <windows.h>

#include "doctor_platform/library_search.h"

const char kLibrarySearchVariable[] = "PATH";
const NativeLibraryFormat kNativeLibraryFormat = {true, IMAGE_FILE_MACHINE_AMD64};

namespace {

bool StartsWithIgnoringCase(const wchar_t* text, const char* prefix) {
  for (; *prefix != 0; ++text, ++prefix) {
    wchar_t unit = *text;
    if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit - L'A' + L'a');
    if (unit != static_cast<wchar_t>(*prefix)) return false;
  }
  return true;
}

bool Add(SearchFolder* folders, size_t capacity, size_t* count, FolderKind kind,
         const wchar_t* path, size_t length) {
  if (*count == capacity || length == 0 || length >= kPathCapacity) return false;
  folders[*count].kind = kind;
  for (size_t i = 0; i < length; ++i) folders[*count].path[i] = path[i];
  folders[*count].path[length] = 0;
  ++*count;
  return true;
}

}  // namespace

bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity) {
  const DWORD length =
      GetModuleFileNameW(static_cast<HMODULE>(module), path, static_cast<DWORD>(capacity));
  return length != 0 && length < capacity;
}

bool ProgramFolder(WideChar* path, size_t capacity) {
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(capacity));
  if (length == 0 || length >= capacity) return false;
  for (DWORD i = length; i != 0; --i) {
    if (path[i - 1] == L'\\' || path[i - 1] == L'/') {
      path[i - 1] = 0;
      return true;
    }
  }
  return false;
}

// The standard search order, safe DLL search mode on (the default since Windows
// XP SP2): the program's folder, the system folder, the 16-bit system folder, the
// Windows folder, the current folder, then PATH.
size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity) {
  size_t count = 0;
  wchar_t path[kPathCapacity];
  if (ProgramFolder(path, kPathCapacity)) {
    Add(folders, capacity, &count, FolderKind::kProgram, path, wcslen(path));
  }
  UINT length = GetSystemDirectoryW(path, kPathCapacity);
  if (length < kPathCapacity) Add(folders, capacity, &count, FolderKind::kSystem, path, length);
  length = GetWindowsDirectoryW(path, kPathCapacity);
  if (length != 0 && length + 7 < kPathCapacity) {
    wchar_t system16[kPathCapacity];
    wcscpy_s(system16, kPathCapacity, path);
    wcscat_s(system16, kPathCapacity, L"\\System");
    Add(folders, capacity, &count, FolderKind::kSystem, system16, wcslen(system16));
    Add(folders, capacity, &count, FolderKind::kSystem, path, length);
  }
  length = GetCurrentDirectoryW(kPathCapacity, path);
  if (length < kPathCapacity) Add(folders, capacity, &count, FolderKind::kCurrent, path, length);

  static wchar_t variable[32 * 1024];
  const DWORD size =
      GetEnvironmentVariableW(L"PATH", variable, sizeof variable / sizeof variable[0]);
  if (size == 0 || size >= sizeof variable / sizeof variable[0]) return count;
  const wchar_t* entry = variable;
  for (const wchar_t* cursor = variable;; ++cursor) {
    if (*cursor != L';' && *cursor != 0) continue;
    Add(folders, capacity, &count, FolderKind::kSearchVariable, entry,
        static_cast<size_t>(cursor - entry));
    if (*cursor == 0) break;
    entry = cursor + 1;
  }
  return count;
}

bool IsProvidedWithoutFile(const WideChar* name) {
  return GetModuleHandleW(name) != nullptr || StartsWithIgnoringCase(name, "api-ms-") ||
         StartsWithIgnoringCase(name, "ext-ms-");
}
