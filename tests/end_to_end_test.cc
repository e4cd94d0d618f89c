// The built tool against the built stand-in libraries, as an installer would run it:
// the tool copied into a folder, the converter library beside it or in a directory
// given on the command line. Each case checks the exit status, that nothing was
// printed, and the calls the stand-in recorded, so every failure is shown to be
// the expected one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/child_process.h"

namespace {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// UTF-16 units in UTF-8 text: the unit count the tool's limits are given in.
size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if ((value & 0xC0) != 0x80) ++units;  // a lead byte starts a character
    if (value >= 0xF0) ++units;           // past the BMP: a surrogate pair
  }
  return units;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kStart = "start Korvane Internal PDF Converter";
const std::string kEnd = "end 0x5a17c0de00000000";
const std::string kRelease = "{release}";  // how a release by the tool is recorded here

struct EndToEndCase {
  std::string name;
  // {dir} and {other} stand for the two library directories, {sep} for a separator.
  std::vector<std::string> arguments;
  // Stand-in variants, or empty for none: next to the tool, in the two directories,
  // and in a folder the platform's library search covers.
  std::string beside_tool = "";
  std::string in_directory = "";
  std::string in_other_directory = "";
  std::string on_search_path = "";
  std::string directory_name = "lib";
  size_t directory_length = 0;  // when set, {dir} is padded to exactly this many units
  int exit_status = 0;
  std::vector<std::string> journal = {};
  std::string output = "";            // what the library's own runtime prints, if anything
  bool needs_byte_arguments = false;  // not expressible as UTF-16
  bool needs_error_mode = false;      // only Windows has one
};

const std::string k260Units(260, 'd');

const EndToEndCase kCases[] = {
    {.name = "install, library beside the tool",
     .arguments = {},
     .beside_tool = "complete",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "removal with -u",
     .arguments = {"-u"},
     .beside_tool = "complete",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "removal with /u and more text",
     .arguments = {"/uninstall"},
     .beside_tool = "complete",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "install, library exports neither entry point",
     .arguments = {},
     .beside_tool = "no-entry-points",
     .exit_status = 1,
     .journal = {"load no-entry-points", kRelease}},
    {.name = "removal, library exports neither entry point",
     .arguments = {"-u"},
     .beside_tool = "no-entry-points",
     .journal = {"load no-entry-points", kRelease}},
    {.name = "install, start returns null",
     .arguments = {},
     .beside_tool = "null-start",
     .exit_status = 1,
     .journal = {"load null-start", kStart, kRelease}},
    {.name = "removal, start returns null",
     .arguments = {"-u"},
     .beside_tool = "null-start",
     .journal = {"load null-start", kStart, kRelease}},
    {.name = "install, library without DriverEnd",
     .arguments = {},
     .beside_tool = "no-end",
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "removal, library without DriverEnd",
     .arguments = {"-u"},
     .beside_tool = "no-end",
     .exit_status = 1,
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "install, library found along the platform's search",
     .arguments = {},
     .on_search_path = "complete",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "the tool's own folder comes before the platform's search",
     .arguments = {"-u"},
     .beside_tool = "no-end",
     .on_search_path = "complete",
     .exit_status = 1,
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "install, no library anywhere", .arguments = {}, .exit_status = 1},
    {.name = "removal, no library anywhere", .arguments = {"-u"}, .exit_status = 1},
    {.name = "library from a directory",
     .arguments = {"-p:{dir}"},
     .in_directory = "complete",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "removal from a directory",
     .arguments = {"-u", "/p:{dir}"},
     .in_directory = "complete",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "directory with a trailing separator",
     .arguments = {"-p:{dir}{sep}"},
     .in_directory = "complete",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "non-ASCII directory with spaces",
     .arguments = {"-u", "-p:{dir}"},
     .in_directory = "complete",
     .directory_name = "Drücker für PDF 印刷 \xF0\x9F\x96\xA8",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "directory without the library: no fallback to the one beside the tool",
     .arguments = {"-p:{dir}"},
     .beside_tool = "complete",
     .exit_status = 1},
    {.name = "the last directory wins",
     .arguments = {"-p:{other}", "-p:{dir}"},
     .in_directory = "complete",
     .in_other_directory = "no-end",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "-p: with nothing after it uses the default search",
     .arguments = {"-p:"},
     .beside_tool = "complete",
     .journal = {"load complete", kStart, kRelease}},
    {.name = "245-unit directory",
     .arguments = {"-u", "-p:{dir}"},
     .beside_tool = "no-end",
     .in_directory = "complete",
     .directory_length = 245,
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "246-unit directory fails before loading",
     .arguments = {"-p:{dir}"},
     .beside_tool = "complete",
     .directory_length = 246,
     .exit_status = 1},
    {.name = "260 units of directory text are refused",
     .arguments = {"-p:" + k260Units},
     .beside_tool = "complete",
     .exit_status = 1},
    {.name = "a long removal option",
     .arguments = {"-u" + std::string(1000, 'x')},
     .beside_tool = "complete",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "upper-case -U", .arguments = {"-U"}, .beside_tool = "complete", .exit_status = 1},
    {.name = "upper-case -P:",
     .arguments = {"-P:{dir}"},
     .beside_tool = "complete",
     .in_directory = "complete",
     .exit_status = 1},
    {.name = "-p without its colon",
     .arguments = {"-p{dir}"},
     .beside_tool = "complete",
     .in_directory = "complete",
     .exit_status = 1},
    {.name = "directory as a separate argument",
     .arguments = {"-p:", "{dir}"},
     .beside_tool = "complete",
     .in_directory = "complete",
     .exit_status = 1},
    {.name = "removal, then an unknown argument",
     .arguments = {"-u", "bogus"},
     .beside_tool = "complete",
     .exit_status = 1},
    {.name = "three valid arguments",
     .arguments = {"-u", "-u", "-u"},
     .beside_tool = "complete",
     .exit_status = 1},
    {.name = "an empty argument", .arguments = {""}, .beside_tool = "complete", .exit_status = 1},
    {.name = "a lone dash", .arguments = {"-"}, .beside_tool = "complete", .exit_status = 1},
    {.name = "two dashes", .arguments = {"--u"}, .beside_tool = "complete", .exit_status = 1},
    // The working directory holds -ua and -ub: expanded, this would be two arguments
    // and still a removal run, so -u* must also stay one argument when a third follows.
    {.name = "no wildcard expansion",
     .arguments = {"-u*", "-p:{dir}"},
     .in_directory = "complete",
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "an argument that is not UTF-8",
     .arguments = {"-u\xFF"},
     .beside_tool = "complete",
     .exit_status = 1,
     .needs_byte_arguments = true},
    {.name = "the library is loaded with system error dialogs off",
     .arguments = {},
     .beside_tool = "error-mode",
     .journal = {"load error-mode", "error-mode 0x8003", kStart, kRelease},
     .needs_error_mode = true},
};

// A library that faults in its start-up code, in PDFDriverInit or in DriverEnd, in
// every way the stand-in knows, in an install and a removal run. A fault ends the
// run at once with 1: nothing printed, and the journal stops at the call that
// faulted, with no release. An install run never calls DriverEnd, so one that would
// fault there succeeds. And a library that faults when it is released.
std::vector<EndToEndCase> FaultCases() {
  std::vector<EndToEndCase> cases;
  for (const std::string kind :
       {"null-write", "exception", "stack-overflow", "illegal-instruction", "divide-by-zero"}) {
    for (const std::string place : {"load", "start", "end", "release"}) {
      if (place == "release" && kind != "null-write") continue;  // the one such variant
      for (const bool removal : {false, true}) {
        const std::string variant = "fault-" + place + "-" + kind;
        EndToEndCase test = {.name = variant + (removal ? ", removal" : ", install"),
                             .arguments = {},
                             .beside_tool = variant,
                             .exit_status = 1};
        if (removal) test.arguments = {"-u"};
        test.journal = {"load " + variant};
        // Where the loader catches a fault in the start-up code, it unloads the
        // library and the load fails: 1 all the same. Not a stack overflow: the tool
        // ends the process at its first sight, before the loader's handler is asked.
        if (place == "load" && kind != "stack-overflow" && kLoaderCatchesLibraryFaults) {
          test.journal.push_back(kRelease);
        }
        if (place != "load") test.journal.push_back(kStart);
        if (removal && place != "load" && place != "start") test.journal.push_back(kEnd);
        if (place == "end" && !removal) {
          test.journal.push_back(kRelease);
          test.exit_status = 0;
        } else if (place == "release") {
          // Where the loader catches a fault in the unload code, the release returns
          // and the run's own result stands: the driver was started, or ended.
          test.journal.push_back(kRelease);
          if (kLoaderCatchesLibraryFaults) test.exit_status = 0;
        } else if (kind == "exception") {
          test.output = kUncaughtExceptionOutput;
        }
        cases.push_back(test);
      }
    }
  }
  return cases;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    programs_ = TestProgramDirectory();
    // One folder per build, so builds tested side by side never share one.
    const size_t build = std::hash<std::string>{}(Utf8FromPath(programs_));
    root_ = fs::temp_directory_path() / ("pdf-printer-setup-e2e-" + std::to_string(build));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }

  void TearDown() override {
    if (!HasFailure()) fs::remove_all(root_);
  }

  fs::path StandIn(const std::string& variant) const {
    return programs_ / "stand-in" / variant / "cdintf400.dll";
  }

  // A directory under |base| named |name|, or padded out to |length| units.
  static fs::path MakeDirectory(const fs::path& base, const std::string& name, size_t length) {
    fs::path directory = base / PathFromUtf8(name);
    while (length != 0 && Utf16Length(Utf8FromPath(directory)) < length) {
      const size_t missing = length - Utf16Length(Utf8FromPath(directory));
      // Each component costs a separator; never leave a single unit to fill.
      const size_t component = missing <= 101 ? missing - 1 : (missing - 101 < 2 ? 50 : 100);
      directory /= std::string(component, 'd');
    }
    fs::create_directories(directory);
    return directory;
  }

  // Runs the tool as |test| says, in a folder of its own, and checks the outcome.
  void Run(const EndToEndCase& test) {
    SCOPED_TRACE(test.name);
    if (test.needs_byte_arguments && !kArgumentsAreBytes) return;
    if (test.needs_error_mode && !kHasErrorMode) return;
    const fs::path case_directory = root_ / std::to_string(cases_run_++);
    const fs::path app = case_directory / "app";
    fs::create_directories(app);
    fs::copy_file(programs_ / kToolFileName, app / kToolFileName);
    if (!test.beside_tool.empty()) {
      fs::copy_file(StandIn(test.beside_tool), app / "cdintf400.dll");
    }
    const fs::path directory =
        MakeDirectory(case_directory, test.directory_name, test.directory_length);
    if (test.directory_length != 0) {
      ASSERT_EQ(Utf16Length(Utf8FromPath(directory)), test.directory_length);
    }
    if (!test.in_directory.empty()) {
      fs::copy_file(StandIn(test.in_directory), directory / "cdintf400.dll");
    }
    const fs::path other = MakeDirectory(case_directory, "other", 0);
    if (!test.in_other_directory.empty()) {
      fs::copy_file(StandIn(test.in_other_directory), other / "cdintf400.dll");
    }
    std::ofstream(case_directory / "-ua").put('x');
    std::ofstream(case_directory / "-ub").put('x');

    std::vector<std::string> arguments = test.arguments;
    for (std::string& argument : arguments) {
      Replace(argument, "{dir}", Utf8FromPath(directory));
      Replace(argument, "{other}", Utf8FromPath(other));
      Replace(argument, "{sep}", Utf8FromPath(fs::path("/").make_preferred()));
    }
    const fs::path journal = case_directory / "journal.txt";
    const fs::path output = case_directory / "output.txt";
    SetChildEnvironment("CDINTF400_JOURNAL", Utf8FromPath(journal));
    const std::string search_path = EnvironmentValue(kLibrarySearchVariable);
    if (!test.on_search_path.empty()) {
      const fs::path searched = MakeDirectory(case_directory, "searched", 0);
      fs::copy_file(StandIn(test.on_search_path), searched / "cdintf400.dll");
      SetChildEnvironment(kLibrarySearchVariable,
                          Utf8FromPath(searched) +
                              (search_path.empty() ? "" : kLibrarySearchSeparator + search_path));
    }

    const ChildResult result = RunChild(app / kToolFileName, arguments, case_directory, output);
    SetChildEnvironment(kLibrarySearchVariable, search_path);

    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exit_code, test.exit_status);
    // Under Wine, a fault that escaped would show as the debugger's crash dump here.
    EXPECT_EQ(ReadFile(output), test.output) << "the tool printed something";
    std::vector<std::string> expected = test.journal;
    for (std::string& line : expected) Replace(line, kRelease, kReleaseByTool);
    EXPECT_EQ(ReadLines(journal), expected);
  }

  fs::path programs_;
  fs::path root_;
  int cases_run_ = 0;
};

TEST_F(EndToEnd, RunsTheToolAgainstTheStandIn) {
  for (const EndToEndCase& test : kCases) Run(test);
}

TEST_F(EndToEnd, AFaultInTheLibraryEndsTheRunQuietlyWithOne) {
  for (const EndToEndCase& test : FaultCases()) Run(test);
}

}  // namespace
