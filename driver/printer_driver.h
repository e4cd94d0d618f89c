// One run against the converter library: load it, start its PDF printer driver,
// end the driver in a removal run, release the library.
#pragma once

#include <stdint.h>

#include "cli/command_line.h"
#include "driver/converter_library.h"
#include "platform/library_loader.h"
#include "platform/wide_string.h"

struct DriverRunState {
  ModuleHandle Library;
  // What PDFDriverInit returned: opaque, pointer-sized, only ever tested against
  // null and handed back to DriverEnd whole.
  void* DriverHandle;
  // S_OK when PDFDriverInit was found and returned a handle, E_FAIL otherwise.
  int32_t Status;
  // The directory with the library's file name appended; unused for the default search.
  WideChar LibraryPath[kPathCapacity];
  // The run's own writable copy of the printer name: the library may write to it.
  char PrinterName[sizeof kPrinterName];
};

// Returns the exit status.
int RunPrinterDriver(const CommandOptions& options, LibraryLoader& loader);
