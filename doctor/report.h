// What the doctor found and what the run did, and how it is told: as text for
// people or as one JSON object for fleet tools. Everything lives in fixed storage
// and is written without the heap, so a fault observer can tell it too.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "doctor/run_trace.h"
#include "doctor/system_interface.h"
#include "doctor/text.h"
#include "platform/wide_string.h"

enum class DoctorMode { kCheck, kRun };
enum class Severity { kError, kWarning };

constexpr size_t kMaxFindings = 32;
constexpr size_t kMaxFindingFields = 3;

struct Finding {
  const char* code = nullptr;
  Severity severity = Severity::kError;
  FixedText<2048> message;
  // Extra facts for fleet tools, such as a missing DLL's name.
  const char* field_names[kMaxFindingFields] = {};
  FixedText<1024> field_values[kMaxFindingFields];
  size_t field_count = 0;

  // Adds a field and returns its value to fill in; the last one is reused when full.
  Text& Field(const char* name);
};

// What the doctor read of the printing system; |read| false where there is none.
struct SystemReport {
  bool read = false;
  SpoolerState spooler = SpoolerState::kUnknown;
  Reading elevated = Reading::kUnknown;
  uint16_t machine = 0;  // a PE machine field
  Reading protected_print = Reading::kUnknown;
  RebootSign reboot = RebootSign::kNone;
  Reading printer_present = Reading::kUnknown;         // now, or with --run after the run
  Reading printer_present_before = Reading::kUnknown;  // --run only
};

// The doctor's own limit on each call into the library, by default.
constexpr unsigned kDefaultTimeoutSeconds = 300;

// The tool's exit status when it is known, or kDependsOnLibrary.
constexpr int kDependsOnLibrary = -1;

struct Report {
  DoctorMode mode = DoctorMode::kCheck;
  bool json = false;
  unsigned timeout_seconds = kDefaultTimeoutSeconds;  // 0: no limit
  // The tool's arguments as given: the first |kept_arguments| of them, which is all
  // of them but on the host past 64.
  const WideChar* const* arguments = nullptr;
  int kept_arguments = 0;
  bool parsed = false;
  bool removal = false;
  RunTrace trace;
  FixedText<32> file_version;
  SystemReport system;

  Finding findings[kMaxFindings];
  size_t finding_count = 0;

  int tool_exit_status = kDependsOnLibrary;
  // In a check that stops short of the library's calls: the exit status if
  // PDFDriverInit returns a driver handle, and if it returns null.
  int exit_status_if_started = kDependsOnLibrary;
  int exit_status_if_not_started = kDependsOnLibrary;
  FixedText<2048> verdict;

  // A new finding at the end of the list; the last one is reused when full.
  Finding& Add(const char* code, Severity severity);
  bool Has(const char* code) const;
  bool HasError() const;
};

// The whole report, as text (a line per finding, then the verdict) or as one line
// of JSON, to |system|'s standard output.
void WriteReport(const Report& report, SystemInterface& system);

// One event as --run tells it in text, while the run goes on: before a call
// (|done| false) and after it.
void WriteEvent(const RunTrace& trace, const RunEvent& event, bool done, SystemInterface& system);
