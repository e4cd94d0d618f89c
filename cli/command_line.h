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

// Why the parser refused a command line.
enum class RejectionReason {
  kTooManyArguments,  // more than two arguments: none of them was looked at
  kNotAnOption,       // an argument that fits neither option
  kDirectoryTooLong,  // a directory option whose text does not fit LibraryDirectory
};

// Which argument the parser refused, and why. The tool itself never asks: this is
// for whoever has to explain the refusal.
struct CommandLineRejection {
  // The index in the argument vector of the argument refused; for too many
  // arguments, the first one past the limit.
  int argument;
  RejectionReason reason;
  // kDirectoryTooLong: the directory text, as it follows the colon.
  const WideChar* directory;
};

// Fills |options| from the argument vector, whose element 0, the program name, is
// never looked at. False when the command line is rejected.
bool ParseCommandLine(int argc, const WideChar* const* argv, CommandOptions* options);
// The same, by the same rules, and when it rejects the command line it says where
// and why in |rejection|. The tool never asks.
bool ParseCommandLine(int argc, const WideChar* const* argv, CommandOptions* options,
                      CommandLineRejection* rejection);

// The whole tool: parses the command line, runs the printer driver with |loader|
// and returns the exit status.
int RunCommandLine(int argc, const WideChar* const* argv, LibraryLoader& loader);
