// Apart from command_line.cc, so that the tool, which never asks why, links none of
// it: a static library's object file is linked only where it is needed.
#include "cli/command_line.h"
#include "cli/parse_rules.h"

bool ParseCommandLine(int argc, const WideChar* const* argv, CommandOptions* options,
                      CommandLineRejection* rejection) {
  return parse_rules::Parse(argc, argv, options, rejection);
}
