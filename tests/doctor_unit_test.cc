// The doctor's logic in-process: its own parser run and findings over the
// recording loader and a made-up machine, read straight from the report.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "doctor/doctor.h"
#include "tests/case_name.h"
#include "tests/fake_system.h"
#include "tests/recording_loader.h"
#include "tests/wide_text.h"

namespace {

constexpr char16_t kToolFileName[] = u"pdf-printer-setup";
constexpr int kDepends = kDependsOnLibrary;

struct Library {
  bool loads = true;
  bool exports_start = true;
  bool exports_end = true;
  bool start_returns_null = false;
};

struct UnitCase {
  const char* name;
  std::vector<std::u16string> arguments;  // the doctor's
  Library library = {};
  std::vector<std::string> findings = {};  // "code:severity", in order
  int tool_exit_status;
  int if_started = kDepends;
  int if_not_started = kDepends;
  std::vector<std::string> calls = {};  // what reached the library, as the recording loader saw it
  std::string verdict;
  int doctor_exit_status;
};

const std::string kLoad = "load cdintf400.dll";
const std::string kResolveStart = "resolve PDFDriverInit";
const std::string kResolveEnd = "resolve DriverEnd";
const std::string kStart = "start Korvane Internal PDF Converter";
const std::string kEnd = "end 0x5a17c0de00000000";
const std::string kRelease = "release";

const UnitCase kCases[] = {
    {.name = "an upper-case option: the parser's position, with advice",
     .arguments = {u"-u", u"-P:lib"},
     .findings = {"command-line-rejected:error"},
     .tool_exit_status = 1,
     .verdict = "The tool rejects this command line and exits 1 without loading anything.",
     .doctor_exit_status = 1},
    {.name = "a directory the parser refuses as too long",
     .arguments = {u"-p:" + std::u16string(300, u'd')},
     .findings = {"directory-too-long:error"},
     .tool_exit_status = 1,
     .verdict = "The tool rejects this command line and exits 1 without loading anything.",
     .doctor_exit_status = 1},
    {.name = "a directory with no room for the file name",
     .arguments = {u"-p:" + std::u16string(246, u'd')},
     .findings = {"directory-relative:warning", "directory-too-long:error"},
     .tool_exit_status = 1,
     .verdict = "The tool exits 1 without loading anything: the directory leaves no room for the "
                "library's file name.",
     .doctor_exit_status = 1},
    {.name = "no library along the search",
     .arguments = {},
     .library = {.loads = false},
     .findings = {"library-not-found:error"},
     .tool_exit_status = 1,
     .calls = {kLoad},
     .verdict = "The tool cannot load cdintf400.dll and exits 1.",
     .doctor_exit_status = 1},
    {.name = "a check of a removal: nothing of the library is called",
     .arguments = {u"-u"},
     .findings = {},
     .tool_exit_status = kDepends,
     .if_started = 0,
     .if_not_started = 0,
     .calls = {kLoad, kResolveStart, kResolveEnd, kResolveStart, kResolveEnd, kRelease},
     .verdict = "The tool will load cdintf400.dll and call PDFDriverInit. If that returns a "
                "driver handle, the tool ends the driver with DriverEnd and exits 0; if it "
                "returns null, it exits 0. A fault in the library ends the run with 1.",
     .doctor_exit_status = 0},
    {.name = "a check of a removal without DriverEnd: 1 if started, 0 if not",
     .arguments = {u"-u"},
     .library = {.exports_end = false},
     .findings = {"end-entry-point-missing:error"},
     .tool_exit_status = kDepends,
     .if_started = 1,
     .if_not_started = 0,
     .calls = {kLoad, kResolveStart, kResolveEnd, kResolveStart, kResolveEnd, kRelease},
     .verdict = "The tool will load cdintf400.dll and call PDFDriverInit. If that returns a "
                "driver handle, the tool cannot end the driver, having no DriverEnd, and exits "
                "1; if it returns null, it exits 0. A fault in the library ends the run with 1.",
     .doctor_exit_status = 1},
    {.name = "a check of an install without PDFDriverInit",
     .arguments = {},
     .library = {.exports_start = false},
     .findings = {"start-entry-point-missing:error"},
     .tool_exit_status = 1,
     .calls = {kLoad, kResolveStart, kResolveEnd, kResolveStart, kRelease},
     .verdict = "The tool loads cdintf400.dll, finds no PDFDriverInit and exits 1.",
     .doctor_exit_status = 1},
    {.name = "--run of an install whose start returns null",
     .arguments = {u"--run"},
     .library = {.start_returns_null = true},
     .findings = {"start-returned-no-handle:error"},
     .tool_exit_status = 1,
     .calls = {kLoad, kResolveStart, kResolveEnd, kResolveStart, kStart, kRelease},
     .verdict = "The run ended with exit status 1: PDFDriverInit returned null, so the driver "
                "did not start.",
     .doctor_exit_status = 1},
    {.name = "--run of a removal",
     .arguments = {u"--run", u"-u"},
     .findings = {},
     .tool_exit_status = 0,
     .calls = {kLoad, kResolveStart, kResolveEnd, kResolveStart, kStart, kResolveEnd, kEnd,
               kRelease},
     .verdict = "The run ended with exit status 0: the driver was started (handle "
                "0x5a17c0de00000000) and ended with DriverEnd.",
     .doctor_exit_status = 0},
};

void PrintTo(const UnitCase& test, std::ostream* out) { *out << test.name; }

std::vector<std::string> Codes(const Report& report) {
  std::vector<std::string> codes;
  for (size_t i = 0; i < report.finding_count; ++i) {
    const Finding& finding = report.findings[i];
    codes.push_back(std::string(finding.code) +
                    (finding.severity == Severity::kError ? ":error" : ":warning"));
  }
  return codes;
}

class InProcess : public ::testing::Test {
 protected:
  InProcess() { system.PutToolBesideDoctor(kToolFileName); }

  int Run(const std::vector<std::u16string>& doctor_arguments) {
    const ArgumentVector arguments(doctor_arguments);
    const DoctorInput input = {arguments.argc(), arguments.argv(), arguments.argc(), 0,
                               tool_file_name.c_str()};
    return RunDoctor(input, loader, system, report.get());
  }

  const WideString tool_file_name = Wide(kToolFileName);
  FakeSystem system;
  RecordingLoader loader;
  std::unique_ptr<Report> report = std::make_unique<Report>();
};

class DoctorInProcess : public InProcess, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(DoctorInProcess, ReportsTheToolsOwnDecision) {
  const UnitCase& test = GetParam();
  loader.library_loads = test.library.loads;
  loader.exports_start = test.library.exports_start;
  loader.exports_end = test.library.exports_end;
  if (test.library.start_returns_null) loader.start_returns = nullptr;
  system.search_folders = {{FolderKind::kProgram, system.program_folder}};

  EXPECT_EQ(Run(test.arguments), test.doctor_exit_status) << system.output;
  EXPECT_EQ(Codes(*report), test.findings) << system.output;
  EXPECT_EQ(report->tool_exit_status, test.tool_exit_status);
  EXPECT_EQ(report->exit_status_if_started, test.if_started);
  EXPECT_EQ(report->exit_status_if_not_started, test.if_not_started);
  EXPECT_EQ(loader.calls, test.calls);
  EXPECT_EQ(report->verdict.c_str(), test.verdict);
  // Written once, whole, and ending in the verdict.
  EXPECT_NE(system.output.find("verdict: " + test.verdict + "\n"), std::string::npos)
      << system.output;
  EXPECT_EQ(system.error_output, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, DoctorInProcess, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<UnitCase>& row) {
                           return CaseName(row.param.name);
                         });

TEST_F(InProcess, TakesTheRejectedArgumentFromTheParser) {
  // The same text in either place: only the parser's position tells them apart.
  EXPECT_EQ(Run({u"-u", u"-x"}), 1);
  ASSERT_EQ(report->finding_count, 1u);
  const Finding& finding = report->findings[0];
  ASSERT_EQ(finding.field_count, 2u);
  EXPECT_STREQ(finding.field_names[0], "argument");
  EXPECT_STREQ(finding.field_values[0].c_str(), "2");
  EXPECT_STREQ(finding.field_values[1].c_str(), "-x");
  EXPECT_NE(std::string(finding.message.c_str()).find("the options are -u (remove)"),
            std::string::npos)
      << finding.message.c_str();
}

TEST_F(InProcess, ListsTheSearchedFoldersInOrder) {
  loader.library_loads = false;
  system.search_folders = {{FolderKind::kProgram, u"app"},
                           {FolderKind::kSystem, u"system"},
                           {FolderKind::kSearchVariable, u"tools"}};
  EXPECT_EQ(Run({}), 1);
  ASSERT_EQ(Codes(*report), std::vector<std::string>{"library-not-found:error"});
  EXPECT_NE(std::string(report->findings[0].message.c_str())
                .find("in this order: app, system, tools. Put it beside the tool"),
            std::string::npos)
      << report->findings[0].message.c_str();
}

TEST_F(InProcess, WarnsWhenTheToolIsNotBesideIt) {
  system.paths.clear();
  system.search_folders = {{FolderKind::kProgram, system.program_folder}};
  EXPECT_EQ(Run({u"-u"}), 0);
  EXPECT_EQ(Codes(*report), std::vector<std::string>{"tool-not-beside-doctor:warning"});
}

TEST_F(InProcess, NamesTheFileLoadedAndItsVersion) {
  system.loaded_from = u"app/cdintf400.dll";
  system.file_version = "4.0.2.17";
  system.search_folders = {{FolderKind::kProgram, system.program_folder}};
  EXPECT_EQ(Run({}), 0);
  EXPECT_STREQ(report->file_version.c_str(), "4.0.2.17");
  EXPECT_EQ(system.output.rfind("library: app/cdintf400.dll, file version 4.0.2.17\n", 0), 0u)
      << system.output;
}

// The printing system as the fake plays it, where Wine cannot: each case changes
// the healthy machine in one way.
struct SystemCase {
  const char* name;
  std::vector<std::u16string> arguments;
  void (*breaks)(FakeSystem&);
  std::vector<std::string> findings;
  nlohmann::json system;  // the fields of the report's system object that tell
  std::string verdict_part;
  int doctor_exit_status;
  Library library = {};
};

void PrintTo(const SystemCase& test, std::ostream* out) { *out << test.name; }

const SystemCase kSystemCases[] = {
    {"an ARM64 machine",
     {u"--json"},
     [](FakeSystem& system) { system.native_machine = 0xAA64; },
     {"machine-arm64:warning"},
     {{"machine", "ARM64"}},
     "call PDFDriverInit. If that returns",
     0},
    {"no Print Spooler service",
     {u"--json"},
     [](FakeSystem& system) { system.spooler = SpoolerState::kMissing; },
     {"spooler-missing:error"},
     {{"spooler", "missing"}},
     "call PDFDriverInit, which will most likely fail: there is no Print Spooler service. If "
     "that returns a driver handle, the tool leaves the driver installed and exits 0; if it "
     "returns null, it exits 1.",
     1},
    {"nothing could be read: no finding, and nulls",
     {u"--json"},
     [](FakeSystem& system) {
       system.spooler = SpoolerState::kUnknown;
       system.elevated = Reading::kUnknown;
       system.protected_print = Reading::kUnknown;
       system.printer_present = Reading::kUnknown;
     },
     {},
     {{"spooler", nullptr},
      {"elevated", nullptr},
      {"protected_print", nullptr},
      {"printer_present", nullptr}},
     "call PDFDriverInit. If that returns",
     0},
    {"running as SYSTEM, which counts as elevated",
     {u"--json"},
     [](FakeSystem& system) { system.elevated = Reading::kYes; },
     {},
     {{"elevated", true}, {"spooler", "running"}, {"machine", "x64"}},
     "call PDFDriverInit. If that returns",
     0},
    {"the loader's findings come before the system's",
     {u"--json"},
     [](FakeSystem& system) { system.spooler = SpoolerState::kStopped; },
     {"library-not-found:error", "spooler-not-running:error"},
     {{"spooler", "stopped"}},
     "The tool cannot load cdintf400.dll and exits 1.",
     1,
     {.loads = false}},
    {"--run: a null start, with a likely cause",
     {u"--json", u"--run"},
     [](FakeSystem& system) { system.elevated = Reading::kNo; },
     {"start-returned-no-handle:error", "not-elevated:warning"},
     {{"elevated", false}, {"printer_present_before", false}},
     "PDFDriverInit returned null, so the driver did not start. The likely cause: the process "
     "is not elevated.",
     1,
     {.start_returns_null = true}},
    {"--run: a handle, and no printer afterwards",
     {u"--json", u"--run"},
     [](FakeSystem&) {},
     {"printer-not-created:warning"},
     {{"printer_present", false}},
     "PDFDriverInit started the driver",
     0},
};

class SystemInProcess : public InProcess, public ::testing::WithParamInterface<SystemCase> {};

TEST_P(SystemInProcess, ExplainsWhatItRead) {
  const SystemCase& test = GetParam();
  system.search_folders = {{FolderKind::kProgram, system.program_folder}};
  test.breaks(system);
  loader.library_loads = test.library.loads;
  if (test.library.start_returns_null) loader.start_returns = nullptr;
  EXPECT_EQ(Run(test.arguments), test.doctor_exit_status) << system.output;
  EXPECT_EQ(Codes(*report), test.findings) << system.output;
  const nlohmann::json json = nlohmann::json::parse(system.output, nullptr, false);
  ASSERT_TRUE(json.is_object()) << system.output;
  for (const auto& [field, value] : test.system.items()) {
    EXPECT_EQ(json["system"][field], value) << field << ": " << system.output;
  }
  EXPECT_NE(json["verdict"].get<std::string>().find(test.verdict_part), std::string::npos)
      << json["verdict"];
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemInProcess, ::testing::ValuesIn(kSystemCases),
                         [](const ::testing::TestParamInfo<SystemCase>& row) {
                           return CaseName(row.param.name);
                         });

TEST_F(InProcess, HasNoSystemToReadOnTheHost) {
  system.has_printing_system = false;
  system.spooler = SpoolerState::kMissing;  // never asked
  EXPECT_EQ(Run({u"--json", u"-u"}), 0) << system.output;
  const nlohmann::json json = nlohmann::json::parse(system.output, nullptr, false);
  EXPECT_TRUE(json["system"].is_null()) << system.output;
  EXPECT_EQ(Codes(*report), std::vector<std::string>{});
}

TEST_F(InProcess, WatchesEachCallIntoTheLibraryForAsLongAsItIsTold) {
  struct Limit {
    std::vector<std::u16string> arguments;
    unsigned seconds;  // 0: no watchdog
    int watched_calls;
  };
  const Limit kLimits[] = {
      {{}, 300, 2},                               // a check: the load and the release
      {{u"--timeout=7", u"--run", u"-u"}, 7, 4},  // and both calls
      {{u"--timeout=0", u"--run"}, 0, 3},         // none at all
  };
  for (const Limit& limit : kLimits) {
    FakeSystem fresh;
    fresh.PutToolBesideDoctor(kToolFileName);
    system = fresh;
    report = std::make_unique<Report>();
    loader.calls.clear();
    Run(limit.arguments);
    EXPECT_EQ(system.watchdog_seconds, limit.seconds);
    EXPECT_EQ(system.watched_calls, limit.watched_calls);
  }
  for (const char16_t* bad : {u"--timeout=", u"--timeout=x", u"--timeout=99999999999"}) {
    report = std::make_unique<Report>();
    EXPECT_EQ(Run({bad}), kDoctorUsageError) << Readable(std::u16string_view(bad));
  }
}

}  // namespace
