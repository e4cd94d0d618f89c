#include "doctor/system_interface.h"

#include "doctor_platform/file_version.h"

namespace {

class RealSystemInterface final : public SystemInterface {
 public:
  LoadError TakeLoadError() override { return ::TakeLoadError(); }
  bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity) override {
    return ::LoadedFrom(module, path, capacity);
  }
  size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity) override {
    return ::LibrarySearchFolders(folders, capacity);
  }
  bool ProgramFolder(WideChar* path, size_t capacity) override {
    return ::ProgramFolder(path, capacity);
  }
  bool IsProvidedWithoutFile(const WideChar* name) override {
    return ::IsProvidedWithoutFile(name);
  }
  bool FileVersion(const WideChar* path, char* text, size_t capacity) override {
    return ::FileVersion(path, text, capacity);
  }
  PathKind ProbePath(const WideChar* path) override { return ::ProbePath(path); }
  bool MapFile(const WideChar* path, FileView* view) override { return ::MapFile(path, view); }
  void UnmapFile(const FileView& view) override { ::UnmapFile(view); }
  bool TakeWatchedFault(Fault* fault) override { return ::TakeWatchedFault(fault); }
  void WriteOutput(OutputStream stream, const char* text, size_t length) override {
    ::WriteOutput(stream, text, length);
  }
  bool HasPrintingSystem() override { return kHasPrintingSystem; }
  SpoolerState ReadSpoolerState() override { return ::ReadSpoolerState(); }
  Reading ReadElevation() override { return ::ReadElevation(); }
  uint16_t ReadNativeMachine() override { return ::ReadNativeMachine(); }
  Reading ReadProtectedPrint() override { return ::ReadProtectedPrint(); }
  RebootSign ReadPendingReboot() override { return ::ReadPendingReboot(); }
  Reading ReadPrinterPresence(const char* printer_name) override {
    return ::ReadPrinterPresence(printer_name);
  }
  bool StartWatchdog(unsigned seconds, HangObserver observer) override {
    return ::StartWatchdog(seconds, observer);
  }
  void ArmWatchdog() override { ::ArmWatchdog(); }
  void DisarmWatchdog() override { ::DisarmWatchdog(); }
};

// At file scope: a function's static would need a thread-safe guard.
RealSystemInterface real_system;

}  // namespace

SystemInterface& RealSystem() { return real_system; }
