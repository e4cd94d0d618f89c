#include "cli/command_line.h"
#include "driver/exit_status.h"
#include "platform/fault_exit.h"

// Arguments reach the tool as typed: no wildcard expansion by the runtime.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) {
  ExitOnFault(kExitFailure);
  return RunCommandLine(argc, argv, SystemLibraryLoader());
}
