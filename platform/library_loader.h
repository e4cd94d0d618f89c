// The platform's dynamic-library loader: the three calls the tool makes.
#pragma once

#include "platform/wide_string.h"

// A loaded library; null when nothing is loaded.
using ModuleHandle = void*;
// An exported entry point, to be cast to its real signature before the call.
using EntryPoint = void (*)();

// An interface so tests can put a recording fake in place of the system loader.
class LibraryLoader {
 public:
  // Loads a library from a path, or finds a bare file name along the platform's
  // library search. Null when it cannot be loaded.
  virtual ModuleHandle LoadLibraryW(const WideChar* path) = 0;
  // The entry point that |module| exports under |name|, or null when there is none.
  virtual EntryPoint GetProcAddress(ModuleHandle module, const char* name) = 0;
  // Releases a library that LoadLibraryW loaded.
  virtual void FreeLibrary(ModuleHandle module) = 0;

 protected:
  ~LibraryLoader() = default;
};

// The platform's own loader.
LibraryLoader& SystemLibraryLoader();
