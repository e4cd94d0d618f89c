// A loader that records every call the run makes, and a converter library whose
// behaviour each test sets: which entry points it exports and what the start returns.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "platform/library_loader.h"
#include "tests/wide_text.h"

class RecordingLoader final : public LibraryLoader {
 public:
  // A handle whose low 32 bits are all zero: a run that cut it to 32 bits fails.
  static inline void* const kDriverHandle = reinterpret_cast<void*>(uintptr_t{0x5A17C0DE} << 32);

  bool library_loads = true;
  bool exports_start = true;
  bool exports_end = true;
  void* start_returns = kDriverHandle;
  // Whether the start overwrites the name it was given after recording it.
  bool scribble_on_name = false;
  // Every call in order: "load PATH", "resolve NAME", "start NAME", "end HANDLE", "release".
  std::vector<std::string> calls;
  // Where the name handed to PDFDriverInit lived.
  const char* printer_name = nullptr;

  RecordingLoader() { current_ = this; }
  ~RecordingLoader() { current_ = nullptr; }

  ModuleHandle LoadLibraryW(const WideChar* path) override {
    calls.push_back("load " + Readable(path));
    return library_loads ? Module() : nullptr;
  }

  EntryPoint GetProcAddress(ModuleHandle module, const char* name) override {
    calls.push_back("resolve " + std::string(name) + FromWrongModule(module));
    const std::string wanted = name;
    if (wanted == "PDFDriverInit" && exports_start) return reinterpret_cast<EntryPoint>(&Start);
    if (wanted == "DriverEnd" && exports_end) return reinterpret_cast<EntryPoint>(&End);
    return nullptr;
  }

  void FreeLibrary(ModuleHandle module) override {
    calls.push_back("release" + FromWrongModule(module));
  }

 private:
  static std::string HandleText(void* handle) {
    char text[32];
    snprintf(text, sizeof text, "0x%016llx",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
  }

  ModuleHandle Module() { return this; }
  std::string FromWrongModule(ModuleHandle module) {
    return module == Module() ? "" : " (wrong module)";
  }

  static void* Start(char* printer_name) {
    // The library may write to the name; a read-only name would fault here.
    volatile char* first = printer_name;
    *first = *first;
    current_->printer_name = printer_name;
    current_->calls.push_back("start " + std::string(printer_name));
    if (current_->scribble_on_name) printer_name[0] = '#';
    return current_->start_returns;
  }

  static void End(void* driver_handle) {
    current_->calls.push_back("end " + HandleText(driver_handle));
  }

  static inline RecordingLoader* current_ = nullptr;
};
