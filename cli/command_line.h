// The command line: -u or /u removes the printer, -p:DIR or /p:DIR loads the
// converter library from DIR. At most two arguments.
#pragma once

#include "platform/library_loader.h"
#include "platform/wide_string.h"

struct CommandOptions {
  // Set by the removal option: end the driver instead of leaving it installed.
  bool RemoveDriver;
  // Where to load the converter library from; empty for the platform's default search.
  WideChar LibraryDirectory[kPathCapacity];
};

// The program's own name and at most two arguments.
constexpr int kMaxArgumentCount = 3;

// Fills |options| from the argument vector, whose element 0, the program name, is
// never looked at. False when the command line is rejected.
bool ParseCommandLine(int argc, const WideChar* const* argv, CommandOptions* options);

// The whole tool: parses the command line, runs the printer driver with |loader|
// and returns the exit status.
int RunCommandLine(int argc, const WideChar* const* argv, LibraryLoader& loader);
