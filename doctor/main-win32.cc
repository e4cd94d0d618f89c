#include "doctor/doctor.h"

// Arguments reach the doctor exactly as they would reach the tool: no wildcard
// expansion by the runtime.
extern "C" {
int _dowildcard = 0;
}

namespace {

// Static: large, and the fault observer must find it whatever became of the stack.
Report report;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ReportFaultsInto(&report, RealSystem());
  return RunDoctor({argc, argv, argc, 0, L"pdf-printer-setup.exe"}, SystemLibraryLoader(),
                   RealSystem(), &report);
}
