#include "doctor/doctor.h"

#include <string.h>

#include "cli/command_line.h"
#include "doctor/command_line_findings.h"
#include "doctor/library_findings.h"
#include "doctor/narrating_loader.h"
#include "doctor/report.h"
#include "driver/converter_library.h"
#include "driver/exit_status.h"
#include "platform/fault_exit.h"
#include "platform/fault_report.h"
#include "platform/file_probe.h"
#include "platform/loader_info.h"
#include "platform/output.h"

namespace {

constexpr int kMaxToolArguments = 64;

const char kUsage[] =
    "usage: pdf-printer-doctor [--run] [--json] [--] [TOOL ARGUMENTS...]\n"
    "\n"
    "Tells why pdf-printer-setup exits 1 on this machine with these arguments.\n"
    "TOOL ARGUMENTS are exactly what the tool would be given.\n"
    "\n"
    "  (default)  check: parse, compose the path, load the library and look up its\n"
    "             entry points as the tool does, but call neither: changes nothing\n"
    "  --run      the tool's whole run, for real (installs or removes the printer),\n"
    "             telling each step\n"
    "  --json     one JSON object on one line, for fleet tools\n"
    "  --         ends the doctor's options\n"
    "  --help     this text\n"
    "  --version  the doctor's version\n"
    "\n"
    "Exit status: 0 when no finding is an error, 1 when one is (with --run, the\n"
    "tool's own exit status), 2 for a usage error.\n";

// Static: the fault observer tells it.
Report report;
bool report_ready = false;

void Write(OutputStream stream, const char* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  WriteOutput(stream, text, length);
}

bool IsOption(const WideChar* argument, const char* option) {
  size_t i = 0;
  for (; option[i] != 0; ++i) {
    if (argument[i] != static_cast<WideChar>(option[i])) return false;
  }
  return argument[i] == 0;
}

bool StartsWithTwoDashes(const WideChar* argument) {
  return argument[0] == '-' && argument[1] == '-';
}

// In a run told as text, each step as it is taken: a library that hangs or ends
// the process itself leaves its last step on the screen.
class LiveSteps final : public RunListener {
 public:
  void Told(const RunTrace& trace, const RunEvent& event, bool done) override {
    if (report.mode == DoctorMode::kRun && !report.json) WriteEvent(trace, event, done);
  }
};

const WideChar* LibraryShown(const RunTrace& trace) {
  return trace.loaded_from[0] != 0 ? trace.loaded_from : trace.requested;
}

// What PDFDriverInit returned in a run, if it was called and returned.
bool StartResult(const RunTrace& trace, uintptr_t* handle) {
  for (size_t i = 0; i < trace.event_count; ++i) {
    const RunEvent& event = trace.events[i];
    if (event.kind == RunEvent::kCall && event.returned &&
        strcmp(event.entry_point, kStartEntryPoint) == 0) {
      *handle = event.value;
      return true;
    }
  }
  return false;
}

void ComposeVerdict(int exit_status) {
  const RunTrace& trace = report.trace;
  Text& verdict = report.verdict;
  verdict.Clear();
  const bool run = report.mode == DoctorMode::kRun;
  if (!report.parsed) {
    verdict.Add("The tool rejects this command line and exits 1 without loading anything.");
  } else if (!trace.load_asked) {
    verdict.Add(
        "The tool exits 1 without loading anything: the directory leaves no room for "
        "the library's file name.");
  } else if (!trace.loaded) {
    verdict.Add("The tool cannot load ").AddWide(trace.requested).Add(" and exits 1.");
  } else if (trace.start == Presence::kMissing) {
    verdict.Add("The tool loads ").AddWide(LibraryShown(trace)).Add(", finds no PDFDriverInit");
    verdict.Add(report.removal ? ", so nothing to remove, and exits 0." : " and exits 1.");
  } else if (!run) {
    verdict.Add("The tool will load ")
        .AddWide(LibraryShown(trace))
        .Add(" and call PDFDriverInit. If that returns a driver handle, the tool ");
    if (!report.removal) {
      verdict.Add("leaves the driver installed");
    } else if (trace.end == Presence::kFound) {
      verdict.Add("ends the driver with DriverEnd");
    } else {
      verdict.Add("cannot end the driver, having no DriverEnd,");
    }
    verdict.Add(" and exits ")
        .AddNumber(static_cast<uint64_t>(report.exit_status_if_started))
        .Add("; if it returns null, it exits ")
        .AddNumber(static_cast<uint64_t>(report.exit_status_if_not_started))
        .Add(". A fault in the library ends the run with 1.");
  } else {
    uintptr_t handle = 0;
    StartResult(trace, &handle);
    verdict.Add("The run ended with exit status ")
        .AddNumber(static_cast<uint64_t>(exit_status))
        .Add(": ");
    FixedText<24> handle_text;
    handle_text.AddHex(handle, 2 * sizeof handle);
    if (handle == 0) {
      verdict.Add(report.removal ? "PDFDriverInit returned null, so there was nothing to remove."
                                 : "PDFDriverInit returned null, so the driver did not start.");
    } else if (!report.removal) {
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
}

void ReportFault(const Fault& fault) {
  if (!report_ready) return;
  const LibraryStep step = report.trace.current;
  AddFaultFinding(fault, step, false, &report);
  report.tool_exit_status = kExitFailure;
  report.exit_status_if_started = kDependsOnLibrary;
  report.exit_status_if_not_started = kDependsOnLibrary;
  report.verdict.Clear();
  report.verdict.Add("The run ends at once with exit status 1: the library faulted ")
      .Add(FaultPlace(step))
      .Add(".");
  WriteReport(report);
}

void CheckToolBeside(const WideChar* tool_file_name) {
  WideChar folder[kPathCapacity];
  WideChar tool[kPathCapacity];
  if (!ProgramFolder(folder, kPathCapacity)) return;
  const size_t length = BoundedLength(folder, kPathCapacity);
  const size_t name_length = BoundedLength(tool_file_name, kPathCapacity);
  if (length + 1 + name_length >= kPathCapacity) return;
  for (size_t i = 0; i < length; ++i) tool[i] = folder[i];
  tool[length] = kPathSeparator;
  for (size_t i = 0; i <= name_length; ++i) tool[length + 1 + i] = tool_file_name[i];
  if (ProbePath(tool) == PathKind::kFile) return;
  Finding& finding = report.Add("tool-not-beside-doctor", Severity::kWarning);
  finding.message.Add("there is no ")
      .AddWide(tool_file_name)
      .Add(" beside the doctor, in ")
      .AddWide(folder)
      .Add(
          ": the search the doctor describes starts in its own folder, and the tool's starts in "
          "the tool's. Run the doctor from the tool's folder");
}

}  // namespace

int RunDoctor(const DoctorInput& input) {
  ExitOnFault(kExitFailure);
  ReportFaultsTo(ReportFault);
  WatchFaults();

  int index = 1;
  for (; index < input.kept && StartsWithTwoDashes(input.argv[index]); ++index) {
    const WideChar* option = input.argv[index];
    if (IsOption(option, "--")) {
      ++index;
      break;
    }
    if (IsOption(option, "--run")) {
      report.mode = DoctorMode::kRun;
    } else if (IsOption(option, "--json")) {
      report.json = true;
    } else if (IsOption(option, "--help")) {
      Write(OutputStream::kStandardOutput, kUsage);
      return kExitSuccess;
    } else if (IsOption(option, "--version")) {
      Write(OutputStream::kStandardOutput, "pdf-printer-doctor " PDF_PRINTER_VERSION "\n");
      return kExitSuccess;
    } else {
      FixedText<512> message;
      message.Add("pdf-printer-doctor: unknown option ").AddWide(option).Add("\n\n").Add(kUsage);
      WriteOutput(OutputStream::kStandardError, message.c_str(), message.size());
      return kDoctorUsageError;
    }
  }

  // The tool's own argument vector: its name, then what follows the doctor's options.
  const WideChar* tool_argv[kMaxToolArguments + 1] = {input.argv[0]};
  int kept = 1;
  for (int i = index; i < input.kept && kept <= kMaxToolArguments; ++i)
    tool_argv[kept++] = input.argv[i];
  const int tool_argc = 1 + (input.argc > index ? input.argc - index : 0);
  report.arguments = tool_argv + 1;
  report.kept_arguments = kept - 1;

  CheckToolBeside(input.tool_file_name);
  report_ready = true;

  int exit_status;
  const bool unreadable = input.unreadable_argument >= index && tool_argc <= kMaxArgumentCount;
  if (unreadable) {
    // The host tool refuses an argument that is not UTF-8 before it parses.
    Finding& finding = report.Add("command-line-rejected", Severity::kError);
    finding.message.Add("argument ")
        .AddNumber(static_cast<uint64_t>(input.unreadable_argument - index + 1))
        .Add(" is not UTF-8 text, so the tool cannot read it");
    exit_status = kExitFailure;
  } else {
    CommandOptions options;
    report.parsed = ParseCommandLine(tool_argc, tool_argv, &options);
    if (report.parsed) {
      report.removal = options.RemoveDriver;
      ExplainDirectory(options, &report);
    }
    LiveSteps live_steps;
    {
      NarratingLoader loader(SystemLibraryLoader(), report.mode, &report.trace, &live_steps);
      exit_status = RunCommandLine(tool_argc, tool_argv, loader);
    }
    const RunTrace& trace = report.trace;
    if (!report.parsed) {
      ExplainRejectedCommandLine(tool_argc, kept, tool_argv, &report);
    } else if (!trace.load_asked) {
      ExplainDirectoryTooLong(options, &report);
    } else if (!trace.loaded) {
      ExplainLoadFailure(options, trace, &report);
    } else {
      ExplainLoadedLibrary(options, trace, &report);
      ExplainEntryPoints(trace, report.removal, report.mode, exit_status, &report);
      if (trace.release_faulted) {
        AddFaultFinding(trace.release_fault, LibraryStep::kRelease, true, &report);
      }
    }
    if (report.mode == DoctorMode::kCheck && trace.start_called) {
      // The tool's exit status then turns on what PDFDriverInit returns: the run
      // above stood in for one that starts the driver; the tool's run once more
      // gives the other outcome.
      report.exit_status_if_started = exit_status;
      ReplayLoader replay(trace);
      report.exit_status_if_not_started = RunCommandLine(tool_argc, tool_argv, replay);
    }
  }
  report.tool_exit_status = report.mode == DoctorMode::kCheck && report.trace.start_called
                                ? kDependsOnLibrary
                                : exit_status;
  // Whatever the findings explain, a run that fails in the normal case is an error.
  if (exit_status == kExitFailure && !report.HasError()) {
    report.Add("run-fails", Severity::kError).message.Add("the tool's run ends with exit status 1");
  }
  ComposeVerdict(exit_status);
  WriteReport(report);
  if (report.mode == DoctorMode::kRun) return exit_status;
  return report.HasError() ? kExitFailure : kExitSuccess;
}
