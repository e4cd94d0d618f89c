// The version a library's maker stamped into it.
#pragma once

#include <stddef.h>

#include "platform/wide_string.h"

// The file version in a library's version resource, as "1.2.3.4". False when it
// has none, and always on the host, whose libraries carry no such resource.
bool FileVersion(const WideChar* path, char* text, size_t capacity);
