// What the doctor reads of the system the converter library will ask to add its
// printer: the Print Spooler service, the process's rights, the machine, the
// policies and signs that stop a driver installing, and the printers there are.
// Each only reads: the service manager opened for query, registry keys opened for
// reading, printers opened for use. The host has no such system.
#pragma once

#include <stdint.h>

// Whether this platform has a printing system to read at all.
extern const bool kHasPrintingSystem;

// A yes or no that may not be readable.
enum class Reading { kUnknown, kNo, kYes };

enum class SpoolerState {
  kUnknown,  // could not be read
  kRunning,
  kStopped,   // any state but running, including pending
  kDisabled,  // its start type is disabled, whatever its state
  kMissing,   // no such service
};
SpoolerState ReadSpoolerState();

// Whether the process runs elevated; SYSTEM counts as elevated.
Reading ReadElevation();

// The machine's own processor as a PE machine field (IMAGE_FILE_MACHINE_*), not
// the one an emulated x64 process is shown; x64 where Windows cannot say.
uint16_t ReadNativeMachine();

// Whether the policy turns on Windows protected print mode.
Reading ReadProtectedPrint();

enum class RebootSign {
  kNone,
  kPendingFileRenames,  // PendingFileRenameOperations is not empty
  kServicing,           // Component Based Servicing\RebootPending
  kWindowsUpdate,       // WindowsUpdate\Auto Update\RebootRequired
};
RebootSign ReadPendingReboot();

// Whether a local printer of this name exists, as the spooler keeps them;
// kUnknown where that cannot be read.
Reading ReadPrinterPresence(const char* printer_name);
