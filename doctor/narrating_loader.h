// Loaders that let the doctor drive the tool's own run: the decisions stay the
// tool's, and these only watch, tell, or stand in for the converter library.
#pragma once

#include "doctor/report.h"
#include "doctor/run_trace.h"
#include "doctor/system_interface.h"
#include "platform/library_loader.h"

// Hears each step as the run takes it: before it (|done| false) and after.
class RunListener {
 public:
  virtual void Told(const RunTrace& trace, const RunEvent& event, bool done) = 0;

 protected:
  ~RunListener() = default;
};

// Tells each call the run makes and keeps what it got in |trace|, over |loader|,
// asking |system| what the loader itself does not say. As soon as the library loads it looks up
// both entry points, so a report can name them whichever the run asks for.
//   kCheck: stands in for PDFDriverInit and DriverEnd. The run goes on as if the
//           driver started, and nothing of the library runs but its start-up and
//           unload code.
//   kRun:   calls them, and tells what they returned.
// One at a time: the stand-ins find their way back through a static.
class NarratingLoader final : public LibraryLoader {
 public:
  NarratingLoader(LibraryLoader& loader, SystemInterface& system, DoctorMode mode, RunTrace* trace,
                  RunListener* listener);
  ~NarratingLoader();
  NarratingLoader(const NarratingLoader&) = delete;
  NarratingLoader& operator=(const NarratingLoader&) = delete;

  ModuleHandle LoadLibraryW(const WideChar* path) override;
  EntryPoint GetProcAddress(ModuleHandle module, const char* name) override;
  void FreeLibrary(ModuleHandle module) override;
};

// Answers the run as the library answered a check, without touching it, except
// that its PDFDriverInit returns null: the one outcome a check cannot try.
class ReplayLoader final : public LibraryLoader {
 public:
  explicit ReplayLoader(const RunTrace& trace) : trace_(trace) {}

  ModuleHandle LoadLibraryW(const WideChar* path) override;
  EntryPoint GetProcAddress(ModuleHandle module, const char* name) override;
  void FreeLibrary(ModuleHandle) override {}

 private:
  const RunTrace& trace_;
};
