// The host has no printing system: nothing to read.
#include "doctor_platform/process_rights.h"

Reading ReadElevation() { return Reading::kUnknown; }
