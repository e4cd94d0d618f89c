// The host's entry point: hands the tool its arguments as the UTF-16 units Windows
// would, converted from UTF-8 into fixed buffers.
#include "cli/command_line.h"
#include "driver/exit_status.h"
#include "platform/fault_exit.h"
#include "platform/utf8.h"

namespace {

// Room for an option's three leading units, a directory one unit longer than can be
// stored, and a terminator. A longer argument is cut to this without changing what
// the parser decides: a directory option is refused either way, and the removal
// option ignores whatever follows its letter.
constexpr size_t kArgumentCapacity = 3 + kPathCapacity + 1;

}  // namespace

int main(int argc, char** argv) {
  ExitOnFault(kExitFailure);
  // Checked first, as the parser does, so there are buffers for every argument.
  if (argc > kMaxArgumentCount) return kExitFailure;
  char16_t arguments[kMaxArgumentCount - 1][kArgumentCapacity];
  const char16_t* wide_argv[kMaxArgumentCount] = {u""};  // the program name is never read
  for (int index = 1; index < argc; ++index) {
    char16_t* argument = arguments[index - 1];
    if (Utf8ToUtf16(argv[index], argument, kArgumentCapacity) == Utf8Conversion::kInvalid) {
      return kExitFailure;
    }
    wide_argv[index] = argument;
  }
  return RunCommandLine(argc, wide_argv, SystemLibraryLoader());
}
