// The host has no printing system: nothing to read.
#include "doctor_platform/native_machine.h"

uint16_t ReadNativeMachine() { return 0; }
