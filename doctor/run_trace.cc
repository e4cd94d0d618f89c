#include "doctor/run_trace.h"

#include <string.h>

#include "driver/converter_library.h"

RunOutcome OutcomeOf(bool parsed, const RunTrace& trace) {
  if (!parsed) return RunOutcome::kRejected;
  if (!trace.load_asked) return RunOutcome::kNoRoomForName;
  if (!trace.loaded) return RunOutcome::kLoadFailed;
  if (trace.start != Presence::kFound) return RunOutcome::kNoStartEntryPoint;
  uintptr_t handle = 0;
  if (StartResult(trace, &handle) && handle == 0) return RunOutcome::kStartReturnedNull;
  return RunOutcome::kStarted;
}

const WideChar* LibraryShown(const RunTrace& trace) {
  return trace.loaded_from[0] != 0 ? trace.loaded_from : trace.requested;
}

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

const char* StepName(LibraryStep step) {
  switch (step) {
    case LibraryStep::kLoad:
      return "load";
    case LibraryStep::kStart:
      return kStartEntryPoint;
    case LibraryStep::kEnd:
      return kEndEntryPoint;
    case LibraryStep::kRelease:
      return "release";
    case LibraryStep::kNone:
      break;
  }
  return "doctor";
}

bool Resolved(const RunTrace& trace, const char* entry_point) {
  for (size_t i = 0; i < trace.event_count; ++i) {
    const RunEvent& event = trace.events[i];
    if (event.kind == RunEvent::kResolve && strcmp(event.entry_point, entry_point) == 0) {
      return true;
    }
  }
  return false;
}
