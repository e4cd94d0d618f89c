// Which missing DLLs the doctor calls part of the Visual C++ runtime: the
// difference between "install the Redistributable" and "this is a debug build".
#include <gtest/gtest.h>

#include "doctor/library_findings.h"

namespace {

struct RuntimeCase {
  const char* name;
  RuntimeKind kind;
};

const RuntimeCase kCases[] = {
    {"vcruntime140.dll", RuntimeKind::kRelease},
    {"VCRUNTIME140_1.dll", RuntimeKind::kRelease},
    {"msvcp140.dll", RuntimeKind::kRelease},
    {"msvcp140_codecvt_ids.dll", RuntimeKind::kRelease},
    {"mfc140u.dll", RuntimeKind::kRelease},
    {"msvcr120.dll", RuntimeKind::kRelease},
    {"ucrtbase.dll", RuntimeKind::kRelease},
    {"vcruntime140d.dll", RuntimeKind::kDebug},
    {"msvcp140_1d.dll", RuntimeKind::kDebug},
    {"mfc140ud.dll", RuntimeKind::kDebug},
    {"MSVCR120D.DLL", RuntimeKind::kDebug},
    {"ucrtbased.dll", RuntimeKind::kDebug},
    {"kernel32.dll", RuntimeKind::kNone},
    {"companion.dll", RuntimeKind::kNone},
    {"msvcrt.dll", RuntimeKind::kNone},  // Windows' own C runtime, no version digits
    {"mfcdialogs.dll", RuntimeKind::kNone},
    {"vcruntime140.txt", RuntimeKind::kNone},
    {"", RuntimeKind::kNone},
};

TEST(VisualCppRuntime, TellsReleaseFromDebugByName) {
  for (const RuntimeCase& test : kCases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(VisualCppRuntime(test.name), test.kind);
  }
}

}  // namespace
