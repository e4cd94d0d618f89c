#include "cli/command_line.h"

#include "cli/parse_rules.h"
#include "driver/exit_status.h"
#include "driver/printer_driver.h"

// Not inlined into RunCommandLine: a Windows program's unwind tables would keep
// this out-of-line copy as well.
[[gnu::noinline]] bool ParseCommandLine(int argc, const WideChar* const* argv,
                                        CommandOptions* options) {
  return parse_rules::Parse(argc, argv, options, nullptr);
}

int RunCommandLine(int argc, const WideChar* const* argv, LibraryLoader& loader) {
  CommandOptions options;
  if (!ParseCommandLine(argc, argv, &options)) return kExitFailure;
  return RunPrinterDriver(options, loader);
}
