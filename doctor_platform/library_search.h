// Where the loader finds a library: the file a loaded library came from, the
// folders a bare name is looked for in, and the kind of file the loader takes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/library_loader.h"
#include "platform/wide_string.h"

// The file a loaded library came from. False when the platform cannot say.
bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity);

enum class FolderKind {
  kProgram,         // the running program's own folder
  kSystem,          // a folder of the system's own
  kCurrent,         // the current folder
  kSearchVariable,  // named by kLibrarySearchVariable
};
struct SearchFolder {
  FolderKind kind;
  WideChar path[kPathCapacity];
};
// The folders where the loader looks for a library given by its bare name, and
// for a Windows library's own DLLs, in the order it looks: the program's own
// folder first. Writes at most |capacity| and returns how many it wrote.
size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity);
// "PATH" on Windows, "LD_LIBRARY_PATH" on the host.
extern const char kLibrarySearchVariable[];

// The running program's own folder.
bool ProgramFolder(WideChar* path, size_t capacity);

// Whether the loader needs no file to find a library of this name: one already
// in the process, or one of Windows' API sets (api-ms-win-*, ext-ms-*).
bool IsProvidedWithoutFile(const WideChar* name);

// The kind of file this platform's loader takes: a Portable Executable (Windows)
// or an ELF file (the host), for one processor.
struct NativeLibraryFormat {
  bool portable_executable;
  uint16_t machine;  // the PE machine field, or the ELF e_machine
};
extern const NativeLibraryFormat kNativeLibraryFormat;
