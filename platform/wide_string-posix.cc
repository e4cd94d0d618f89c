// The bounded copy and concatenation that the Windows runtime provides, with its
// contract: on overflow the destination is left empty and an error is returned.
#include <errno.h>

#include "platform/wide_string.h"

namespace platform {

int wcscpy_s(WideChar* destination, size_t capacity, const WideChar* source) {
  if (destination == nullptr || capacity == 0) return EINVAL;
  if (source == nullptr) {
    destination[0] = 0;
    return EINVAL;
  }
  const size_t length = BoundedLength(source, capacity);
  if (length == capacity) {
    destination[0] = 0;
    return ERANGE;
  }
  for (size_t i = 0; i <= length; ++i) destination[i] = source[i];
  return 0;
}

int wcscat_s(WideChar* destination, size_t capacity, const WideChar* source) {
  if (destination == nullptr || capacity == 0) return EINVAL;
  const size_t used = BoundedLength(destination, capacity);
  if (source == nullptr || used == capacity) {
    destination[0] = 0;
    return EINVAL;
  }
  const int status = wcscpy_s(destination + used, capacity - used, source);
  if (status != 0) destination[0] = 0;
  return status;
}

}  // namespace platform
