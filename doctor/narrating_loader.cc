#include "doctor/narrating_loader.h"

#include <string.h>

#include <type_traits>

#include "driver/converter_library.h"

namespace {

struct Narration {
  LibraryLoader* loader = nullptr;
  SystemInterface* system = nullptr;
  DoctorMode mode = DoctorMode::kCheck;
  RunTrace* trace = nullptr;
  RunListener* listener = nullptr;
  PDFDriverInitFunction start = nullptr;
  DriverEndFunction end = nullptr;
};

Narration narration;

// Passed to the stand-in DriverEnd; never looked inside.
char stand_in_driver;

RunEvent& Append(RunEvent::Kind kind, const char* entry_point = nullptr) {
  RunTrace& trace = *narration.trace;
  constexpr size_t kCapacity = sizeof trace.events / sizeof trace.events[0];
  if (trace.event_count == kCapacity) trace.event_count = kCapacity - 1;
  RunEvent& event = trace.events[trace.event_count++];
  event = RunEvent{kind, entry_point, false, false, 0};
  return event;
}

// Makes |call| into the library with the step a fault or a hang is placed in set,
// and the watchdog's time running.
template <typename Call>
auto InLibrary(LibraryStep step, Call call) {
  narration.trace->current = step;
  narration.system->ArmWatchdog();
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    narration.system->DisarmWatchdog();
    narration.trace->current = LibraryStep::kNone;
  } else {
    const auto result = call();
    narration.system->DisarmWatchdog();
    narration.trace->current = LibraryStep::kNone;
    return result;
  }
}

void Tell(const RunEvent& event, bool done) {
  if (narration.listener != nullptr) narration.listener->Told(*narration.trace, event, done);
}

void* StandInStart(char*) {
  narration.trace->start_called = true;
  return &stand_in_driver;
}

void StandInEnd(void*) { narration.trace->end_called = true; }

void* NarratedStart(char* printer_name) {
  RunTrace& trace = *narration.trace;
  RunEvent& event = Append(RunEvent::kCall, kStartEntryPoint);
  Tell(event, false);
  trace.start_called = true;
  void* const handle =
      InLibrary(LibraryStep::kStart, [&] { return narration.start(printer_name); });
  event.returned = true;
  event.value = reinterpret_cast<uintptr_t>(handle);
  Tell(event, true);
  return handle;
}

void NarratedEnd(void* driver_handle) {
  RunTrace& trace = *narration.trace;
  RunEvent& event = Append(RunEvent::kCall, kEndEntryPoint);
  event.value = reinterpret_cast<uintptr_t>(driver_handle);
  Tell(event, false);
  trace.end_called = true;
  InLibrary(LibraryStep::kEnd, [&] { narration.end(driver_handle); });
  event.returned = true;
  Tell(event, true);
}

void* ReplayedStart(char*) { return nullptr; }
void ReplayedEnd(void*) {}

bool Is(const char* name, const char* entry_point) { return strcmp(name, entry_point) == 0; }

Presence PresenceOf(EntryPoint entry_point) {
  return entry_point != nullptr ? Presence::kFound : Presence::kMissing;
}

}  // namespace

NarratingLoader::NarratingLoader(LibraryLoader& loader, SystemInterface& system, DoctorMode mode,
                                 RunTrace* trace, RunListener* listener) {
  narration = Narration{&loader, &system, mode, trace, listener, nullptr, nullptr};
}

NarratingLoader::~NarratingLoader() { narration = Narration{}; }

ModuleHandle NarratingLoader::LoadLibraryW(const WideChar* path) {
  RunTrace& trace = *narration.trace;
  trace.load_asked = true;
  const size_t length = BoundedLength(path, kPathCapacity - 1);
  memcpy(trace.requested, path, length * sizeof *path);
  trace.requested[length] = 0;
  RunEvent& event = Append(RunEvent::kLoad);
  Tell(event, false);

  Fault earlier;
  narration.system->TakeWatchedFault(&earlier);  // only a fault raised by this load counts
  const ModuleHandle module =
      InLibrary(LibraryStep::kLoad, [&] { return narration.loader->LoadLibraryW(path); });
  if (module == nullptr) {
    trace.load_error = narration.system->TakeLoadError();
    trace.load_faulted = narration.system->TakeWatchedFault(&trace.load_fault);
  } else {
    trace.loaded = true;
    if (!narration.system->LoadedFrom(module, trace.loaded_from, kPathCapacity))
      trace.loaded_from[0] = 0;
    trace.start = PresenceOf(narration.loader->GetProcAddress(module, kStartEntryPoint));
    trace.end = PresenceOf(narration.loader->GetProcAddress(module, kEndEntryPoint));
  }
  event.found = module != nullptr;
  Tell(event, true);
  return module;
}

EntryPoint NarratingLoader::GetProcAddress(ModuleHandle module, const char* name) {
  const EntryPoint found = narration.loader->GetProcAddress(module, name);
  const bool start = Is(name, kStartEntryPoint);
  const bool end = Is(name, kEndEntryPoint);
  RunEvent& event = Append(RunEvent::kResolve, start ? kStartEntryPoint
                                               : end ? kEndEntryPoint
                                                     : name);
  event.found = found != nullptr;
  Tell(event, true);
  if (found == nullptr || (!start && !end)) return found;
  const bool check = narration.mode == DoctorMode::kCheck;
  if (start) {
    narration.start = reinterpret_cast<PDFDriverInitFunction>(found);
    return reinterpret_cast<EntryPoint>(check ? StandInStart : NarratedStart);
  }
  narration.end = reinterpret_cast<DriverEndFunction>(found);
  return reinterpret_cast<EntryPoint>(check ? StandInEnd : NarratedEnd);
}

void NarratingLoader::FreeLibrary(ModuleHandle module) {
  RunTrace& trace = *narration.trace;
  RunEvent& event = Append(RunEvent::kRelease);
  Tell(event, false);
  Fault earlier;
  narration.system->TakeWatchedFault(&earlier);
  InLibrary(LibraryStep::kRelease, [&] { narration.loader->FreeLibrary(module); });
  trace.release_faulted = narration.system->TakeWatchedFault(&trace.release_fault);
  Tell(event, true);
}

ModuleHandle ReplayLoader::LoadLibraryW(const WideChar*) {
  return trace_.loaded ? const_cast<RunTrace*>(&trace_) : nullptr;
}

EntryPoint ReplayLoader::GetProcAddress(ModuleHandle, const char* name) {
  if (Is(name, kStartEntryPoint) && trace_.start == Presence::kFound) {
    return reinterpret_cast<EntryPoint>(ReplayedStart);
  }
  if (Is(name, kEndEntryPoint) && trace_.end == Presence::kFound) {
    return reinterpret_cast<EntryPoint>(ReplayedEnd);
  }
  return nullptr;
}
