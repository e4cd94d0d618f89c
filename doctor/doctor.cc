#include "doctor/doctor.h"

#include "cli/command_line.h"
#include "doctor/command_line_findings.h"
#include "doctor/library_findings.h"
#include "doctor/narrating_loader.h"
#include "doctor/report.h"
#include "doctor/run_trace.h"
#include "doctor/system_findings.h"
#include "driver/converter_library.h"
#include "driver/exit_status.h"
#include "platform/fault_exit.h"

namespace {

constexpr int kMaxToolArguments = 64;

const char kUsage[] =
    "usage: pdf-printer-doctor [--run] [--json] [--timeout=SECONDS] [--] [TOOL ARGUMENTS...]\n"
    "\n"
    "Tells why pdf-printer-setup exits 1 on this machine with these arguments.\n"
    "TOOL ARGUMENTS are exactly what the tool would be given.\n"
    "\n"
    "  (default)  check: parse, compose the path, load the library and look up its\n"
    "             entry points as the tool does, but call neither: changes nothing\n"
    "  --run      the tool's whole run, for real (installs or removes the printer),\n"
    "             telling each step\n"
    "  --json     one JSON object on one line, for fleet tools\n"
    "  --timeout=SECONDS\n"
    "             how long each call into the library may take before the doctor\n"
    "             reports it hung and ends with 1 (default 300; 0 waits for ever)\n"
    "  --         ends the doctor's options\n"
    "  --help     this text\n"
    "  --version  the doctor's version\n"
    "\n"
    "Exit status: 0 when no finding is an error, 1 when one is (with --run, the\n"
    "tool's own exit status), 2 for a usage error.\n";

// The one report a fault observer can reach: a signal handler or an exception
// filter is given nothing of ours, so the report it must finish waits here.
struct FaultSlot {
  Report* report = nullptr;
  SystemInterface* system = nullptr;
  bool ready = false;  // the report has the tool's arguments
};
FaultSlot fault_slot;

void Write(SystemInterface& system, OutputStream stream, const char* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  system.WriteOutput(stream, text, length);
}

bool IsOption(const WideChar* argument, const char* option) {
  size_t i = 0;
  for (; option[i] != 0; ++i) {
    if (argument[i] != static_cast<WideChar>(option[i])) return false;
  }
  return argument[i] == 0;
}

// "--timeout=SECONDS": false unless SECONDS is a number of at most a year.
bool ParseTimeout(const WideChar* argument, unsigned* seconds) {
  const char kPrefix[] = "--timeout=";
  for (size_t i = 0; kPrefix[i] != 0; ++i) {
    if (argument[i] != static_cast<WideChar>(kPrefix[i])) return false;
  }
  const WideChar* digits = argument + sizeof kPrefix - 1;
  if (*digits == 0) return false;
  uint64_t value = 0;
  for (; *digits != 0; ++digits) {
    if (*digits < '0' || *digits > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*digits - '0');
    if (value > 366u * 24 * 60 * 60) return false;
  }
  *seconds = static_cast<unsigned>(value);
  return true;
}

bool StartsWithTwoDashes(const WideChar* argument) {
  return argument[0] == '-' && argument[1] == '-';
}

// In a run told as text, each step as it is taken: a library that hangs or ends
// the process itself leaves its last step on the screen.
class LiveSteps final : public RunListener {
 public:
  LiveSteps(const Report& report, SystemInterface& system) : report_(report), system_(system) {}

  void Told(const RunTrace& trace, const RunEvent& event, bool done) override {
    if (report_.mode == DoctorMode::kRun && !report_.json) WriteEvent(trace, event, done, system_);
  }

 private:
  const Report& report_;
  SystemInterface& system_;
};

void AddStatus(int exit_status, Text& out) { out.AddNumber(static_cast<uint64_t>(exit_status)); }

// The verdict on where the run stopped, with the exit statuses the run produced or,
// in a check, predicts.
void ComposeVerdict(RunOutcome outcome, int exit_status, Report* report) {
  const RunTrace& trace = report->trace;
  Text& verdict = report->verdict;
  verdict.Clear();
  if (outcome == RunOutcome::kRejected) {
    verdict.Add("The tool rejects this command line and exits ");
    AddStatus(exit_status, verdict);
    verdict.Add(" without loading anything.");
    return;
  }
  if (outcome == RunOutcome::kNoRoomForName) {
    verdict.Add("The tool exits ");
    AddStatus(exit_status, verdict);
    verdict.Add(
        " without loading anything: the directory leaves no room for the library's file name.");
    return;
  }
  if (outcome == RunOutcome::kLoadFailed) {
    verdict.Add("The tool cannot load ").AddWide(trace.requested).Add(" and exits ");
    AddStatus(exit_status, verdict);
    verdict.Add(".");
    return;
  }
  if (outcome == RunOutcome::kNoStartEntryPoint) {
    verdict.Add("The tool loads ").AddWide(LibraryShown(trace)).Add(", finds no PDFDriverInit");
    verdict.Add(report->removal ? ", so nothing to remove, and exits " : " and exits ");
    AddStatus(exit_status, verdict);
    verdict.Add(".");
    return;
  }
  if (report->mode == DoctorMode::kCheck) {
    verdict.Add("The tool will load ").AddWide(LibraryShown(trace)).Add(" and call PDFDriverInit");
    if (const char* cause = SystemCause(*report, true)) {
      verdict.Add(", which will most likely fail: ").Add(cause);
    }
    verdict.Add(". If that returns a driver handle, the tool ");
    if (!report->removal) {
      verdict.Add("leaves the driver installed");
    } else if (trace.end == Presence::kFound) {
      verdict.Add("ends the driver with DriverEnd");
    } else {
      verdict.Add("cannot end the driver, having no DriverEnd,");
    }
    verdict.Add(" and exits ");
    AddStatus(report->exit_status_if_started, verdict);
    verdict.Add("; if it returns null, it exits ");
    AddStatus(report->exit_status_if_not_started, verdict);
    verdict.Add(". A fault in the library ends the run with ");
    AddStatus(kExitFailure, verdict);
    verdict.Add(".");
    return;
  }
  uintptr_t handle = 0;
  StartResult(trace, &handle);
  verdict.Add("The run ended with exit status ");
  AddStatus(exit_status, verdict);
  verdict.Add(": ");
  FixedText<24> handle_text;
  handle_text.AddHex(handle, 2 * sizeof handle);
  if (outcome == RunOutcome::kStartReturnedNull) {
    verdict.Add(report->removal ? "PDFDriverInit returned null, so there was nothing to remove."
                                : "PDFDriverInit returned null, so the driver did not start.");
    if (const char* cause = SystemCause(*report, false)) {
      verdict.Add(" The likely cause: ").Add(cause).Add(".");
    }
  } else if (!report->removal) {
    verdict.Add("PDFDriverInit started the driver (handle ")
        .Add(handle_text)
        .Add("), which stays installed.");
  } else if (trace.end_called) {
    verdict.Add("the driver was started (handle ")
        .Add(handle_text)
        .Add(") and ended with DriverEnd.");
  } else {
    verdict.Add("the driver was started (handle ")
        .Add(handle_text)
        .Add("), and there is no DriverEnd to end it.");
  }
}

// A report the library's fault or hang ends early: the tool's status is what that
// gives it, no prediction stands, and the verdict is rewritten.
void EndedByTheLibrary(int tool_exit_status, Report* report) {
  report->tool_exit_status = tool_exit_status;
  report->exit_status_if_started = kDependsOnLibrary;
  report->exit_status_if_not_started = kDependsOnLibrary;
  report->verdict.Clear();
}

void ReportFault(const Fault& fault) {
  if (!fault_slot.ready) return;
  Report& report = *fault_slot.report;
  const LibraryStep step = report.trace.current;
  AddFaultFinding(fault, step, false, &report);
  EndedByTheLibrary(kExitFailure, &report);
  report.verdict.Add("The run ends at once with exit status ");
  AddStatus(kExitFailure, report.verdict);
  report.verdict.Add(": the library faulted ").Add(FaultPlace(step)).Add(".");
  WriteReport(report, *fault_slot.system);
}

// Told by the watchdog while a call into the library hangs; the watchdog then ends
// the process with 1.
void ReportHang() {
  if (!fault_slot.ready) return;
  Report& report = *fault_slot.report;
  const LibraryStep step = report.trace.current;
  Finding& finding = report.Add("library-hung", Severity::kError);
  FixedText<16> seconds;
  seconds.AddNumber(report.timeout_seconds);
  finding.message.Add("the library did not return within ")
      .Add(seconds)
      .Add(" seconds ")
      .Add(FaultPlace(step))
      .Add(
          ": the tool would wait for it for ever, and an installation with it, until the "
          "deployment tool gives up. Give this to the library's maker, with the library's file "
          "version");
  finding.Field("during").Add(StepName(step));
  finding.Field("seconds").Add(seconds);
  // The tool would never exit: it has no exit status.
  EndedByTheLibrary(kDependsOnLibrary, &report);
  report.verdict.Add("The library hangs ")
      .Add(FaultPlace(step))
      .Add(", and the tool would never exit: the doctor gave up after ")
      .Add(seconds)
      .Add(" seconds and ends with exit status ");
  AddStatus(kExitFailure, report.verdict);
  report.verdict.Add(".");
  WriteReport(report, *fault_slot.system);
}

void CheckToolBeside(SystemInterface& system, const WideChar* tool_file_name, Report* report) {
  WideChar folder[kPathCapacity];
  WideChar tool[kPathCapacity];
  if (!system.ProgramFolder(folder, kPathCapacity)) return;
  const size_t length = BoundedLength(folder, kPathCapacity);
  const size_t name_length = BoundedLength(tool_file_name, kPathCapacity);
  if (length + 1 + name_length >= kPathCapacity) return;
  for (size_t i = 0; i < length; ++i) tool[i] = folder[i];
  tool[length] = kPathSeparator;
  for (size_t i = 0; i <= name_length; ++i) tool[length + 1 + i] = tool_file_name[i];
  if (system.ProbePath(tool) == PathKind::kFile) return;
  Finding& finding = report->Add("tool-not-beside-doctor", Severity::kWarning);
  finding.message.Add("there is no ")
      .AddWide(tool_file_name)
      .Add(" beside the doctor, in ")
      .AddWide(folder)
      .Add(
          ": the search the doctor describes starts in its own folder, and the tool's starts in "
          "the tool's. Run the doctor from the tool's folder");
}

}  // namespace

void ReportFaultsInto(Report* report, SystemInterface& system) {
  ExitOnFault(kExitFailure);
  fault_slot = {report, &system, false};
  ReportFaultsTo(ReportFault);
  WatchFaults();
}

int RunDoctor(const DoctorInput& input, LibraryLoader& loader, SystemInterface& system,
              Report* report) {
  int index = 1;
  for (; index < input.kept && StartsWithTwoDashes(input.argv[index]); ++index) {
    const WideChar* option = input.argv[index];
    if (IsOption(option, "--")) {
      ++index;
      break;
    }
    if (IsOption(option, "--run")) {
      report->mode = DoctorMode::kRun;
    } else if (IsOption(option, "--json")) {
      report->json = true;
    } else if (ParseTimeout(option, &report->timeout_seconds)) {
    } else if (IsOption(option, "--help")) {
      Write(system, OutputStream::kStandardOutput, kUsage);
      return kExitSuccess;
    } else if (IsOption(option, "--version")) {
      Write(system, OutputStream::kStandardOutput, "pdf-printer-doctor " PDF_PRINTER_VERSION "\n");
      return kExitSuccess;
    } else {
      FixedText<2048> message;
      message.Add("pdf-printer-doctor: unknown option ").AddWide(option).Add("\n\n").Add(kUsage);
      system.WriteOutput(OutputStream::kStandardError, message.c_str(), message.size());
      return kDoctorUsageError;
    }
  }

  // The tool's own argument vector: its name, then what follows the doctor's options.
  const WideChar* tool_argv[kMaxToolArguments + 1] = {input.argv[0]};
  int kept = 1;
  for (int i = index; i < input.kept && kept <= kMaxToolArguments; ++i)
    tool_argv[kept++] = input.argv[i];
  const int tool_argc = 1 + (input.argc > index ? input.argc - index : 0);
  report->arguments = tool_argv + 1;
  report->kept_arguments = kept - 1;

  CheckToolBeside(system, input.tool_file_name, report);
  ReadSystemBefore(system, report);
  if (fault_slot.report == report) fault_slot.ready = true;
  // Running before the library loads, so that it watches its start-up code too.
  if (report->timeout_seconds != 0) system.StartWatchdog(report->timeout_seconds, ReportHang);

  int exit_status;
  RunOutcome outcome = RunOutcome::kRejected;
  const bool unreadable = input.unreadable_argument >= index && tool_argc <= kMaxArgumentCount;
  if (unreadable) {
    // The host tool refuses an argument that is not UTF-8 before it parses.
    Finding& finding = report->Add("command-line-rejected", Severity::kError);
    finding.message.Add("argument ")
        .AddNumber(static_cast<uint64_t>(input.unreadable_argument - index + 1))
        .Add(" is not UTF-8 text, so the tool cannot read it");
    exit_status = kExitFailure;
  } else {
    CommandOptions options;
    CommandLineRejection rejection = {};
    report->parsed = ParseCommandLine(tool_argc, tool_argv, &options, &rejection);
    if (report->parsed) {
      report->removal = options.RemoveDriver;
      ExplainDirectory(system, options, report);
    }
    LiveSteps live_steps(*report, system);
    {
      NarratingLoader narrating(loader, system, report->mode, &report->trace, &live_steps);
      exit_status = RunCommandLine(tool_argc, tool_argv, narrating);
    }
    const RunTrace& trace = report->trace;
    outcome = OutcomeOf(report->parsed, trace);
    switch (outcome) {
      case RunOutcome::kRejected:
        ExplainRejectedCommandLine(rejection, tool_argc, kept, tool_argv, report);
        break;
      case RunOutcome::kNoRoomForName:
        ExplainDirectoryTooLong(options, report);
        break;
      case RunOutcome::kLoadFailed:
        ExplainLoadFailure(system, options, trace, report);
        break;
      case RunOutcome::kNoStartEntryPoint:
      case RunOutcome::kStartReturnedNull:
      case RunOutcome::kStarted:
        ExplainLoadedLibrary(system, options, trace, report);
        ExplainEntryPoints(trace, outcome, report->removal, exit_status, report);
        if (trace.release_faulted) {
          AddFaultFinding(trace.release_fault, LibraryStep::kRelease, true, report);
        }
        break;
    }
    if (report->mode == DoctorMode::kCheck && outcome == RunOutcome::kStarted) {
      // The tool's exit status then turns on what PDFDriverInit returns: the run
      // above stood in for one that starts the driver; the tool's run once more
      // gives the other outcome.
      report->exit_status_if_started = exit_status;
      ReplayLoader replay(trace);
      report->exit_status_if_not_started = RunCommandLine(tool_argc, tool_argv, replay);
    }
  }
  ReadSystemAfter(system, report);
  ExplainSystem(outcome, report);
  report->tool_exit_status = report->mode == DoctorMode::kCheck && outcome == RunOutcome::kStarted
                                 ? kDependsOnLibrary
                                 : exit_status;
  // Whatever the findings explain, a run that fails in the normal case is an error.
  if (exit_status == kExitFailure && !report->HasError()) {
    report->Add("run-fails", Severity::kError)
        .message.Add("the tool's run ends with exit status ")
        .AddNumber(kExitFailure);
  }
  ComposeVerdict(outcome, exit_status, report);
  WriteReport(*report, system);
  if (fault_slot.report == report) fault_slot.ready = false;
  if (report->mode == DoctorMode::kRun) return exit_status;
  return report->HasError() ? kExitFailure : kExitSuccess;
}
