// The host has no printing system: nothing to read.
#include "doctor_platform/printers.h"

Reading ReadPrinterPresence(const char*) { return Reading::kUnknown; }
