// Why a library did not load, in the platform's own words.
#pragma once

#include <stdint.h>

// Windows' error code and the system's message for it; on the host, dlerror()'s
// text and no code.
struct LoadError {
  bool has_code;
  uint32_t code;
  char text[512];  // UTF-8
};

// Right after a LoadLibraryW that returned null, before anything can overwrite it.
LoadError TakeLoadError();
