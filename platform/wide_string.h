// Wide strings as the Windows loader takes them: zero-terminated UTF-16 units.
#pragma once

#include <stddef.h>

#if defined(_WIN32)
using WideChar = wchar_t;  // 16 bits on Windows: what wmain and LoadLibraryW take.
#define WIDE_TEXT(text) L##text
#else
using WideChar = char16_t;  // wchar_t is 32 bits here; the units must stay UTF-16.
#define WIDE_TEXT(text) u##text
#endif

// The platform's classic path limit, terminator included.
constexpr size_t kPathCapacity = 260;

// Units before the terminator, but never more than |limit|: reads at most |limit| units.
inline size_t BoundedLength(const WideChar* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

namespace platform {

// The C runtime's bounded copy and concatenation: 0 on success, nonzero when the
// result does not fit |capacity| units, terminator included. Callers check lengths
// first: some Windows runtimes end the process on overflow instead of returning.
int wcscpy_s(WideChar* destination, size_t capacity, const WideChar* source);
int wcscat_s(WideChar* destination, size_t capacity, const WideChar* source);

}  // namespace platform
