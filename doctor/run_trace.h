// What the tool's run asked of the loader and what it got, step by step, as the
// narrating loader saw it; and the few things everyone asks of that record.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "doctor_platform/fault_report.h"
#include "doctor_platform/load_error.h"
#include "platform/wide_string.h"

// Where the run is: a fault is placed in the step it happened in.
enum class LibraryStep { kNone, kLoad, kStart, kEnd, kRelease };

// One thing the run did, in the order it did it.
struct RunEvent {
  enum Kind { kLoad, kResolve, kCall, kRelease } kind;
  const char* entry_point;  // kResolve, kCall
  bool found;               // kResolve: found; kLoad: loaded
  bool returned;            // kCall: the call came back (a fault ends it for good)
  uintptr_t value;          // kCall: what PDFDriverInit returned, or DriverEnd's handle
};

enum class Presence { kUnknown, kFound, kMissing };

struct RunTrace {
  LibraryStep current = LibraryStep::kNone;
  bool load_asked = false;
  WideChar requested[kPathCapacity] = {};
  bool loaded = false;
  WideChar loaded_from[kPathCapacity] = {};  // empty when the platform cannot say
  LoadError load_error = {};
  bool load_faulted = false;  // the loader caught a fault in the start-up code
  Fault load_fault = {};
  bool release_faulted = false;  // the loader caught a fault in the unload code
  Fault release_fault = {};
  Presence start = Presence::kUnknown;  // both looked up as soon as the library loads
  Presence end = Presence::kUnknown;
  bool start_called = false;
  bool end_called = false;
  RunEvent events[8] = {};
  size_t event_count = 0;
};

// Where the tool's run stopped, as its trace shows it. In a check the start is the
// doctor's stand-in, which always returns a handle.
enum class RunOutcome {
  kRejected,           // the parser refused the command line: nothing was loaded
  kNoRoomForName,      // accepted, but the directory leaves no room for the file name
  kLoadFailed,         // the library did not load
  kNoStartEntryPoint,  // loaded, without PDFDriverInit
  kStartReturnedNull,  // PDFDriverInit returned null
  kStarted,            // PDFDriverInit returned a handle
};
// |parsed|: whether the parser took the command line, which the trace cannot show.
RunOutcome OutcomeOf(bool parsed, const RunTrace& trace);

// The library as a person would name it: the file it came from, when the platform
// says, or else the path the run asked for.
const WideChar* LibraryShown(const RunTrace& trace);

// What PDFDriverInit returned, if the run called it and the call came back.
bool StartResult(const RunTrace& trace, uintptr_t* handle);

// The step as fleet tools read it: "load", "PDFDriverInit", "DriverEnd", "release",
// or "doctor" outside the library's calls.
const char* StepName(LibraryStep step);

// Whether the run itself looked up |entry_point|.
bool Resolved(const RunTrace& trace, const char* entry_point);
