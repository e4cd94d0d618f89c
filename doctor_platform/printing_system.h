// The system the converter library will ask to add its printer, as the doctor
// reads it: the Print Spooler (spooler.h), the process's rights
// (process_rights.h), the machine (native_machine.h), the policies and signs that
// stop a driver installing (policies.h), and the printers there are (printers.h).
// Each only reads: the service manager opened for query, registry keys opened for
// reading. The host has no such system.
#pragma once

// Whether this platform has a printing system to read at all.
extern const bool kHasPrintingSystem;

// A yes or no that may not be readable.
enum class Reading { kUnknown, kNo, kYes };
