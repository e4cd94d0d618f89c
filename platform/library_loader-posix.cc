// The Windows loader's three calls on the dynamic linker. Paths arrive as UTF-16
// with Windows separators; the library keeps its Windows file name here too.
#include <dlfcn.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include "platform/library_loader.h"
#include "platform/native_path-posix.h"

namespace {

constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

// Writes the running executable's directory, a "/" and |name| into |out|.
bool PathBesideExecutable(const char* name, char* out, size_t capacity) {
  const ssize_t length = readlink("/proc/self/exe", out, capacity);
  if (length <= 0 || static_cast<size_t>(length) >= capacity) return false;
  out[length] = 0;
  char* last_separator = strrchr(out, '/');
  if (last_separator == nullptr) return false;
  const size_t directory_length = static_cast<size_t>(last_separator - out) + 1;
  const size_t name_length = strlen(name);
  if (directory_length + name_length >= capacity) return false;
  memcpy(out + directory_length, name, name_length + 1);
  return true;
}

class PosixLibraryLoader final : public LibraryLoader {
 public:
  ModuleHandle LoadLibraryW(const WideChar* path) override {
    char name[kNativePathCapacity];
    if (!NativePath(path, name, sizeof name)) return nullptr;
    if (strchr(name, '/') == nullptr) {
      // Like Windows, look in the application's own directory before anywhere else.
      char beside[PATH_MAX + kNativePathCapacity];
      if (PathBesideExecutable(name, beside, sizeof beside) && access(beside, F_OK) == 0) {
        return dlopen(beside, kOpenFlags);
      }
    }
    return dlopen(name, kOpenFlags);
  }

  EntryPoint GetProcAddress(ModuleHandle module, const char* name) override {
    return reinterpret_cast<EntryPoint>(dlsym(module, name));
  }

  void FreeLibrary(ModuleHandle module) override { dlclose(module); }
};

PosixLibraryLoader system_loader;

}  // namespace

LibraryLoader& SystemLibraryLoader() { return system_loader; }
