#include "doctor/doctor.h"

// Arguments reach the doctor exactly as they would reach the tool: no wildcard
// expansion by the runtime.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) {
  return RunDoctor({argc, argv, argc, 0, L"pdf-printer-setup.exe"});
}
