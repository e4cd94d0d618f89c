// The Windows fault handling, each case in a child process of its own.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include "platform/fault_exit.h"

namespace {

TEST(ExitOnFault, AddsTheDialogFreeModesToTheCallers) {
  // The one error mode bit the tool does not set itself. Wine does not hand the
  // error mode on to child processes, so this is checked in one process.
  const auto report_mode = [] {
    SetErrorMode(SEM_NOALIGNMENTFAULTEXCEPT);
    ExitOnFault(1);
    fprintf(stderr, "%#x", GetErrorMode());
    _exit(0);
  };
  EXPECT_EXIT(report_mode(), ::testing::ExitedWithCode(0), "^0x8007$");
}

TEST(ExitOnFault, LeavesAnExceptionThatIsHandledAlone) {
  // A C++ throw is raised as an SEH exception here too: the handlers must let its
  // catch have it.
  const auto throw_and_catch = [] {
    ExitOnFault(1);
    try {
      throw 5;
    } catch (int thrown) {
      _exit(thrown);
    }
  };
  EXPECT_EXIT(throw_and_catch(), ::testing::ExitedWithCode(5), "^$");
}

TEST(ExitOnFault, EndsAnUnhandledExceptionQuietlyWithTheStatus) {
  const auto raise_unhandled = [] {
    ExitOnFault(1);
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    _exit(4);
  };
  EXPECT_EXIT(raise_unhandled(), ::testing::ExitedWithCode(1), "^$");
}

}  // namespace
