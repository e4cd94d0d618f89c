// What is wrong with a command line the tool rejects, and what is risky in one it
// takes. The tool's parser decides; these only explain its decision.
#pragma once

#include "cli/command_line.h"
#include "doctor/report.h"
#include "doctor/system_interface.h"

// The finding for a command line that ParseCommandLine rejected, from the
// parser's own |rejection|, with advice on what was most likely meant. |argc| is
// the true count, |kept| how many of |argv| are there to read.
void ExplainRejectedCommandLine(const CommandLineRejection& rejection, int argc, int kept,
                                const WideChar* const* argv, Report* report);

// What may be wrong with an accepted command line's directory before anything is
// loaded: a quote left in it by a quoting slip, or a relative path.
void ExplainDirectory(SystemInterface& system, const CommandOptions& options, Report* report);

// For a run that ended before asking for the library at all: the directory left
// no room for the library's file name.
void ExplainDirectoryTooLong(const CommandOptions& options, Report* report);
