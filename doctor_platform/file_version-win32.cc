#include <windows.h>

#include "doctor_platform/file_version.h"

bool FileVersion(const WideChar* path, char* text, size_t capacity) {
  // A version block is a few KiB; a larger one is not worth a heap for.
  alignas(8) static unsigned char block[64 * 1024];
  DWORD ignored;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0 || size > sizeof block || !GetFileVersionInfoW(path, 0, size, block)) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  if (!VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
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
