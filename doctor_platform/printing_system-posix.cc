#include "doctor_platform/printing_system.h"

const bool kHasPrintingSystem = false;

SpoolerState ReadSpoolerState() { return SpoolerState::kUnknown; }
Reading ReadElevation() { return Reading::kUnknown; }
uint16_t ReadNativeMachine() { return 0; }
Reading ReadProtectedPrint() { return Reading::kUnknown; }
RebootSign ReadPendingReboot() { return RebootSign::kNone; }
Reading ReadPrinterPresence(const char*) { return Reading::kUnknown; }
