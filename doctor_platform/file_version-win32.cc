#include <windows.h>

#include "doctor_platform/file_version.h"
#include "doctor_platform/system_library-win32.h"

namespace {

// version.dll's three calls, looked up the first time a version is asked for: by
// then the converter library has loaded, so this version.dll cannot stand in for
// one the library itself would have been given.
struct VersionLibrary {
  bool tried = false;
  decltype(&GetFileVersionInfoSizeW) size = nullptr;
  decltype(&GetFileVersionInfoW) info = nullptr;
  decltype(&VerQueryValueW) query = nullptr;
};
VersionLibrary version_library;

const VersionLibrary& Version() {
  VersionLibrary& library = version_library;
  if (library.tried) return library;
  library.tried = true;
  const HMODULE module = LoadSystemLibrary(L"version.dll");
  library.size = SystemFunction<decltype(library.size)>(module, "GetFileVersionInfoSizeW");
  library.info = SystemFunction<decltype(library.info)>(module, "GetFileVersionInfoW");
  library.query = SystemFunction<decltype(library.query)>(module, "VerQueryValueW");
  if (library.size == nullptr || library.info == nullptr || library.query == nullptr) {
    library.size = nullptr;
  }
  return library;
}

}  // namespace

bool FileVersion(const WideChar* path, char* text, size_t capacity) {
  const VersionLibrary& version = Version();
  if (version.size == nullptr) return false;
  // A version block is a few KiB; a larger one is not worth a heap for.
  alignas(8) static unsigned char block[64 * 1024];
  DWORD ignored;
  const DWORD size = version.size(path, &ignored);
  if (size == 0 || size > sizeof block || !version.info(path, 0, size, block)) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!version.query(block, L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
      fixed_size < sizeof *fixed) {
    return false;
  }
  const unsigned parts[] = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  size_t used = 0;
  for (int part = 0; part < 4; ++part) {
    char digits[6];
    int count = 0;
    unsigned value = parts[part];
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    if (used + static_cast<size_t>(count) + 2 > capacity) return false;
    if (part != 0) text[used++] = '.';
    while (count != 0) text[used++] = digits[--count];
  }
  text[used] = 0;
  return true;
}
