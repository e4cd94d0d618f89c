#include "cli/command_line.h"

// Arguments reach the tool as typed: no wildcard expansion by the runtime.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) { return RunCommandLine(argc, argv, SystemLibraryLoader()); }
