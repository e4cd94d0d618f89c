// A stand-in for the closed converter library, for tests and the demo. It touches
// no printer: it only records the calls it receives. One source, built in variants:
//   STAND_IN_HAS_START        exports PDFDriverInit
//   STAND_IN_START_FAILS      ... which returns null
//   STAND_IN_HAS_END          exports DriverEnd
//   STAND_IN_FAULT_AT         "load", "start", "end" or "release": where it
//                             faults, after recording the call; "" for nowhere
//   STAND_IN_FAULT            how: "null-write", "exception", "stack-overflow",
//                             "illegal-instruction" or "divide-by-zero"
//   STAND_IN_IMPORT           a function of another DLL that PDFDriverInit calls,
//                             so the loader must find that DLL first
//   STAND_IN_REFUSES_LOAD     its start-up code refuses to load (Windows)
//   STAND_IN_ADDS_PRINTER     PDFDriverInit adds a printer of the name it is given,
//                             and DriverEnd deletes it (Windows)
// A fault of the kind "hang" never returns.
#include <stdint.h>
#include <string.h>

#include <string_view>

#include "stand_in/platform.h"

#ifdef STAND_IN_IMPORT
STAND_IN_IMPORTED int STAND_IN_IMPORT();
#endif

namespace {

// The low 32 bits are all zero, so a caller that cut the handle to 32 bits would
// see null, and one that passed it on cut would be seen in the journal.
[[maybe_unused]] constexpr uint64_t kDriverHandle = uint64_t{0x5A17C0DE} << 32;

constexpr std::string_view kFaultAt = STAND_IN_FAULT_AT;
constexpr std::string_view kFault = STAND_IN_FAULT;
static_assert(kFaultAt.empty() || kFaultAt == "load" || kFaultAt == "start" || kFaultAt == "end" ||
                  kFaultAt == "release",
              "unknown STAND_IN_FAULT_AT");
static_assert(kFault.empty() || kFault == "null-write" || kFault == "exception" ||
                  kFault == "stack-overflow" || kFault == "illegal-instruction" ||
                  kFault == "divide-by-zero" || kFault == "hang",
              "unknown STAND_IN_FAULT");
static_assert(kFault.empty() == kFaultAt.empty(), "a fault needs a place and a kind");

// Opaque to the compiler, so none of the faults below can be proven and folded away.
[[maybe_unused]] volatile uintptr_t null_address = 0;
[[maybe_unused]] volatile int one = 1;
[[maybe_unused]] volatile int zero = 0;
[[maybe_unused]] volatile uint64_t recursion_limit = UINT64_MAX;

#if STAND_IN_ADDS_PRINTER
char added_printer[256];
#endif

// Each frame is kept: the call is no tail call, and the frame is read after it.
[[maybe_unused, gnu::noinline]] int Recurse(uint64_t depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth == recursion_limit) return 0;
  return Recurse(depth + 1) + frame[0];
}

// A real fault of the chosen kind, where a sanitizer would otherwise get there first:
// the library is closed code, and the tool sees only what the processor raises.
__attribute__((no_sanitize("address", "undefined"))) void Fault() {
  if constexpr (kFault == "null-write") {
    *reinterpret_cast<volatile int*>(null_address) = 1;
  } else if constexpr (kFault == "exception") {
    ThrowUncaughtException();
  } else if constexpr (kFault == "stack-overflow") {
    Recurse(0);
  } else if constexpr (kFault == "illegal-instruction") {
    __builtin_trap();
  } else if constexpr (kFault == "divide-by-zero") {
    volatile int quotient = one / zero;
    static_cast<void>(quotient);
  } else if constexpr (kFault == "hang") {
    Hang();
  }
}

void FaultAt(std::string_view place) {
  if (!kFault.empty() && place == kFaultAt) Fault();
}

}  // namespace

void FormatHex(uint64_t value, int digits, char* text) {
  text[0] = '0';
  text[1] = 'x';
  for (int digit = 0; digit < digits; ++digit) {
    text[2 + digit] = "0123456789abcdef"[(value >> (4 * (digits - 1 - digit))) & 0xF];
  }
  text[2 + digits] = 0;
}

void RecordCall(const char* event, const char* detail) {
  char line[256];
  unsigned used = 0;
  const char* const parts[] = {event, detail != nullptr ? " " : nullptr, detail, "\n"};
  for (const char* part : parts) {
    if (part == nullptr) continue;
    const size_t length = strlen(part);
    if (used + length > sizeof line) return;
    memcpy(line + used, part, length);
    used += static_cast<unsigned>(length);
  }
  AppendToJournal(line, used);
}

void OnLibraryLoad() {
  RecordCall("load", STAND_IN_VARIANT);
  FaultAt("load");
}

void OnLibraryRelease(const char* how) {
  RecordCall("release", how);
  FaultAt("release");
}

#if STAND_IN_HAS_START
STAND_IN_EXPORT void* PDFDriverInit(char* printer_name) {
  // The real library is free to write to the name it is given; so is this one, so
  // a caller that passes a read-only name crashes here, not in the field.
  volatile char* first = printer_name;
  *first = *first;
  RecordCall("start", printer_name);
  FaultAt("start");
#ifdef STAND_IN_IMPORT
  if (STAND_IN_IMPORT() == 0) return nullptr;
#endif
#if STAND_IN_ADDS_PRINTER
  if (!AddStandInPrinter(printer_name)) return nullptr;
  memcpy(added_printer, printer_name, strnlen(printer_name, sizeof added_printer - 1));
#endif
#if STAND_IN_START_FAILS
  return nullptr;
#else
  return reinterpret_cast<void*>(static_cast<uintptr_t>(kDriverHandle));
#endif
}
#endif

#if STAND_IN_HAS_END
STAND_IN_EXPORT void DriverEnd(void* driver_handle) {
  char text[19];
  FormatHex(reinterpret_cast<uintptr_t>(driver_handle), 16, text);
  RecordCall("end", text);
  FaultAt("end");
#if STAND_IN_ADDS_PRINTER
  DeleteStandInPrinter(added_printer);
#endif
}
#endif
