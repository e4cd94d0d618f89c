// pdf-printer-doctor: tells why pdf-printer-setup exits 1 on this machine with a
// given command line. It drives the tool's own parser and run, so every decision
// it reports is the tool's.
#pragma once

#include "doctor/report.h"
#include "doctor/system_interface.h"
#include "platform/library_loader.h"
#include "platform/wide_string.h"

struct DoctorInput {
  int argc;                     // the true count of the doctor's arguments
  const WideChar* const* argv;  // as the tool would read them; |kept| of them
  int kept;
  int unreadable_argument;         // on the host, the first that is not UTF-8, or 0
  const WideChar* tool_file_name;  // the tool's program file on this platform
};

constexpr int kDoctorUsageError = 2;

// The entry point's first call: the tool's fault exit, with |report| told of any
// fault, as far as it got, before the fault exit ends the process.
void ReportFaultsInto(Report* report, SystemInterface& system);

// Runs the doctor through |loader| and |system| into |report|, which starts empty,
// and writes the report. Returns 0 when no finding is an error, 1 when one is
// (with --run, the tool's own exit status), 2 for the doctor's own usage errors.
int RunDoctor(const DoctorInput& input, LibraryLoader& loader, SystemInterface& system,
              Report* report);
