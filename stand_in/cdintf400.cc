// A stand-in for the closed converter library, for tests and the demo. It touches
// no printer: it only records the calls it receives. One source, built in variants:
//   STAND_IN_HAS_START        exports PDFDriverInit
//   STAND_IN_START_FAILS      ... which returns null
//   STAND_IN_HAS_END          exports DriverEnd
#include <stdint.h>
#include <string.h>

#include "stand_in/journal.h"

namespace {

// The low 32 bits are all zero, so a caller that cut the handle to 32 bits would
// see null, and one that passed it on cut would be seen in the journal.
[[maybe_unused]] constexpr uint64_t kDriverHandle = uint64_t{0x5A17C0DE} << 32;

// "0x" and sixteen lower-case hex digits.
[[maybe_unused]] void FormatHandle(uint64_t handle, char (&text)[19]) {
  text[0] = '0';
  text[1] = 'x';
  for (int digit = 0; digit < 16; ++digit) {
    text[2 + digit] = "0123456789abcdef"[(handle >> (60 - 4 * digit)) & 0xF];
  }
  text[18] = 0;
}

}  // namespace

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

#if STAND_IN_HAS_START
STAND_IN_EXPORT void* PDFDriverInit(char* printer_name) {
  // The real library is free to write to the name it is given; so is this one, so
  // a caller that passes a read-only name crashes here, not in the field.
  volatile char* first = printer_name;
  *first = *first;
  RecordCall("start", printer_name);
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
  FormatHandle(reinterpret_cast<uintptr_t>(driver_handle), text);
  RecordCall("end", text);
}
#endif
