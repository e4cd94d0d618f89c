// The host's entry point: the arguments as the UTF-16 units Windows would pass,
// converted from UTF-8 as the tool converts them, with room to show long ones.
#include "doctor/doctor.h"
#include "platform/host_arguments.h"

namespace {

HostArguments<64, 4096> arguments;
// Static: large, and the fault observer must find it whatever became of the stack.
Report report;

}  // namespace

int main(int argc, char** argv) {
  ReportFaultsInto(&report, RealSystem());
  const int unreadable = arguments.Convert(argc, argv);
  return RunDoctor({argc, arguments.argv(), arguments.argc(), unreadable, u"pdf-printer-setup"},
                   SystemLibraryLoader(), RealSystem(), &report);
}
