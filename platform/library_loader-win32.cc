#include <windows.h>

#include "platform/library_loader.h"

namespace {

class Win32LibraryLoader final : public LibraryLoader {
 public:
  ModuleHandle LoadLibraryW(const WideChar* path) override { return ::LoadLibraryW(path); }

  EntryPoint GetProcAddress(ModuleHandle module, const char* name) override {
    return reinterpret_cast<EntryPoint>(::GetProcAddress(static_cast<HMODULE>(module), name));
  }

  void FreeLibrary(ModuleHandle module) override { ::FreeLibrary(static_cast<HMODULE>(module)); }
};

Win32LibraryLoader system_loader;

}  // namespace

LibraryLoader& SystemLibraryLoader() { return system_loader; }
