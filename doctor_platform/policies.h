// What the machine's configuration says against installing a printer driver now:
// the protected-print policy, and the signs of a pending reboot. Read from the
// registry, opened for reading.
#pragma once

#include "doctor_platform/printing_system.h"

// Whether the policy turns on Windows protected print mode, which admits only
// Windows' own class driver.
Reading ReadProtectedPrint();

enum class RebootSign {
  kNone,
  kPendingFileRenames,  // PendingFileRenameOperations is not empty
  kServicing,           // Component Based Servicing\RebootPending
  kWindowsUpdate,       // WindowsUpdate\Auto Update\RebootRequired
};
// The first sign of a pending reboot found, in that order.
RebootSign ReadPendingReboot();
