// The host has no printing system: nothing to read.
#include "doctor_platform/spooler.h"

SpoolerState ReadSpoolerState() { return SpoolerState::kUnknown; }
