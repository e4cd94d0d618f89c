// What the doctor asks of the operating system beyond the tool's own loader: an
// interface, so that tests can drive the doctor in-process with a fake that plays
// machines they cannot make.
#pragma once

#include <stddef.h>

#include "doctor_platform/fault_report.h"
#include "doctor_platform/file_probe.h"
#include "doctor_platform/library_search.h"
#include "doctor_platform/load_error.h"
#include "doctor_platform/native_machine.h"
#include "doctor_platform/output.h"
#include "doctor_platform/policies.h"
#include "doctor_platform/printers.h"
#include "doctor_platform/printing_system.h"
#include "doctor_platform/process_rights.h"
#include "doctor_platform/spooler.h"
#include "doctor_platform/watchdog.h"
#include "platform/library_loader.h"
#include "platform/wide_string.h"

class SystemInterface {
 public:
  // The loader: why the last load failed, the file a loaded library came from, the
  // folders a bare name is looked for in, names it needs no file for.
  virtual LoadError TakeLoadError() = 0;
  virtual bool LoadedFrom(ModuleHandle module, WideChar* path, size_t capacity) = 0;
  virtual size_t LibrarySearchFolders(SearchFolder* folders, size_t capacity) = 0;
  virtual bool ProgramFolder(WideChar* path, size_t capacity) = 0;
  virtual bool IsProvidedWithoutFile(const WideChar* name) = 0;
  // Files, read only.
  virtual bool FileVersion(const WideChar* path, char* text, size_t capacity) = 0;
  virtual PathKind ProbePath(const WideChar* path) = 0;
  virtual bool MapFile(const WideChar* path, FileView* view) = 0;
  virtual void UnmapFile(const FileView& view) = 0;
  // The last fault raised in the process since the last call, handled or not.
  virtual bool TakeWatchedFault(Fault* fault) = 0;
  // Where the report goes. Safe in a fault observer.
  virtual void WriteOutput(OutputStream stream, const char* text, size_t length) = 0;
  // The printing system, read only; see printing_system.h and the headers it names.
  virtual bool HasPrintingSystem() = 0;
  virtual SpoolerState ReadSpoolerState() = 0;
  virtual Reading ReadElevation() = 0;
  virtual uint16_t ReadNativeMachine() = 0;
  virtual Reading ReadProtectedPrint() = 0;
  virtual RebootSign ReadPendingReboot() = 0;
  virtual Reading ReadPrinterPresence(const char* printer_name) = 0;
  // The time limit on each call into the library; see watchdog.h.
  virtual bool StartWatchdog(unsigned seconds, HangObserver observer) = 0;
  virtual void ArmWatchdog() = 0;
  virtual void DisarmWatchdog() = 0;

 protected:
  ~SystemInterface() = default;
};

// The real one, over doctor_platform/.
SystemInterface& RealSystem();
