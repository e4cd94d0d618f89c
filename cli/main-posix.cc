// The host's entry point: hands the tool its arguments as the UTF-16 units Windows
// would, converted from UTF-8 into fixed buffers.
#include "cli/command_line.h"
#include "driver/exit_status.h"
#include "platform/fault_exit.h"
#include "platform/host_arguments.h"

int main(int argc, char** argv) {
  ExitOnFault(kExitFailure);
  // Checked first, as the parser does, so there are buffers for every argument.
  if (argc > kMaxArgumentCount) return kExitFailure;
  HostArguments<kMaxArgumentCount - 1> arguments;
  if (arguments.Convert(argc, argv) != 0) return kExitFailure;
  return RunCommandLine(arguments.argc(), arguments.argv(), SystemLibraryLoader());
}
