// What the platform can tell about loading a library beyond the tool's three
// calls: why a load failed, which file was loaded, where a bare name is looked for
// and what the loader takes. The tool asks none of this; the doctor does.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/library_loader.h"
#include "platform/wide_string.h"

// Why the last load failed, in the platform's own words: Windows' error code and
// the system's message for it; on the host, dlerror()'s text and no code.
struct LoadError {
  bool has_code;
  uint32_t code;
  char text[512];  // UTF-8
};
// Right after a LoadLibraryW that returned null, before anything can overwrite it.
LoadError TakeLoadError();

// The file a loaded library came from. False when the platform cannot say.
bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity);

// The file version in a library's version resource, as "1.2.3.4". False when it
// has none, and always on the host, whose libraries carry no such resource.
bool FileVersion(const WideChar* path, char* text, size_t capacity);

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

// The kind of file this platform's loader takes: a Portable Executable (Windows)
// or an ELF file (the host), for one processor.
struct NativeLibraryFormat {
  bool portable_executable;
  uint16_t machine;  // the PE machine field, or the ELF e_machine
};
extern const NativeLibraryFormat kNativeLibraryFormat;

// Whether the loader needs no file to find a library of this name: one already
// in the process, or one of Windows' API sets (api-ms-win-*, ext-ms-*).
bool IsProvidedWithoutFile(const WideChar* name);
