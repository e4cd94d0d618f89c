// The built tool against the built stand-in libraries, as an installer would run it:
// the tool copied into a folder, the converter library beside it or in a directory
// given on the command line. Each case checks the exit status, that nothing was
// printed, and the calls the stand-in recorded, so every failure is shown to be
// the expected one. Each case then runs the doctor beside the tool, which must
// agree with what the tool did.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/case_name.h"
#include "tests/doctor_report.h"
#include "tests/staging.h"

namespace {

// Whether this build has the doctor, whose agreement with the tool each case checks.
constexpr bool kWithDoctor = WITH_DOCTOR;

const std::string kStart = "start Korvane Internal PDF Converter";
const std::string kEnd = "end 0x5a17c0de00000000";
const std::string kRelease = "{release}";  // how a release by the tool is recorded here

struct EndToEndCase {
  std::string name;
  // {dir} and {other} stand for the two library directories, {sep} for a separator.
  std::vector<std::string> arguments;
  Layout layout = {};
  int exit_status = 0;
  std::vector<std::string> journal = {};
  std::string output = "";            // what the library's own runtime prints, if anything
  std::string fault_during = "";      // where the library faults, as the doctor names it
  bool needs_byte_arguments = false;  // not expressible as UTF-16
  bool needs_error_mode = false;      // only Windows has one
  bool start_returns_null = false;    // the library's PDFDriverInit returns null
};

void PrintTo(const EndToEndCase& test, std::ostream* out) { *out << test.name; }

const std::string k260Units(260, 'd');

const EndToEndCase kCases[] = {
    {.name = "install, library beside the tool",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "removal with -u",
     .arguments = {"-u"},
     .layout = {.beside_tool = "complete"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "removal with /u and more text",
     .arguments = {"/uninstall"},
     .layout = {.beside_tool = "complete"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "install, library exports neither entry point",
     .arguments = {},
     .layout = {.beside_tool = "no-entry-points"},
     .exit_status = 1,
     .journal = {"load no-entry-points", kRelease}},
    {.name = "removal, library exports neither entry point",
     .arguments = {"-u"},
     .layout = {.beside_tool = "no-entry-points"},
     .journal = {"load no-entry-points", kRelease}},
    {.name = "install, start returns null",
     .arguments = {},
     .layout = {.beside_tool = "null-start"},
     .exit_status = 1,
     .journal = {"load null-start", kStart, kRelease},
     .start_returns_null = true},
    {.name = "removal, start returns null",
     .arguments = {"-u"},
     .layout = {.beside_tool = "null-start"},
     .journal = {"load null-start", kStart, kRelease},
     .start_returns_null = true},
    {.name = "install, library without DriverEnd",
     .arguments = {},
     .layout = {.beside_tool = "no-end"},
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "removal, library without DriverEnd",
     .arguments = {"-u"},
     .layout = {.beside_tool = "no-end"},
     .exit_status = 1,
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "install, library found along the platform's search",
     .arguments = {},
     .layout = {.on_search_path = "complete"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "the tool's own folder comes before the platform's search",
     .arguments = {"-u"},
     .layout = {.beside_tool = "no-end", .on_search_path = "complete"},
     .exit_status = 1,
     .journal = {"load no-end", kStart, kRelease}},
    {.name = "install, no library anywhere", .arguments = {}, .exit_status = 1},
    {.name = "removal, no library anywhere", .arguments = {"-u"}, .exit_status = 1},
    {.name = "library from a directory",
     .arguments = {"-p:{dir}"},
     .layout = {.in_directory = "complete"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "removal from a directory",
     .arguments = {"-u", "/p:{dir}"},
     .layout = {.in_directory = "complete"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "directory with a trailing separator",
     .arguments = {"-p:{dir}{sep}"},
     .layout = {.in_directory = "complete"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "non-ASCII directory with spaces",
     .arguments = {"-u", "-p:{dir}"},
     .layout = {.in_directory = "complete",
                .directory_name = "Drücker für PDF 印刷 \xF0\x9F\x96\xA8"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "directory without the library: no fallback to the one beside the tool",
     .arguments = {"-p:{dir}"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "the last directory wins",
     .arguments = {"-p:{other}", "-p:{dir}"},
     .layout = {.in_directory = "complete", .in_other_directory = "no-end"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "-p: with nothing after it uses the default search",
     .arguments = {"-p:"},
     .layout = {.beside_tool = "complete"},
     .journal = {"load complete", kStart, kRelease}},
    {.name = "245-unit directory",
     .arguments = {"-u", "-p:{dir}"},
     .layout = {.beside_tool = "no-end", .in_directory = "complete", .directory_length = 245},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "246-unit directory fails before loading",
     .arguments = {"-p:{dir}"},
     .layout = {.beside_tool = "complete", .directory_length = 246},
     .exit_status = 1},
    {.name = "260 units of directory text are refused",
     .arguments = {"-p:" + k260Units},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "a long removal option",
     .arguments = {"-u" + std::string(1000, 'x')},
     .layout = {.beside_tool = "complete"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "upper-case -U",
     .arguments = {"-U"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "upper-case -P:",
     .arguments = {"-P:{dir}"},
     .layout = {.beside_tool = "complete", .in_directory = "complete"},
     .exit_status = 1},
    {.name = "-p without its colon",
     .arguments = {"-p{dir}"},
     .layout = {.beside_tool = "complete", .in_directory = "complete"},
     .exit_status = 1},
    {.name = "directory as a separate argument",
     .arguments = {"-p:", "{dir}"},
     .layout = {.beside_tool = "complete", .in_directory = "complete"},
     .exit_status = 1},
    {.name = "removal, then an unknown argument",
     .arguments = {"-u", "bogus"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "three valid arguments",
     .arguments = {"-u", "-u", "-u"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "an empty argument",
     .arguments = {""},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "a lone dash",
     .arguments = {"-"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    {.name = "two dashes",
     .arguments = {"--u"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1},
    // The working directory holds -ua and -ub: expanded, this would be two arguments
    // and still a removal run, so -u* must also stay one argument when a third follows.
    {.name = "no wildcard expansion",
     .arguments = {"-u*", "-p:{dir}"},
     .layout = {.in_directory = "complete"},
     .journal = {"load complete", kStart, kEnd, kRelease}},
    {.name = "an argument that is not UTF-8",
     .arguments = {"-u\xFF"},
     .layout = {.beside_tool = "complete"},
     .exit_status = 1,
     .needs_byte_arguments = true},
    {.name = "the library is loaded with system error dialogs off",
     .arguments = {},
     .layout = {.beside_tool = "error-mode"},
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
                             .layout = {.beside_tool = variant},
                             .exit_status = 1};
        if (removal) test.arguments = {"-u"};
        test.journal = {"load " + variant};
        test.fault_during = place == "start" ? "PDFDriverInit"
                            : place == "end" ? "DriverEnd"
                                             : place;
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
          test.fault_during = "";
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

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

class EndToEnd : public StagingTest, public ::testing::WithParamInterface<EndToEndCase> {
 protected:
  EndToEnd() : StagingTest("pdf-printer-setup-e2e") {}

  // Runs the tool as |test| says, in a folder of its own, and checks the outcome;
  // then the doctor, in the same folder.
  void Run(const EndToEndCase& test) {
    if (test.needs_byte_arguments && !kArgumentsAreBytes) {
      GTEST_SKIP() << "arguments here are UTF-16: no argument can be other than text";
    }
    if (test.needs_error_mode && !kHasErrorMode) GTEST_SKIP() << "only Windows has an error mode";
    const StagedCase staged = Stage(test.layout);
    if (test.layout.directory_length != 0) {
      ASSERT_EQ(Utf16Length(Utf8FromPath(staged.directory())), test.layout.directory_length);
    }
    const std::vector<std::string> arguments = staged.Arguments(test.arguments);
    const StagedCase::Run tool = staged.RunTool(arguments);

    ASSERT_TRUE(tool.child.started);
    EXPECT_EQ(tool.child.exit_code, test.exit_status);
    // Under Wine, a fault that escaped would show as the debugger's crash dump here.
    EXPECT_EQ(tool.output + tool.error_output, test.output) << "the tool printed something";
    std::vector<std::string> expected = test.journal;
    for (std::string& line : expected) Replace(line, kRelease, kReleaseByTool);
    EXPECT_EQ(tool.journal, expected);

    if (kWithDoctor) CheckDoctorAgrees(staged, arguments, test, tool);
  }

  // The doctor drives the tool's own parser and run. Its check calls nothing in the
  // library but its load and unload, and the exit status it names, where it can
  // know one, is the tool's. Its --run makes exactly the tool's calls and ends as
  // the tool did, naming the fault where the library faulted.
  void CheckDoctorAgrees(const StagedCase& staged, const std::vector<std::string>& arguments,
                         const EndToEndCase& test, const StagedCase::Run& tool) {
    const int tool_status = tool.child.exit_code;
    // A check runs only the library's load and unload: what the library's runtime
    // prints there, it prints in a check too.
    const bool faults_before_start = !test.fault_during.empty() && !Contains(tool.journal, kStart);

    // After --, as a pasted command line goes: the tool's own arguments may begin
    // with two dashes, which would otherwise be the doctor's.
    std::vector<std::string> check_arguments = {"--json", "--"};
    check_arguments.insert(check_arguments.end(), arguments.begin(), arguments.end());
    const StagedCase::Run check = staged.RunDoctor(check_arguments);
    {
      SCOPED_TRACE("doctor check");
      ASSERT_TRUE(check.child.started);
      const DoctorReport report(check.output);
      ASSERT_TRUE(report.valid()) << check.output;
      for (const std::string& line : check.journal) {
        EXPECT_TRUE(line.rfind("load ", 0) == 0 || line.rfind("release", 0) == 0 ||
                    line.rfind("error-mode ", 0) == 0)
            << "the check called into the library: " << line;
      }
      if (report.tool_exit_status().has_value()) {
        EXPECT_EQ(*report.tool_exit_status(), tool_status) << check.output;
      } else {
        EXPECT_TRUE(Contains(tool.journal, kStart))
            << "only what PDFDriverInit does is left open: " << check.output;
        // The prediction for what this library's PDFDriverInit does is what the tool
        // did, unless a fault in one of its calls ended the tool's run.
        if (test.fault_during != "PDFDriverInit" && test.fault_during != "DriverEnd") {
          const char* const branch = test.start_returns_null ? "tool_exit_status_if_not_started"
                                                             : "tool_exit_status_if_started";
          EXPECT_EQ(report.json()[branch], tool_status) << branch << ": " << check.output;
        }
      }
      EXPECT_EQ(check.child.exit_code, report.HasError() ? 1 : 0) << check.output;
      if (tool_status == 1 && !Contains(tool.journal, kStart)) {
        EXPECT_TRUE(report.HasError()) << "a failure it can see is an error: " << check.output;
      }
      EXPECT_EQ(check.error_output, faults_before_start ? test.output : "");
    }

    std::vector<std::string> run_arguments = {"--run", "--json", "--"};
    run_arguments.insert(run_arguments.end(), arguments.begin(), arguments.end());
    const StagedCase::Run run = staged.RunDoctor(run_arguments);
    {
      SCOPED_TRACE("doctor --run");
      ASSERT_TRUE(run.child.started);
      EXPECT_EQ(run.child.exit_code, tool_status);
      EXPECT_EQ(run.journal, tool.journal) << "--run must make exactly the tool's calls";
      EXPECT_EQ(run.error_output, test.output) << "nothing but the library's own runtime on stderr";
      const DoctorReport report(run.output);
      ASSERT_TRUE(report.valid()) << run.output;
      EXPECT_EQ(report.tool_exit_status(), std::optional<int>(tool_status));
      if (!test.fault_during.empty()) {
        const nlohmann::json* fault = report.Finding("library-fault");
        ASSERT_NE(fault, nullptr) << run.output;
        EXPECT_EQ((*fault)["during"], test.fault_during) << run.output;
      } else {
        EXPECT_EQ(report.Finding("library-fault"), nullptr) << run.output;
      }
    }
  }
};

TEST_P(EndToEnd, RunsTheToolAgainstTheStandIn) { Run(GetParam()); }

std::string RowName(const ::testing::TestParamInfo<EndToEndCase>& row) {
  return CaseName(row.param.name);
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, ::testing::ValuesIn(kCases), RowName);
INSTANTIATE_TEST_SUITE_P(LibraryFaults, EndToEnd, ::testing::ValuesIn(FaultCases()), RowName);

}  // namespace
