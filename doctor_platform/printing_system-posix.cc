#include "doctor_platform/printing_system.h"

const bool kHasPrintingSystem = false;
