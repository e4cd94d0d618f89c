#include "cli/command_line.h"

#include "driver/exit_status.h"
#include "driver/printer_driver.h"

namespace {

bool IsOptionIntroducer(WideChar unit) { return unit == '-' || unit == '/'; }

bool Reject(CommandLineRejection* rejection, int argument, RejectionReason reason,
            const WideChar* directory = nullptr) {
  if (rejection != nullptr) *rejection = {argument, reason, directory};
  return false;
}

}  // namespace

// Never inlined: the tool's call would get a copy of its own, and the unwind
// tables of a Windows program keep the out-of-line copy too.
[[gnu::noinline]] bool ParseCommandLine(int argc, const WideChar* const* argv,
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

int RunCommandLine(int argc, const WideChar* const* argv, LibraryLoader& loader) {
  CommandOptions options;
  if (!ParseCommandLine(argc, argv, &options)) return kExitFailure;
  return RunPrinterDriver(options, loader);
}
