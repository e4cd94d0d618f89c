// A DLL the stand-in can need in turn, as a converter library needs its runtime
// or helper DLLs: the loader must find it before the stand-in loads.
#include "stand_in/platform.h"

STAND_IN_EXPORT int CompanionValue() { return 1; }
