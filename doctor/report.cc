#include "doctor/report.h"

#include <string.h>

#include "doctor/system_findings.h"
#include "driver/converter_library.h"

namespace {

// Standard output through one fixed buffer, so a report leaves in few writes.
class Output {
 public:
  Output& Put(const char* text, size_t length) {
    while (length != 0) {
      if (used_ == sizeof buffer_) Flush();
      const size_t room = sizeof buffer_ - used_;
      const size_t part = length < room ? length : room;
      memcpy(buffer_ + used_, text, part);
      used_ += part;
      text += part;
      length -= part;
    }
    return *this;
  }
  Output& Put(const char* text) { return Put(text, strlen(text)); }
  Output& Put(const Text& text) { return Put(text.c_str(), text.size()); }
  Output& PutWide(const WideChar* text) {
    FixedText<3 * kPathCapacity + 1> utf8;
    return Put(utf8.AddWide(text));
  }

  // A JSON string: quotes, backslashes and control characters escaped, every
  // other character as its UTF-8, a lone surrogate as its \u escape.
  Output& PutJson(const char* text, size_t length) {
    Put("\"");
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length; ++i) {
      const unsigned char byte = bytes[i];
      if (byte == '"' || byte == '\\') {
        const char escaped[] = {'\\', static_cast<char>(byte)};
        Put(escaped, 2);
      } else if (byte == '\n') {
        Put("\\n");
      } else if (byte == '\r') {
        Put("\\r");
      } else if (byte == '\t') {
        Put("\\t");
      } else if (byte < 0x20) {
        PutUnicodeEscape(byte);
      } else if (byte == 0xED && i + 2 < length && bytes[i + 1] >= 0xA0) {
        PutUnicodeEscape(0xD000u | (bytes[i + 1] & 0x3Fu) << 6 | (bytes[i + 2] & 0x3Fu));
        i += 2;
      } else {
        Put(text + i, 1);
      }
    }
    return Put("\"");
  }
  Output& PutJson(const char* text) { return PutJson(text, strlen(text)); }
  Output& PutJson(const Text& text) { return PutJson(text.c_str(), text.size()); }
  Output& PutJsonWide(const WideChar* text) {
    FixedText<3 * kPathCapacity + 1> utf8;
    return PutJson(utf8.AddWide(text));
  }
  Output& PutNumberOrNull(int value) {
    FixedText<16> number;
    return value < 0 ? Put("null") : Put(number.AddNumber(static_cast<uint64_t>(value)));
  }

  void To(SystemInterface& system) { system_ = &system; }
  void Flush() {
    system_->WriteOutput(OutputStream::kStandardOutput, buffer_, used_);
    used_ = 0;
  }

 private:
  void PutUnicodeEscape(unsigned value) {
    FixedText<8> escape;
    escape.Add("\\u");
    for (int shift = 12; shift >= 0; shift -= 4) {
      const char digit = "0123456789abcdef"[(value >> shift) & 0xF];
      escape.Add(&digit, 1);
    }
    Put(escape);
  }

  SystemInterface* system_ = nullptr;
  char buffer_[8192];
  size_t used_ = 0;
};

// One buffer for the report and the steps told before it: a report may have to be
// written from a fault observer, with no stack to spare for it.
Output output;

const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

const char* ReadingJson(Reading reading) {
  return reading == Reading::kYes ? "true" : reading == Reading::kNo ? "false" : "null";
}

const char* SpoolerName(SpoolerState state) {
  switch (state) {
    case SpoolerState::kRunning:
      return "running";
    case SpoolerState::kStopped:
      return "stopped";
    case SpoolerState::kDisabled:
      return "disabled";
    case SpoolerState::kMissing:
      return "missing";
    case SpoolerState::kUnknown:
      break;
  }
  return nullptr;
}

void WriteJsonSystem(const Report& report) {
  const SystemReport& system = report.system;
  if (!system.read) {
    output.Put("null");
    return;
  }
  const char* const spooler = SpoolerName(system.spooler);
  FixedText<16> machine;
  AddMachine(system.machine, machine);
  output.Put("{\"spooler\":");
  if (spooler != nullptr) {
    output.PutJson(spooler);
  } else {
    output.Put("null");
  }
  output.Put(",\"elevated\":").Put(ReadingJson(system.elevated));
  output.Put(",\"machine\":").PutJson(machine);
  output.Put(",\"protected_print\":").Put(ReadingJson(system.protected_print));
  output.Put(",\"reboot_pending\":").Put(system.reboot != RebootSign::kNone ? "true" : "false");
  output.Put(",\"printer_present\":").Put(ReadingJson(system.printer_present));
  if (report.mode == DoctorMode::kRun) {
    output.Put(",\"printer_present_before\":").Put(ReadingJson(system.printer_present_before));
  }
  output.Put("}");
}

void WriteTextSystem(const Report& report) {
  const SystemReport& system = report.system;
  if (!system.read) return;
  const char* const spooler = SpoolerName(system.spooler);
  FixedText<16> machine;
  AddMachine(system.machine, machine);
  output.Put("system: Print Spooler ").Put(spooler != nullptr ? spooler : "unknown");
  output.Put(system.elevated == Reading::kYes  ? ", elevated"
             : system.elevated == Reading::kNo ? ", not elevated"
                                               : ", elevation unknown");
  output.Put(", machine ").Put(machine).Put(", printer ");
  output.Put(system.printer_present == Reading::kYes  ? "present"
             : system.printer_present == Reading::kNo ? "absent"
                                                      : "unknown");
  output.Put("\n");
}

const char* PresenceJson(Presence presence) {
  return presence == Presence::kFound ? "true" : presence == Presence::kMissing ? "false" : "null";
}

void WriteTextReport(const Report& report) {
  const RunTrace& trace = report.trace;
  // A run told its steps as it took them; a check tells what it saw of the library.
  if (report.mode == DoctorMode::kCheck && trace.load_asked) {
    if (trace.loaded) {
      output.Put("library: ").PutWide(LibraryShown(trace));
      if (!report.file_version.empty()) output.Put(", file version ").Put(report.file_version);
      output.Put("\nentry points: PDFDriverInit ")
          .Put(trace.start == Presence::kFound ? "found" : "missing")
          .Put(", DriverEnd ")
          .Put(trace.end == Presence::kFound ? "found" : "missing")
          .Put("\n");
    } else if (trace.current == LibraryStep::kLoad) {
      output.Put("library: ").PutWide(trace.requested).Put(" did not finish loading\n");
    } else {
      output.Put("library: ").PutWide(trace.requested).Put(" could not be loaded\n");
    }
  }
  WriteTextSystem(report);
  for (size_t i = 0; i < report.finding_count; ++i) {
    const Finding& finding = report.findings[i];
    output.Put(SeverityName(finding.severity))
        .Put(" ")
        .Put(finding.code)
        .Put(": ")
        .Put(finding.message)
        .Put("\n");
  }
  output.Put("verdict: ").Put(report.verdict).Put("\n");
}

void WriteJsonEvent(const RunEvent& event) {
  switch (event.kind) {
    case RunEvent::kLoad:
      output.Put("{\"step\":\"load\",\"loaded\":").Put(event.found ? "true" : "false").Put("}");
      break;
    case RunEvent::kResolve:
      output.Put("{\"step\":\"resolve\",\"name\":")
          .PutJson(event.entry_point)
          .Put(",\"found\":")
          .Put(event.found ? "true" : "false")
          .Put("}");
      break;
    case RunEvent::kCall: {
      FixedText<24> value;
      value.AddHex(event.value, 2 * sizeof(uintptr_t));
      const bool start = strcmp(event.entry_point, kStartEntryPoint) == 0;
      output.Put("{\"step\":\"call\",\"name\":")
          .PutJson(event.entry_point)
          .Put(",\"returned\":")
          .Put(event.returned ? "true" : "false");
      if (!start) output.Put(",\"handle\":").PutJson(value);
      if (start && event.returned) output.Put(",\"result\":").PutJson(value);
      output.Put("}");
      break;
    }
    case RunEvent::kRelease:
      output.Put("{\"step\":\"release\"}");
      break;
  }
}

void WriteJsonReport(const Report& report) {
  const RunTrace& trace = report.trace;
  output.Put("{\"doctor_version\":").PutJson(PDF_PRINTER_VERSION);
  output.Put(",\"mode\":").PutJson(report.mode == DoctorMode::kRun ? "run" : "check");
  output.Put(",\"arguments\":[");
  for (int i = 0; i < report.kept_arguments; ++i) {
    if (i != 0) output.Put(",");
    output.PutJsonWide(report.arguments[i]);
  }
  output.Put("],\"run\":");
  if (report.parsed) {
    output.PutJson(report.removal ? "removal" : "install");
  } else {
    output.Put("null");
  }
  output.Put(",\"requested\":");
  if (trace.load_asked) {
    output.PutJsonWide(trace.requested);
  } else {
    output.Put("null");
  }
  output.Put(",\"loaded_from\":");
  if (trace.loaded && trace.loaded_from[0] != 0) {
    output.PutJsonWide(trace.loaded_from);
  } else {
    output.Put("null");
  }
  output.Put(",\"file_version\":");
  if (report.file_version.empty()) {
    output.Put("null");
  } else {
    output.PutJson(report.file_version);
  }
  output.Put(",\"entry_points\":{\"PDFDriverInit\":")
      .Put(PresenceJson(trace.start))
      .Put(",\"DriverEnd\":")
      .Put(PresenceJson(trace.end))
      .Put("},\"steps\":[");
  for (size_t i = 0; i < trace.event_count; ++i) {
    if (i != 0) output.Put(",");
    WriteJsonEvent(trace.events[i]);
  }
  output.Put("],\"system\":");
  WriteJsonSystem(report);
  output.Put(",\"findings\":[");
  for (size_t i = 0; i < report.finding_count; ++i) {
    const Finding& finding = report.findings[i];
    if (i != 0) output.Put(",");
    output.Put("{\"code\":")
        .PutJson(finding.code)
        .Put(",\"severity\":")
        .PutJson(SeverityName(finding.severity))
        .Put(",\"message\":")
        .PutJson(finding.message);
    for (size_t field = 0; field < finding.field_count; ++field) {
      output.Put(",")
          .PutJson(finding.field_names[field])
          .Put(":")
          .PutJson(finding.field_values[field]);
    }
    output.Put("}");
  }
  output.Put("],\"tool_exit_status\":").PutNumberOrNull(report.tool_exit_status);
  output.Put(",\"tool_exit_status_if_started\":").PutNumberOrNull(report.exit_status_if_started);
  output.Put(",\"tool_exit_status_if_not_started\":")
      .PutNumberOrNull(report.exit_status_if_not_started);
  output.Put(",\"verdict\":").PutJson(report.verdict).Put("}\n");
}

}  // namespace

Text& Finding::Field(const char* name) {
  if (field_count == kMaxFindingFields) field_count = kMaxFindingFields - 1;
  field_names[field_count] = name;
  field_values[field_count].Clear();
  return field_values[field_count++];
}

Finding& Report::Add(const char* code, Severity severity) {
  if (finding_count == kMaxFindings) finding_count = kMaxFindings - 1;
  Finding& finding = findings[finding_count++];
  finding.code = code;
  finding.severity = severity;
  finding.message.Clear();
  finding.field_count = 0;
  return finding;
}

bool Report::Has(const char* code) const {
  for (size_t i = 0; i < finding_count; ++i) {
    if (strcmp(findings[i].code, code) == 0) return true;
  }
  return false;
}

bool Report::HasError() const {
  for (size_t i = 0; i < finding_count; ++i) {
    if (findings[i].severity == Severity::kError) return true;
  }
  return false;
}

void WriteReport(const Report& report, SystemInterface& system) {
  output.To(system);
  if (report.json) {
    WriteJsonReport(report);
  } else {
    WriteTextReport(report);
  }
  output.Flush();
}

void WriteEvent(const RunTrace& trace, const RunEvent& event, bool done, SystemInterface& system) {
  output.To(system);
  FixedText<24> value;
  value.AddHex(event.value, 2 * sizeof(uintptr_t));
  switch (event.kind) {
    case RunEvent::kLoad:
      if (!done) {
        output.Put("load ").PutWide(trace.requested).Put("\n");
      } else if (event.found) {
        output.Put("  loaded ").PutWide(LibraryShown(trace)).Put("\n");
      } else {
        output.Put("  not loaded: ");
        if (trace.load_error.has_code) {
          FixedText<16> code;
          output.Put("error ").Put(code.AddNumber(trace.load_error.code)).Put(", ");
        }
        output.Put(trace.load_error.text).Put("\n");
      }
      break;
    case RunEvent::kResolve:
      output.Put("resolve ").Put(event.entry_point).Put(event.found ? ": found\n" : ": missing\n");
      break;
    case RunEvent::kCall:
      if (strcmp(event.entry_point, kStartEntryPoint) == 0) {
        if (!done) {
          output.Put("call PDFDriverInit(\"").Put(kPrinterName).Put("\")\n");
        } else {
          output.Put("  returned ").Put(value).Put(event.value == 0 ? " (null)\n" : "\n");
        }
      } else if (!done) {
        output.Put("call DriverEnd(").Put(value).Put(")\n");
      } else {
        output.Put("  returned\n");
      }
      break;
    case RunEvent::kRelease:
      output.Put(done ? "  released\n" : "release\n");
      break;
  }
  output.Flush();
}
