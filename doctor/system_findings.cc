#include "doctor/system_findings.h"

#include "doctor/library_image.h"
#include "driver/converter_library.h"

namespace {

constexpr uint16_t kMachineArm64 = 0xAA64;

const char* RebootSignName(RebootSign sign) {
  switch (sign) {
    case RebootSign::kPendingFileRenames:
      return "PendingFileRenameOperations";
    case RebootSign::kServicing:
      return "Component Based Servicing\\RebootPending";
    case RebootSign::kWindowsUpdate:
      return "WindowsUpdate\\Auto Update\\RebootRequired";
    case RebootSign::kNone:
      break;
  }
  return "";
}

}  // namespace

void AddMachine(uint16_t machine, Text& out) {
  AddMachineName({ImageFormat::kPortableExecutable, machine, true}, out);
}

void ReadSystemBefore(SystemInterface& system, Report* report) {
  SystemReport& read = report->system;
  read.read = system.HasPrintingSystem();
  if (!read.read) return;
  read.spooler = system.ReadSpoolerState();
  read.elevated = system.ReadElevation();
  read.machine = system.ReadNativeMachine();
  read.protected_print = system.ReadProtectedPrint();
  read.reboot = system.ReadPendingReboot();
  if (report->mode == DoctorMode::kRun) {
    read.printer_present_before = system.ReadPrinterPresence(kPrinterName);
  }
}

void ReadSystemAfter(SystemInterface& system, Report* report) {
  if (!report->system.read) return;
  report->system.printer_present = system.ReadPrinterPresence(kPrinterName);
}

void ExplainSystem(RunOutcome outcome, Report* report) {
  const SystemReport& read = report->system;
  if (!read.read) return;
  switch (read.spooler) {
    case SpoolerState::kMissing:
      report->Add("spooler-missing", Severity::kError)
          .message.Add(
              "this machine has no Print Spooler service, through which every printer and "
              "printer driver is added: the library cannot add its printer here");
      break;
    case SpoolerState::kDisabled:
      report->Add("spooler-disabled", Severity::kError)
          .message.Add(
              "the Print Spooler service is disabled, so no printer or printer driver can be "
              "added; a policy or a hardening baseline usually does this. Where that policy "
              "allows it, enable and start it: sc config Spooler start= auto, then sc start "
              "Spooler");
      break;
    case SpoolerState::kStopped:
      report->Add("spooler-not-running", Severity::kError)
          .message.Add(
              "the Print Spooler service is not running, so no printer or printer driver can "
              "be added: start it with sc start Spooler");
      break;
    case SpoolerState::kRunning:
    case SpoolerState::kUnknown:
      break;
  }
  if (read.elevated == Reading::kNo) {
    report->Add("not-elevated", Severity::kWarning)
        .message.Add(
            "the process is not elevated, and adding a printer driver needs administrator "
            "rights: run the tool as the installation would, from an MSI's deferred custom "
            "action (which runs as SYSTEM) or from an elevated prompt");
  }
  if (read.protected_print == Reading::kYes) {
    report->Add("protected-print-mode", Severity::kWarning)
        .message.Add(
            "the policy turns on Windows protected print mode, in which only Windows' own "
            "class driver can be installed: the library's printer driver most likely cannot");
  }
  if (read.machine == kMachineArm64) {
    report->Add("machine-arm64", Severity::kWarning)
        .message.Add(
            "this is an ARM64 machine: the tool and the library run emulated as x64, but the "
            "Print Spooler is native, so the printer driver the library installs must be "
            "built for ARM64");
  }
  if (read.reboot != RebootSign::kNone) {
    Finding& finding = report->Add("reboot-pending", Severity::kWarning);
    finding.message.Add("a reboot is pending (")
        .Add(RebootSignName(read.reboot))
        .Add(
            "), and files an earlier installation or update replaces may be the ones a printer "
            "driver needs: restart, then install");
    finding.Field("sign").Add(RebootSignName(read.reboot));
  }
  if (report->mode != DoctorMode::kRun) return;
  if (!report->removal && outcome == RunOutcome::kStarted && read.printer_present == Reading::kNo) {
    report->Add("printer-not-created", Severity::kWarning)
        .message.Add("PDFDriverInit returned a driver handle, yet there is no printer named ")
        .Add(kPrinterName)
        .Add(" afterwards: the library says it started what it did not set up");
  }
  if (report->removal && report->trace.end_called && read.printer_present == Reading::kYes) {
    report->Add("printer-not-removed", Severity::kWarning)
        .message.Add("DriverEnd was called, yet the printer ")
        .Add(kPrinterName)
        .Add(" is still there");
  }
}

const char* SystemCause(const Report& report, bool errors_only) {
  const SystemReport& read = report.system;
  if (!read.read) return nullptr;
  switch (read.spooler) {
    case SpoolerState::kMissing:
      return "there is no Print Spooler service";
    case SpoolerState::kDisabled:
      return "the Print Spooler service is disabled";
    case SpoolerState::kStopped:
      return "the Print Spooler service is not running";
    case SpoolerState::kRunning:
    case SpoolerState::kUnknown:
      break;
  }
  if (errors_only) return nullptr;
  if (read.elevated == Reading::kNo) return "the process is not elevated";
  if (read.protected_print == Reading::kYes) return "Windows protected print mode is on";
  if (read.machine == kMachineArm64) return "the machine is ARM64";
  if (read.reboot != RebootSign::kNone) return "a reboot is pending";
  return nullptr;
}
