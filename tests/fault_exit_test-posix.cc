// The host's fault handler, each case in a child process of its own: a fault in a
// loaded library ends the process with the given status and says nothing, whoever
// watched before; a fault the processor raises in the program's own code goes to
// the handler that was there before, so a sanitizer still reports it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/fault_exit.h"

namespace {

volatile uintptr_t null_address = 0;

__attribute__((no_sanitize("address", "undefined"), noinline)) void WriteThroughNullHere() {
  *reinterpret_cast<volatile int*>(null_address) = 1;
}

void WriteThroughNullInALibrary() {
  const std::filesystem::path library_file =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "stand-in" /
      "fault-start-null-write" / "cdintf400.dll";
  void* library = dlopen(library_file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) _exit(3);
  const auto start = reinterpret_cast<void* (*)(char*)>(dlsym(library, "PDFDriverInit"));
  if (start == nullptr) _exit(3);
  char printer_name[] = "printer";
  start(printer_name);
}

void EarlierHandler(int) {
  const char message[] = "earlier handler\n";
  static_cast<void>(write(STDERR_FILENO, message, sizeof message - 1));
  _exit(7);
}

enum class Fault { kInALibrary, kInOwnCode, kAbortInOwnCode };

struct FaultExitCase {
  const char* name;
  bool earlier_handler;  // one of the test's own, else none at all
  Fault fault;
  int exit_status;
  const char* output;  // a regular expression for all of standard error
};

const FaultExitCase kCases[] = {
    {"a library's fault ends the process quietly", false, Fault::kInALibrary, 1, "^$"},
    {"... whoever watched before", true, Fault::kInALibrary, 1, "^$"},
    {"a fault in own code, with nobody watching before, too", false, Fault::kInOwnCode, 1, "^$"},
    {"a fault in own code goes to the earlier handler", true, Fault::kInOwnCode, 7,
     "^earlier handler\n$"},
    {"an abort, raised inside the C library, ends quietly", true, Fault::kAbortInOwnCode, 1, "^$"},
};

void RunCase(const FaultExitCase& test) {
  struct sigaction earlier = {};
  earlier.sa_handler = test.earlier_handler ? EarlierHandler : SIG_DFL;
  sigemptyset(&earlier.sa_mask);
  sigaction(SIGSEGV, &earlier, nullptr);  // replaces a sanitizer's too
  sigaction(SIGABRT, &earlier, nullptr);
  ExitOnFault(1);
  switch (test.fault) {
    case Fault::kInALibrary:
      WriteThroughNullInALibrary();
      break;
    case Fault::kInOwnCode:
      WriteThroughNullHere();
      break;
    case Fault::kAbortInOwnCode:
      abort();
  }
  _exit(4);  // the fault did not happen
}

TEST(ExitOnFault, EndsQuietlyUnlessTheFaultIsOwnCodeSomeoneWatched) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const FaultExitCase& test : kCases) {
    SCOPED_TRACE(test.name);
    EXPECT_EXIT(RunCase(test), ::testing::ExitedWithCode(test.exit_status), test.output);
  }
}

}  // namespace
