// The host has no printing system: nothing to read.
#include "doctor_platform/policies.h"

Reading ReadProtectedPrint() { return Reading::kUnknown; }
RebootSign ReadPendingReboot() { return RebootSign::kNone; }
