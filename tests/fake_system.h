// A machine for the doctor to look at, made up by each test: files and folders,
// the loader's search, the loader's error, and what the doctor writes.
#pragma once

#include <string.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "doctor/system_interface.h"
#include "tests/wide_text.h"

class FakeSystem final : public SystemInterface {
 public:
  // By path, as Readable() shows it: what is there.
  std::map<std::string, PathKind> paths;
  std::vector<std::pair<FolderKind, std::u16string>> search_folders;
  std::u16string program_folder = u"app";
  LoadError load_error = {true, 126, "The specified module could not be found."};
  std::u16string loaded_from;  // empty: the platform cannot say
  std::string file_version;    // empty: none
  std::string output;
  std::string error_output;
  // The printing system: a Windows machine where a check would pass.
  bool has_printing_system = true;
  SpoolerState spooler = SpoolerState::kRunning;
  Reading elevated = Reading::kYes;
  uint16_t native_machine = 0x8664;
  Reading protected_print = Reading::kNo;
  RebootSign reboot = RebootSign::kNone;
  Reading printer_present = Reading::kNo;
  unsigned watchdog_seconds = 0;  // what the doctor asked for; 0: never started
  int watched_calls = 0;

  // |folder| and |name| joined as the doctor joins them on this platform.
  static std::u16string Join(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    path += static_cast<char16_t>(kPathSeparator);
    path += name;
    return path;
  }

  // The tool beside the doctor, as every case but one has it.
  void PutToolBesideDoctor(std::u16string_view tool_file_name) {
    paths[Readable(Join(program_folder, tool_file_name))] = PathKind::kFile;
  }

  LoadError TakeLoadError() override { return load_error; }
  bool LoadedFrom(ModuleHandle, WideChar* path, size_t capacity) override {
    return Copy(loaded_from, path, capacity);
  }
  size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity) override {
    size_t count = 0;
    for (const auto& [kind, path] : search_folders) {
      if (count == capacity) break;
      folders[count].kind = kind;
      if (Copy(path, folders[count].path, kPathCapacity)) ++count;
    }
    return count;
  }
  bool ProgramFolder(WideChar* path, size_t capacity) override {
    return Copy(program_folder, path, capacity);
  }
  bool IsProvidedWithoutFile(const WideChar*) override { return false; }
  bool FileVersion(const WideChar*, char* text, size_t capacity) override {
    if (file_version.empty() || file_version.size() >= capacity) return false;
    memcpy(text, file_version.c_str(), file_version.size() + 1);
    return true;
  }
  PathKind ProbePath(const WideChar* path) override {
    const auto found = paths.find(Readable(path));
    return found == paths.end() ? PathKind::kMissing : found->second;
  }
  // The files hold no bytes the doctor could read as a library's imports.
  bool MapFile(const WideChar*, FileView*) override { return false; }
  void UnmapFile(const FileView&) override {}
  bool TakeWatchedFault(Fault*) override { return false; }
  void WriteOutput(OutputStream stream, const char* text, size_t length) override {
    (stream == OutputStream::kStandardOutput ? output : error_output).append(text, length);
  }
  bool HasPrintingSystem() override { return has_printing_system; }
  SpoolerState ReadSpoolerState() override { return spooler; }
  Reading ReadElevation() override { return elevated; }
  uint16_t ReadNativeMachine() override { return native_machine; }
  Reading ReadProtectedPrint() override { return protected_print; }
  RebootSign ReadPendingReboot() override { return reboot; }
  Reading ReadPrinterPresence(const char*) override { return printer_present; }
  bool StartWatchdog(unsigned seconds, HangObserver) override {
    watchdog_seconds = seconds;
    return true;
  }
  void ArmWatchdog() override { ++watched_calls; }
  void DisarmWatchdog() override {}

 private:
  static bool Copy(std::u16string_view from, WideChar* to, size_t capacity) {
    if (from.empty() || from.size() >= capacity) return false;
    for (size_t i = 0; i < from.size(); ++i) to[i] = static_cast<WideChar>(from[i]);
    to[from.size()] = 0;
    return true;
  }
};
