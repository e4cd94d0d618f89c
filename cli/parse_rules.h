// The parser's rules, in one place for both ParseCommandLine overloads. Always
// inlined, so each is compiled for its own caller: the tool's, which never asks
// why a command line was refused, carries no code for telling it.
#pragma once

#include "cli/command_line.h"

namespace parse_rules {

inline bool IsOptionIntroducer(WideChar unit) { return unit == '-' || unit == '/'; }

[[gnu::always_inline]] inline bool Reject(CommandLineRejection* rejection, int argument,
                                          RejectionReason reason,
                                          const WideChar* directory = nullptr) {
  if (rejection != nullptr) *rejection = {argument, reason, directory};
  return false;
}

[[gnu::always_inline]] inline bool Parse(int argc, const WideChar* const* argv,
                                         CommandOptions* options, CommandLineRejection* rejection) {
  if (argc > kMaxArgumentCount) {
    return Reject(rejection, kMaxArgumentCount, RejectionReason::kTooManyArguments);
  }
  options->RemoveDriver = false;
  options->LibraryDirectory[0] = 0;
  for (int index = 1; index < argc; ++index) {
    // Each test reads the next unit only after the one before it matched, so no
    // unit past an argument's terminator is ever read.
    const WideChar* argument = argv[index];
    if (!IsOptionIntroducer(argument[0])) {
      return Reject(rejection, index, RejectionReason::kNotAnOption);
    }
    if (argument[1] == 'u') {
      options->RemoveDriver = true;  // whatever follows the letter is ignored
      continue;
    }
    if (argument[1] == 'p' && argument[2] == ':') {
      const WideChar* directory = argument + 3;
      // Refuse what cannot fit before copying: some runtimes end the process on
      // an overflowing wcscpy_s instead of returning an error.
      if (BoundedLength(directory, kPathCapacity) == kPathCapacity ||
          platform::wcscpy_s(options->LibraryDirectory, kPathCapacity, directory) != 0) {
        return Reject(rejection, index, RejectionReason::kDirectoryTooLong, directory);
      }
      continue;
    }
    return Reject(rejection, index, RejectionReason::kNotAnOption);
  }
  return true;
}

}  // namespace parse_rules
