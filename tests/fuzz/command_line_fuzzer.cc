// Drives the whole tool, parser and run, with any argument vector of 16-bit units
// and any behaviour of the converter library, and checks on every input what must
// always hold: a 0 or 1 result, at most one library path and the right one, the
// end entry point only after a successful start in a removal run, and exactly one
// release after a successful load, as the last call.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/recording_loader.h"
#include "tests/wide_text.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  fprintf(stderr, "broken: %s\n", what);
  abort();
}

bool IsIntroducer(char16_t unit) { return unit == u'-' || unit == u'/'; }

// What the command line asks for, read straight from the option rules.
struct Request {
  bool accepted = true;
  bool remove = false;
  std::u16string directory;
  // When refused: which argument, and why.
  int refused = 0;
  RejectionReason reason = RejectionReason::kNotAnOption;
};

Request ReadRequest(const std::vector<std::u16string>& arguments) {
  Request request;
  if (arguments.size() > 2) {
    return {.accepted = false, .refused = 3, .reason = RejectionReason::kTooManyArguments};
  }
  int index = 0;
  for (const std::u16string& argument : arguments) {
    ++index;
    if (argument.size() >= 2 && IsIntroducer(argument[0]) && argument[1] == u'u') {
      request.remove = true;
    } else if (argument.size() >= 3 && IsIntroducer(argument[0]) && argument[1] == u'p' &&
               argument[2] == u':') {
      if (argument.size() - 3 >= kPathCapacity) {
        return {.accepted = false, .refused = index, .reason = RejectionReason::kDirectoryTooLong};
      }
      request.directory = argument.substr(3);
    } else {
      return {.accepted = false, .refused = index};
    }
  }
  return request;
}

size_t Count(const std::vector<std::string>& calls, const std::string& prefix) {
  return static_cast<size_t>(std::count_if(
      calls.begin(), calls.end(),
      [&](const std::string& call) { return call.compare(0, prefix.size(), prefix) == 0; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t behaviour = data[0];
  const std::vector<std::u16string> arguments = DecodeArguments(data + 1, size - 1);

  RecordingLoader loader;
  loader.library_loads = behaviour & kLibraryLoads;
  loader.exports_start = behaviour & kLibraryExportsStart;
  loader.exports_end = behaviour & kLibraryExportsEnd;
  const bool start_succeeds = behaviour & kLibraryStartSucceeds;
  if (!start_succeeds) loader.start_returns = nullptr;

  const ArgumentVector argv(arguments);
  const int result = RunCommandLine(argv.argc(), argv.argv(), loader);
  const std::vector<std::string>& calls = loader.calls;

  Check(result == 0 || result == 1, "the result is 0 or 1");
  for (const std::string& call : calls)
    Check(call.find("wrong module") == std::string::npos, "calls go to the loaded module");

  const Request request = ReadRequest(arguments);
  CommandOptions options;
  CommandLineRejection rejection = {};
  Check(ParseCommandLine(argv.argc(), argv.argv(), &options, &rejection) == request.accepted,
        "the parser accepts what the rules accept");
  if (!request.accepted) {
    Check(rejection.argument == request.refused && rejection.reason == request.reason,
          "the parser names the argument it refused, and why");
  }
  if (!request.accepted || request.directory.size() > 245) {
    Check(result == 1 && calls.empty(),
          "a refused command line or directory loads nothing and fails");
    return 0;
  }

  const std::u16string path =
      request.directory.empty() ? u"cdintf400.dll" : request.directory + u"\\cdintf400.dll";
  Check(path.size() <= 259, "the path fits 260 units");
  Check(Count(calls, "load ") == 1, "the library is loaded once");
  Check(calls.front() == "load " + Readable(path),
        "the path is the bare name or directory + \\cdintf400.dll");

  if (!loader.library_loads) {
    Check(calls.size() == 1 && result == 1, "a failed load ends the run with 1, nothing released");
    return 0;
  }
  Check(Count(calls, "release") == 1 && calls.back() == "release", "one release, the last call");

  const bool started = loader.exports_start && start_succeeds;
  Check(Count(calls, "start ") == (loader.exports_start ? 1u : 0u),
        "the start entry point is called once when found");
  const size_t ends = Count(calls, "end ");
  Check(ends <= 1, "the end entry point is called at most once");
  if (ends == 1) {
    Check(request.remove && started, "DriverEnd only in a removal run after a non-null start");
    Check(std::find(calls.begin(), calls.end(), "end 0x5a17c0de00000000") != calls.end(),
          "DriverEnd gets the handle whole");
  }
  if (!request.remove) {
    Check(Count(calls, "resolve DriverEnd") == 0, "an install run never asks for DriverEnd");
    Check(result == (started ? 0 : 1), "an install run succeeds exactly when the driver started");
  } else {
    Check(ends == (started && loader.exports_end ? 1u : 0u),
          "a started driver is ended when it can be");
    Check(result == (started && !loader.exports_end ? 1 : 0),
          "removal fails only when a started driver cannot be ended");
  }
  return 0;
}
