// pdf-printer-doctor against broken set-ups, as a person with a failing install
// would run it: beside the tool, with the command line that failed. Each case
// reads the --json report as a fleet tool would and checks its findings, their
// severities, the doctor's exit status and the tool's exit status it names.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/case_name.h"
#include "tests/doctor_report.h"
#include "tests/staging.h"

namespace {

constexpr int kDepends = -1;  // tool_exit_status null: it turns on what PDFDriverInit does

struct Outcome {
  bool applies = true;
  std::vector<std::string> findings = {};  // "code:severity", in order
  int exit_status = 0;
  int tool_exit_status = 0;
  // Fields of the first finding, as fleet tools read them.
  std::vector<std::pair<std::string, std::string>> fields = {};
  // Fields of the report's system object, as JSON text: {"printer_present", "true"}.
  std::vector<std::pair<std::string, std::string>> system = {};
};

// What a case does to the test prefix's printing system before the doctor runs,
// and undoes after it: printing_control's verbs.
using Commands = std::vector<std::vector<std::string>>;

struct DoctorCase {
  std::string name;
  std::vector<std::string> arguments;  // the doctor's, {dir} and the like filled in
  Layout layout = {};
  Outcome windows;
  Outcome host;
  Commands set_up = {};
  Commands tear_down = {};
  bool limited = false;  // the doctor runs with the session's limited token
};

const std::string kPrinter = "Korvane Internal PDF Converter";
const std::string kWpp = "Software\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
const std::string kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const std::string kServicing =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\RebootPending";
const std::string kUpdate =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update\\RebootRequired";

Outcome Hung(const std::string& during) {
  return {.findings = {"library-hung:error"},
          .exit_status = 1,
          .tool_exit_status = -1,
          .fields = {{"during", during}, {"seconds", "2"}}};
}

const Outcome kNotHere = {.applies = false};
const Outcome kLoadsAndStarts = {.exit_status = 0, .tool_exit_status = kDepends};

Outcome Error(const std::string& code,
              std::vector<std::pair<std::string, std::string>> fields = {}) {
  return {.findings = {code + ":error"}, .exit_status = 1, .tool_exit_status = 1, .fields = fields};
}

const DoctorCase kCases[] = {
    {.name = "a library that loads and has both entry points",
     .arguments = {"-u"},
     .layout = {.beside_tool = "complete"},
     .windows = kLoadsAndStarts,
     .host = kLoadsAndStarts},
    {.name = "a 32-bit x86 build",
     .arguments = {},
     .layout = {.beside_tool = "x86"},
     .windows = Error("library-wrong-architecture", {{"machine", "x86 (32-bit)"}}),
     .host = kNotHere},
    {.name = "a Windows library on the host",
     .arguments = {},
     .layout = {.beside_tool = "file:pe"},
     .windows = kNotHere,
     .host = Error("library-not-windows")},
    {.name = "an ARM64 build",
     .arguments = {},
     .layout = {.beside_tool = "arm64"},
     .windows = Error("library-wrong-architecture", {{"machine", "ARM64"}}),
     .host = Error("library-wrong-architecture", {{"machine", "ARM64"}})},
    {.name = "an ELF library under the library's name",
     .arguments = {},
     .layout = {.beside_tool = "file:elf"},
     .windows = Error("library-not-windows"),
     .host = Error("library-load-failed")},
    {.name = "an empty file",
     .arguments = {},
     .layout = {.beside_tool = "file:empty"},
     .windows = Error("library-empty"),
     .host = Error("library-empty")},
    {.name = "a text file",
     .arguments = {},
     .layout = {.beside_tool = "file:text"},
     .windows = Error("library-not-windows"),
     .host = Error("library-not-windows")},
    {.name = "the companion DLL beside the tool",
     .arguments = {"-p:{dir}"},
     .layout = {.in_directory = "needs-companion", .companion_beside_tool = true},
     .windows = kLoadsAndStarts,
     // The host's dynamic linker looks for a library's own libraries along its
     // own search, not beside the program.
     .host = Error("library-load-failed")},
    {.name = "the companion DLL left in the -p: directory",
     .arguments = {"-p:{dir}"},
     .layout = {.in_directory = "needs-companion", .companion_in_directory = true},
     .windows =
         Error("dependency-missing", {{"name", "companion.dll"}, {"needed_by", "cdintf400.dll"}}),
     .host = Error("library-load-failed")},
    {.name = "the companion DLL nowhere",
     .arguments = {},
     .layout = {.beside_tool = "needs-companion"},
     .windows = Error("dependency-missing", {{"name", "companion.dll"}}),
     .host = Error("library-load-failed")},
    {.name = "a debug build of the library",
     .arguments = {},
     .layout = {.beside_tool = "needs-debug-runtime"},
     .windows = Error("dependency-missing", {{"name", "vcruntime140d.dll"}}),
     .host = kNotHere},
    {.name = "start-up code that refuses to load",
     .arguments = {},
     .layout = {.beside_tool = "refuses-to-load"},
     .windows = Error("library-refused-to-load"),
     .host = kNotHere},
    {.name = "a fault in the start-up code",
     .arguments = {},
     .layout = {.beside_tool = "fault-load-null-write"},
     .windows = Error("library-fault", {{"fault", "exception 0xc0000005"}, {"during", "load"}}),
     .host = Error("library-fault", {{"fault", "signal SIGSEGV"}, {"during", "load"}})},
    {.name = "no library anywhere",
     .arguments = {},
     .windows = Error("library-not-found"),
     .host = Error("library-not-found")},
    {.name = "a -p: directory that does not exist",
     .arguments = {"-p:{dir}{sep}missing"},
     .windows = Error("directory-not-found"),
     .host = Error("directory-not-found")},
    {.name = "a -p: directory without the library",
     .arguments = {"-p:{dir}"},
     .layout = {.beside_tool = "complete"},
     .windows = Error("library-not-found"),
     .host = Error("library-not-found")},
    {.name = "the backslash-before-a-quote trap",
     .arguments = {"-p:C:\\Program Files\\PDF Printer\""},
     .layout = {.beside_tool = "complete"},
     .windows =
         Error("directory-ends-in-quote", {{"fixed", "\"-p:C:\\Program Files\\PDF Printer\\.\""}}),
     .host =
         Error("directory-ends-in-quote", {{"fixed", "\"-p:C:\\Program Files\\PDF Printer\\.\""}})},
    {.name = "a relative -p: directory",
     .arguments = {"-p:lib"},
     .layout = {.in_directory = "complete"},
     .windows = {.findings = {"directory-relative:warning"}, .tool_exit_status = kDepends},
     .host = {.findings = {"directory-relative:warning"}, .tool_exit_status = kDepends}},
    {.name = "a directory with no room for the file name",
     .arguments = {"-p:{dir}"},
     .layout = {.in_directory = "complete", .directory_length = 246},
     .windows = Error("directory-too-long", {{"length", "246"}}),
     .host = Error("directory-too-long", {{"length", "246"}})},
    {.name = "a directory the parser refuses",
     .arguments = {"-p:" + std::string(300, 'd')},
     .layout = {.beside_tool = "complete"},
     .windows = Error("directory-too-long", {{"length", "300"}}),
     .host = Error("directory-too-long", {{"length", "300"}})},
    {.name = "an upper-case option",
     .arguments = {"-u", "-P:{dir}"},
     .layout = {.beside_tool = "complete"},
     .windows = Error("command-line-rejected", {{"argument", "2"}}),
     .host = Error("command-line-rejected", {{"argument", "2"}})},
    {.name = "-p without its colon",
     .arguments = {"-p", "{dir}"},
     .layout = {.beside_tool = "complete"},
     .windows = Error("command-line-rejected", {{"argument", "1"}, {"text", "-p"}}),
     .host = Error("command-line-rejected", {{"argument", "1"}, {"text", "-p"}})},
    {.name = "the directory as an argument of its own",
     .arguments = {"-p:", "{dir}"},
     .layout = {.beside_tool = "complete", .in_directory = "complete"},
     .windows = Error("command-line-rejected", {{"argument", "2"}}),
     .host = Error("command-line-rejected", {{"argument", "2"}})},
    {.name = "more than two arguments",
     .arguments = {"-u", "-u", "-u"},
     .layout = {.beside_tool = "complete"},
     .windows = Error("command-line-rejected", {{"argument", "3"}}),
     .host = Error("command-line-rejected", {{"argument", "3"}})},
    {.name = "not an option",
     .arguments = {"install"},
     .layout = {.beside_tool = "complete"},
     .windows = Error("command-line-rejected", {{"text", "install"}}),
     .host = Error("command-line-rejected", {{"text", "install"}})},
    {.name = "no PDFDriverInit, install",
     .arguments = {},
     .layout = {.beside_tool = "no-entry-points"},
     .windows = {.findings = {"start-entry-point-missing:error"},
                 .exit_status = 1,
                 .tool_exit_status = 1},
     .host = {.findings = {"start-entry-point-missing:error"},
              .exit_status = 1,
              .tool_exit_status = 1}},
    {.name = "no PDFDriverInit, removal: nothing to remove",
     .arguments = {"-u"},
     .layout = {.beside_tool = "no-entry-points"},
     .windows = {.findings = {"start-entry-point-missing:warning"}},
     .host = {.findings = {"start-entry-point-missing:warning"}}},
    {.name = "no DriverEnd, removal",
     .arguments = {"-u"},
     .layout = {.beside_tool = "no-end"},
     .windows = {.findings = {"end-entry-point-missing:error"},
                 .exit_status = 1,
                 .tool_exit_status = kDepends},
     .host = {.findings = {"end-entry-point-missing:error"},
              .exit_status = 1,
              .tool_exit_status = kDepends}},
    {.name = "no DriverEnd, install: a later removal will fail",
     .arguments = {},
     .layout = {.beside_tool = "no-end"},
     .windows = {.findings = {"end-entry-point-missing:warning"}, .tool_exit_status = kDepends},
     .host = {.findings = {"end-entry-point-missing:warning"}, .tool_exit_status = kDepends}},
    {.name = "a library found along the search, outside the trusted folders",
     .arguments = {},
     .layout = {.on_search_path = "complete"},
     .windows = {.findings = {"library-outside-trusted-folders:warning"},
                 .tool_exit_status = kDepends},
     .host = {.findings = {"library-outside-trusted-folders:warning"},
              .tool_exit_status = kDepends}},
    {.name = "the doctor not beside the tool",
     .arguments = {},
     .layout = {.beside_tool = "complete", .doctor_beside_tool = false},
     .windows = {.findings = {"tool-not-beside-doctor:warning", "library-not-found:error"},
                 .exit_status = 1,
                 .tool_exit_status = 1},
     .host = {.findings = {"tool-not-beside-doctor:warning", "library-not-found:error"},
              .exit_status = 1,
              .tool_exit_status = 1}},
    // The complete stand-in adds no printer: a system that can tell sees it did not.
    {.name = "--run: the driver starts",
     .arguments = {"--run"},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"printer-not-created:warning"}},
     .host = {}},
    {.name = "--run: the start returns no handle, install",
     .arguments = {"--run"},
     .layout = {.beside_tool = "null-start"},
     .windows = Error("start-returned-no-handle"),
     .host = Error("start-returned-no-handle")},
    {.name = "--run: the start returns no handle, removal",
     .arguments = {"--run", "-u"},
     .layout = {.beside_tool = "null-start"},
     .windows = {.findings = {"start-returned-no-handle:warning"}},
     .host = {.findings = {"start-returned-no-handle:warning"}}},
    {.name = "a library that hangs in its start-up code",
     .arguments = {"--timeout=2"},
     .layout = {.beside_tool = "hang-load"},
     .windows = Hung("load"),
     .host = Hung("load")},
    {.name = "--run: a library that hangs in PDFDriverInit",
     .arguments = {"--run", "--timeout=2"},
     .layout = {.beside_tool = "hang-start"},
     .windows = Hung("PDFDriverInit"),
     .host = Hung("PDFDriverInit")},
    {.name = "--run: a library that hangs in DriverEnd",
     .arguments = {"--run", "--timeout=2", "-u"},
     .layout = {.beside_tool = "hang-end"},
     .windows = Hung("DriverEnd"),
     .host = Hung("DriverEnd")},
    // The printing system, broken and mended in the test prefix. The spooler stays
    // stopped only while the prefix's one server runs, which it does for the whole test.
    {.name = "the spooler stopped",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"spooler-not-running:error"},
                 .exit_status = 1,
                 .tool_exit_status = kDepends,
                 .system = {{"spooler", "\"stopped\""}}},
     .host = kNotHere,
     .set_up = {{"spooler", "stop"}},
     .tear_down = {{"spooler", "start"}}},
    {.name = "the spooler disabled",
     .arguments = {"-u"},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"spooler-disabled:error"},
                 .exit_status = 1,
                 .tool_exit_status = kDepends,
                 .system = {{"spooler", "\"disabled\""}}},
     .host = kNotHere,
     .set_up = {{"spooler", "stop"}, {"spooler", "disable"}},
     .tear_down = {{"spooler", "enable"}, {"spooler", "start"}}},
    {.name = "the spooler running again",
     .arguments = {"-u"},
     .layout = {.beside_tool = "complete"},
     .windows = {.tool_exit_status = kDepends, .system = {{"spooler", "\"running\""}}},
     .host = kNotHere},
    {.name = "not elevated",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"not-elevated:warning"},
                 .tool_exit_status = kDepends,
                 .system = {{"elevated", "false"}}},
     .host = kNotHere,
     .limited = true},
    {.name = "the protected print policy",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"protected-print-mode:warning"},
                 .tool_exit_status = kDepends,
                 .system = {{"protected_print", "true"}}},
     .host = kNotHere,
     .set_up = {{"set-dword", kWpp, "WindowsProtectedPrintGroupPolicyState", "1"}},
     .tear_down = {{"delete-key", kWpp}}},
    {.name = "a reboot pending: files to rename",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"reboot-pending:warning"},
                 .tool_exit_status = kDepends,
                 .fields = {{"sign", "PendingFileRenameOperations"}},
                 .system = {{"reboot_pending", "true"}}},
     .host = kNotHere,
     .set_up = {{"set-strings", kSessionManager, "PendingFileRenameOperations",
                 "\\??\\C:\\windows\\old.dll"}},
     .tear_down = {{"delete-value", kSessionManager, "PendingFileRenameOperations"}}},
    {.name = "a reboot pending: servicing",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"reboot-pending:warning"},
                 .tool_exit_status = kDepends,
                 .fields = {{"sign", "Component Based Servicing\\RebootPending"}}},
     .host = kNotHere,
     .set_up = {{"add-key", kServicing}},
     .tear_down = {{"delete-key", kServicing}}},
    {.name = "a reboot pending: Windows Update",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"reboot-pending:warning"},
                 .tool_exit_status = kDepends,
                 .fields = {{"sign", "WindowsUpdate\\Auto Update\\RebootRequired"}}},
     .host = kNotHere,
     .set_up = {{"add-key", kUpdate}},
     .tear_down = {{"delete-key", kUpdate}}},
    {.name = "a check with the printer there already",
     .arguments = {},
     .layout = {.beside_tool = "complete"},
     .windows = {.tool_exit_status = kDepends, .system = {{"printer_present", "true"}}},
     .host = kNotHere,
     .set_up = {{"add-printer", kPrinter, "Microsoft Print To PDF"}},
     .tear_down = {{"delete-printer", kPrinter}}},
    {.name = "--run: an install that adds the printer",
     .arguments = {"--run"},
     .layout = {.beside_tool = "printer"},
     .windows = {.system = {{"printer_present_before", "false"}, {"printer_present", "true"}}},
     .host = kNotHere,
     .tear_down = {{"delete-printer", kPrinter}}},
    {.name = "--run: a removal that deletes the printer",
     .arguments = {"--run", "-u"},
     .layout = {.beside_tool = "printer"},
     .windows = {.system = {{"printer_present_before", "true"}, {"printer_present", "false"}}},
     .host = kNotHere,
     .set_up = {{"add-printer", kPrinter, "Microsoft Print To PDF"}},
     .tear_down = {{"delete-printer", kPrinter}}},
    {.name = "--run: a removal that leaves the printer",
     .arguments = {"--run", "-u"},
     .layout = {.beside_tool = "complete"},
     .windows = {.findings = {"printer-not-removed:warning"},
                 .system = {{"printer_present_before", "true"}, {"printer_present", "true"}}},
     .host = kNotHere,
     .set_up = {{"add-printer", kPrinter, "Microsoft Print To PDF"}},
     .tear_down = {{"delete-printer", kPrinter}}},
    {.name = "--run: a fault in PDFDriverInit",
     .arguments = {"--run"},
     .layout = {.beside_tool = "fault-start-divide-by-zero"},
     .windows =
         Error("library-fault", {{"fault", "exception 0xc0000094"}, {"during", "PDFDriverInit"}}),
     .host = Error("library-fault", {{"fault", "signal SIGFPE"}, {"during", "PDFDriverInit"}})},
};

void PrintTo(const DoctorCase& test, std::ostream* out) { *out << test.name; }

// Runs printing_control in the test prefix, and undoes the case's changes however
// it ends.
class PrintingSystem {
 public:
  PrintingSystem(const StagedCase& staged, Commands tear_down)
      : staged_(staged), tear_down_(std::move(tear_down)) {}
  ~PrintingSystem() {
    for (const std::vector<std::string>& command : tear_down_) Do(command);
  }
  PrintingSystem(const PrintingSystem&) = delete;
  PrintingSystem& operator=(const PrintingSystem&) = delete;

  // From a folder of its own: a service it starts may keep what it inherited open,
  // and so keep the case's folder from being removed.
  int Run(const std::vector<std::string>& command, std::string* output = nullptr) const {
    const fs::path folder = fs::temp_directory_path() / "pdf-printer-printing-control";
    fs::create_directories(folder);
    const fs::path file = folder / ("output-" + std::to_string(++commands_run_) + ".txt");
    const ChildResult child = RunChild(Control(), command, folder, file);
    if (output != nullptr) *output = ReadFile(file);
    return child.exit_code;
  }
  void Do(const std::vector<std::string>& command) const {
    std::string output;
    EXPECT_EQ(Run(command, &output), 0) << command[0] << ": " << output;
  }
  bool PrinterExists() const { return Run({"printer-exists", kPrinter}) == 0; }

  StagedCase::Run RunDoctor(const std::vector<std::string>& arguments, bool limited) const {
    if (!limited) return staged_.RunDoctor(arguments);
    std::vector<std::string> command = {"limited", Utf8FromPath(staged_.DoctorPath())};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return staged_.RunProgram(Control(), command);
  }

 private:
  static fs::path Control() { return TestProgramDirectory() / "printing_control.exe"; }

  const StagedCase& staged_;
  Commands tear_down_;
  static inline int commands_run_ = 0;
};

class Doctor : public StagingTest {
 protected:
  Doctor() : StagingTest("pdf-printer-doctor-test") {}
};

class BrokenSetUp : public Doctor, public ::testing::WithParamInterface<DoctorCase> {};

TEST_P(BrokenSetUp, IsExplained) {
  const DoctorCase& test = GetParam();
  {
    const bool windows = !kArgumentsAreBytes;
    const Outcome& expected = windows ? test.windows : test.host;
    if (!expected.applies) GTEST_SKIP() << "this set-up cannot be made on this platform";
    const StagedCase staged = Stage(test.layout);
    std::vector<std::string> arguments = {"--json"};
    for (const std::string& argument : staged.Arguments(test.arguments)) {
      arguments.push_back(argument);
    }
    PrintingSystem printing(staged, test.tear_down);
    for (const std::vector<std::string>& command : test.set_up) printing.Do(command);
    const StagedCase::Run run = printing.RunDoctor(arguments, test.limited);
    ASSERT_TRUE(run.child.started);
    const DoctorReport report(run.output);
    ASSERT_TRUE(report.valid()) << run.output << run.error_output;
    EXPECT_EQ(report.Codes(), expected.findings) << run.output;
    EXPECT_EQ(run.child.exit_code, expected.exit_status) << run.output;
    const nlohmann::json& status = report.json()["tool_exit_status"];
    if (expected.tool_exit_status == kDepends) {
      EXPECT_TRUE(status.is_null()) << run.output;
    } else {
      EXPECT_EQ(status, expected.tool_exit_status) << run.output;
    }
    for (const auto& [field, value] : expected.fields) {
      ASSERT_FALSE(report.json()["findings"].empty());
      EXPECT_EQ(report.json()["findings"][0][field], value) << run.output;
    }
    for (const nlohmann::json& finding : report.json()["findings"]) {
      EXPECT_FALSE(finding["message"].get<std::string>().empty());
    }
    const nlohmann::json& system = report.json()["system"];
    if (kArgumentsAreBytes) {
      EXPECT_TRUE(system.is_null()) << "the host has no printing system to read: " << run.output;
    } else {
      ASSERT_TRUE(system.is_object()) << run.output;
      for (const auto& [field, value] : expected.system) {
        EXPECT_EQ(system[field].dump(), value) << field << ": " << run.output;
      }
    }
    EXPECT_EQ(run.error_output, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenSetUp, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DoctorCase>& row) {
                           return CaseName(row.param.name);
                         });

struct Hint {
  const char* name;
  Layout layout;
  bool uses_directory;
  const char* code;    // on Windows; the host's dynamic linker names the DLL itself
  const char* advice;  // on Windows
};

void PrintTo(const Hint& hint, std::ostream* out) { *out << hint.name; }

const Hint kHints[] = {
    {"companion DLL beside the library, where Windows does not look",
     {.in_directory = "needs-companion", .companion_in_directory = true},
     true,
     "dependency-missing",
     "Windows does not look there for a library's own DLLs"},
    {"a debug build",
     {.beside_tool = "needs-debug-runtime"},
     false,
     "dependency-missing",
     "the library is a debug build"},
};

class MissingDll : public Doctor, public ::testing::WithParamInterface<Hint> {};

TEST_P(MissingDll, SaysWhatToDo) {
  const Hint& hint = GetParam();
  if (kArgumentsAreBytes && !hint.uses_directory) GTEST_SKIP() << "a Windows-only fixture";
  const StagedCase staged = Stage(hint.layout);
  std::vector<std::string> arguments = {"--json"};
  if (hint.uses_directory) arguments.push_back("-p:" + Utf8FromPath(staged.directory()));
  const StagedCase::Run run = staged.RunDoctor(arguments);
  const DoctorReport report(run.output);
  ASSERT_TRUE(report.valid()) << run.output;
  const nlohmann::json* finding =
      report.Finding(kArgumentsAreBytes ? "library-load-failed" : hint.code);
  ASSERT_NE(finding, nullptr) << run.output;
  const std::string message = (*finding)["message"];
  EXPECT_NE(message.find(kArgumentsAreBytes ? "companion.dll" : hint.advice), std::string::npos)
      << message;
}

INSTANTIATE_TEST_SUITE_P(Hints, MissingDll, ::testing::ValuesIn(kHints),
                         [](const ::testing::TestParamInfo<Hint>& row) {
                           return CaseName(row.param.name);
                         });

TEST_F(Doctor, NamesTheLibraryItLoadedAndItsVersion) {
  // Windows allows no quote in a name; every path has backslashes there.
  const std::string name = std::string("Drücker für PDF 印刷 \xF0\x9F\x96\xA8") +
                           (kArgumentsAreBytes ? " \"quoted\"" : "");
  const StagedCase staged = Stage({.in_directory = "complete", .directory_name = name});
  const std::string directory = Utf8FromPath(staged.directory());
  const StagedCase::Run run = staged.RunDoctor({"--json", "-u", "-p:" + directory});
  const DoctorReport report(run.output);
  ASSERT_TRUE(report.valid()) << run.output;
  const nlohmann::json& json = report.json();
  // Quotes, backslashes and characters of any script come back unchanged.
  EXPECT_EQ(json["arguments"], nlohmann::json::array({"-u", "-p:" + directory}));
  EXPECT_EQ(json["requested"], directory + "\\cdintf400.dll");
  EXPECT_EQ(json["run"], "removal");
  EXPECT_EQ(json["entry_points"], nlohmann::json({{"PDFDriverInit", true}, {"DriverEnd", true}}));
  ASSERT_TRUE(json["loaded_from"].is_string());
  EXPECT_EQ(PathFromUtf8(json["loaded_from"]), staged.directory() / "cdintf400.dll");
  if (kArgumentsAreBytes) {
    EXPECT_TRUE(json["file_version"].is_null()) << "host libraries carry no version resource";
  } else {
    EXPECT_EQ(json["file_version"], "4.0.2.17");
  }
  EXPECT_EQ(json["tool_exit_status_if_started"], 0);
  EXPECT_EQ(json["tool_exit_status_if_not_started"], 0);
}

TEST_F(Doctor, KeepsControlCharactersQuotesAndBackslashesInJson) {
  // Whatever an argument holds comes back from the parsed report unchanged.
  const StagedCase staged = Stage({.beside_tool = "complete"});
  const std::string argument = "-p:a\tb\x01c\\d\"e\x7F\u00FC";
  const StagedCase::Run run = staged.RunDoctor({"--json", argument});
  const DoctorReport report(run.output);
  ASSERT_TRUE(report.valid()) << run.output;
  EXPECT_EQ(report.json()["arguments"], nlohmann::json::array({argument}));
  EXPECT_EQ(run.output.find('\t'), std::string::npos) << "a raw tab in JSON text";
  EXPECT_EQ(run.output.find('\x01'), std::string::npos) << "a raw control character";
}

TEST_F(Doctor, TellsEachStepOfARunAsText) {
  const StagedCase staged = Stage({.beside_tool = "complete"});
  const StagedCase::Run run = staged.RunDoctor({"--run", "-u"});
  EXPECT_EQ(run.child.exit_code, 0);
  const std::vector<std::string> expected = {
      "load cdintf400.dll",
      "resolve PDFDriverInit: found",
      "call PDFDriverInit(\"Korvane Internal PDF Converter\")",
      "  returned 0x5a17c0de00000000",
      "resolve DriverEnd: found",
      "call DriverEnd(0x5a17c0de00000000)",
      "  returned",
      "release",
      "  released",
  };
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = run.output.find('\n', start)) != std::string::npos;
       start = end + 1) {
    const std::string line = run.output.substr(start, end - start);
    if (line.rfind("  loaded ", 0) == 0) continue;  // the path differs per build
    if (line.rfind("system: ", 0) == 0) continue;   // told apart below
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), expected.size() + 1) << run.output;
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1), expected);
  EXPECT_EQ(lines.back(),
            "verdict: The run ended with exit status 0: the driver was started (handle "
            "0x5a17c0de00000000) and ended with DriverEnd.");
}

TEST_F(Doctor, WritesOneLineAFindingThenTheVerdict) {
  const StagedCase staged = Stage({});
  const StagedCase::Run run = staged.RunDoctor({"-U"});
  EXPECT_EQ(run.child.exit_code, 1);
  // Where there is a printing system, a line says what the doctor read of it.
  const std::string system =
      kArgumentsAreBytes ? ""
                         : "system: Print Spooler running, elevated, machine x64, printer absent\n";
  EXPECT_EQ(
      run.output,
      system +
          "error command-line-rejected: argument 1 (\"-U\") is not one of the tool's options: "
          "options are case-sensitive: write -u, in lower case\n"
          "verdict: The tool rejects this command line and exits 1 without loading anything.\n");
}

TEST_F(Doctor, ListsTheFoldersSearchedForABareName) {
  const StagedCase staged = Stage({});
  const StagedCase::Run run = staged.RunDoctor({"--json"});
  const DoctorReport report(run.output);
  ASSERT_TRUE(report.valid()) << run.output;
  const nlohmann::json* finding = report.Finding("library-not-found");
  ASSERT_NE(finding, nullptr);
  const std::string message = (*finding)["message"];
  // The doctor's own folder first: the tool's, when it stands beside the tool.
  const size_t list = message.find("in this order: ");
  ASSERT_NE(list, std::string::npos) << message;
  const std::string first = message.substr(list + 15, message.find(", ", list) - list - 15);
  EXPECT_EQ(PathFromUtf8(first).filename(), "app") << message;
}

TEST_F(Doctor, ACheckChangesNothingInThePrintingSystem) {
  if (kArgumentsAreBytes) GTEST_SKIP() << "the host has no printing system";
  // The printer stand-in adds its printer as soon as PDFDriverInit is called.
  const StagedCase staged = Stage({.beside_tool = "printer"});
  PrintingSystem printing(staged, {{"delete-printer", kPrinter}});
  ASSERT_FALSE(printing.PrinterExists());
  const StagedCase::Run first = staged.RunDoctor({"--json"});
  const StagedCase::Run second = staged.RunDoctor({"--json", "-u"});
  EXPECT_EQ(first.journal, (std::vector<std::string>{"load printer", "release FreeLibrary"}));
  EXPECT_EQ(second.journal, first.journal);
  EXPECT_FALSE(printing.PrinterExists()) << "a check added the printer";
  const DoctorReport before(first.output);
  const DoctorReport after(second.output);
  ASSERT_TRUE(before.valid() && after.valid()) << first.output << second.output;
  EXPECT_EQ(before.json()["system"], after.json()["system"]);
  EXPECT_EQ(after.json()["system"]["spooler"], "running");
  EXPECT_EQ(after.json()["system"]["printer_present"], false);
}

TEST_F(Doctor, TellsAHangAsItHappensAndGivesUpInTime) {
  const StagedCase staged = Stage({.beside_tool = "hang-start"});
  const auto started = std::chrono::steady_clock::now();
  const StagedCase::Run run = staged.RunDoctor({"--run", "--timeout=3"});
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
  EXPECT_EQ(run.child.exit_code, 1);
  EXPECT_GE(seconds.count(), 3.0);
  EXPECT_LT(seconds.count(), 15.0);
  // The last step told is the call that did not come back, then the report.
  EXPECT_NE(run.output.find("call PDFDriverInit(\"Korvane Internal PDF Converter\")\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("  returned"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("error library-hung: the library did not return within 3 seconds in "
                            "PDFDriverInit"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("verdict: The library hangs in PDFDriverInit, and the tool would "
                            "never exit: the doctor gave up after 3 seconds and ends with exit "
                            "status 1.\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.journal, (std::vector<std::string>{"load hang-start", "start " + kPrinter}))
      << "nothing of the library runs after the hang, not even its detach code";
}

TEST_F(Doctor, UsageErrorsGoToStandardErrorWithStatusTwo) {
  const StagedCase staged = Stage({.beside_tool = "complete"});
  const StagedCase::Run unknown = staged.RunDoctor({"--verbose", "-u"});
  EXPECT_EQ(unknown.child.exit_code, 2);
  EXPECT_EQ(unknown.output, "");
  EXPECT_EQ(unknown.error_output.rfind("pdf-printer-doctor: unknown option --verbose\n", 0), 0u)
      << unknown.error_output;
  EXPECT_TRUE(unknown.journal.empty()) << "a usage error loads nothing";

  const StagedCase::Run help = staged.RunDoctor({"--help"});
  EXPECT_EQ(help.child.exit_code, 0);
  EXPECT_EQ(help.output.rfind("usage: pdf-printer-doctor [--run] [--json]", 0), 0u) << help.output;

  const StagedCase::Run version = staged.RunDoctor({"--version"});
  EXPECT_EQ(version.child.exit_code, 0);
  EXPECT_EQ(version.output, "pdf-printer-doctor " PROJECT_VERSION "\n");
}

}  // namespace
