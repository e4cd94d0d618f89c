// Host paths from the UTF-16 paths the tool composes: UTF-8, with Windows'
// backslashes turned into slashes. Shared by everything that hands a path to the
// host's file system or dynamic linker, so that all of them read it alike.
#pragma once

#include <stddef.h>

#include "unicode/utf8.h"
#include "platform/wide_string.h"

// Room for any path of kPathCapacity units: at most three UTF-8 bytes per unit.
constexpr size_t kNativePathCapacity = 3 * kPathCapacity;

// False when |path| is empty, holds a lone surrogate or does not fit |capacity|.
inline bool NativePath(const WideChar* path, char* out, size_t capacity) {
  if (!Utf16ToUtf8(path, out, capacity) || out[0] == 0) return false;
  for (char* c = out; *c != 0; ++c) {
    if (*c == '\\') *c = '/';
  }
  return true;
}
