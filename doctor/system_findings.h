// What the printing system says about whether PDFDriverInit can add its printer,
// and whether a run did to the printers what it said. The library decides what it
// asks of the system; these only read the system and explain what they read.
#pragma once

#include "doctor/report.h"
#include "doctor/run_trace.h"
#include "doctor/system_interface.h"

// Before the run: the spooler, the rights, the machine, the policies, and with
// --run whether the printer is there already.
void ReadSystemBefore(SystemInterface& system, Report* report);
// After the run: whether the printer is there now.
void ReadSystemAfter(SystemInterface& system, Report* report);

// The findings of what was read, after the loader's.
void ExplainSystem(RunOutcome outcome, Report* report);

// The likeliest reason the system gives for PDFDriverInit to fail, in words ("the
// Print Spooler service is disabled"), or null when it gives none. |errors_only|:
// only a reason that stops every printer driver install.
const char* SystemCause(const Report& report, bool errors_only);

// A PE machine field as the report names it: "x64", "ARM64", "x86 (32-bit)", as
// the library findings name a library's.
void AddMachine(uint16_t machine, Text& out);
