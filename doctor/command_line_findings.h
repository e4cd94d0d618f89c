// What is wrong with a command line the tool rejects, and what is risky in one it
// takes. The tool's parser decides; these only explain its decision.
#pragma once

#include "cli/command_line.h"
#include "doctor/report.h"

// The finding for a command line that ParseCommandLine rejected: which argument,
// and why. |argc| is the true count, |kept| how many of |argv| are there to read.
void ExplainRejectedCommandLine(int argc, int kept, const WideChar* const* argv, Report* report);

// What may be wrong with an accepted command line's directory before anything is
// loaded: a quote left in it by a quoting slip, or a relative path.
void ExplainDirectory(const CommandOptions& options, Report* report);

// Why a run ended before asking for the library at all: a directory with no room
// left for the library's file name.
void ExplainDirectoryTooLong(const CommandOptions& options, Report* report);
