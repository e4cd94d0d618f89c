// The printers there are.
#pragma once

#include "doctor_platform/printing_system.h"

// Whether a local printer of this name exists, as the spooler keeps them;
// kUnknown where that cannot be read.
Reading ReadPrinterPresence(const char* printer_name);
