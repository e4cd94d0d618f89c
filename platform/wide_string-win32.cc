#include <wchar.h>

#include "platform/wide_string.h"

namespace platform {

int wcscpy_s(WideChar* destination, size_t capacity, const WideChar* source) {
  return ::wcscpy_s(destination, capacity, source);
}

int wcscat_s(WideChar* destination, size_t capacity, const WideChar* source) {
  return ::wcscat_s(destination, capacity, source);
}

}  // namespace platform
