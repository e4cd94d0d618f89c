// The rights the process runs with: adding a printer driver needs an administrator's.
#pragma once

#include "doctor_platform/printing_system.h"

// Whether the process runs elevated; SYSTEM counts as elevated.
Reading ReadElevation();
