#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "doctor_platform/library_search.h"
#include "unicode/utf8.h"

const char kLibrarySearchVariable[] = "LD_LIBRARY_PATH";
#if defined(__x86_64__)
const NativeLibraryFormat kNativeLibraryFormat = {false, EM_X86_64};
#define MULTIARCH "x86_64-linux-gnu"
#elif defined(__aarch64__)
const NativeLibraryFormat kNativeLibraryFormat = {false, EM_AARCH64};
#define MULTIARCH "aarch64-linux-gnu"
#else
#error "the host's ELF machine is not known for this processor"
#endif

namespace {

bool Add(SearchFolder* folders, size_t capacity, size_t* count, FolderKind kind, const char* path,
         size_t length) {
  if (*count == capacity || length == 0) return false;
  char text[kPathCapacity * 3];
  if (length >= sizeof text) return false;
  memcpy(text, path, length);
  text[length] = 0;
  if (Utf8ToUtf16(text, folders[*count].path, kPathCapacity) != Utf8Conversion::kComplete) {
    return false;
  }
  folders[*count].kind = kind;
  ++*count;
  return true;
}

}  // namespace

bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity) {
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name[0] == 0) {
    return false;
  }
  return Utf8ToUtf16(map->l_name, path, capacity) == Utf8Conversion::kComplete;
}

bool ProgramFolder(WideChar* path, size_t capacity) {
  char text[4096];
  const ssize_t length = readlink("/proc/self/exe", text, sizeof text - 1);
  if (length <= 0) return false;
  text[length] = 0;
  char* last_separator = strrchr(text, '/');
  if (last_separator == nullptr) return false;
  *last_separator = 0;
  return Utf8ToUtf16(text, path, capacity) == Utf8Conversion::kComplete;
}

// The host loader's order: the program's own folder (the tool's loader looks
// there first, as Windows does), LD_LIBRARY_PATH, then the system's folders. The
// dynamic linker's cache may name more; these are the ones it always covers.
size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity) {
  size_t count = 0;
  WideChar program[kPathCapacity];
  if (ProgramFolder(program, kPathCapacity) && count < capacity) {
    folders[count].kind = FolderKind::kProgram;
    memcpy(folders[count].path, program, sizeof program);
    ++count;
  }
  if (const char* variable = getenv(kLibrarySearchVariable)) {
    const char* entry = variable;
    for (const char* cursor = variable;; ++cursor) {
      if (*cursor != ':' && *cursor != 0) continue;
      Add(folders, capacity, &count, FolderKind::kSearchVariable, entry,
          static_cast<size_t>(cursor - entry));
      if (*cursor == 0) break;
      entry = cursor + 1;
    }
  }
  static const char* const kSystemFolders[] = {"/lib/" MULTIARCH, "/usr/lib/" MULTIARCH, "/lib",
                                               "/usr/lib"};
  for (const char* system : kSystemFolders) {
    Add(folders, capacity, &count, FolderKind::kSystem, system, strlen(system));
  }
  return count;
}

bool IsProvidedWithoutFile(const WideChar*) { return false; }
