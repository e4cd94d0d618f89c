#include <windows.h>

#include "doctor_platform/output.h"

namespace {

// The units of one character of WTF-8 at |text|; moves |text| past it. A byte
// that starts no character stands for itself as U+FFFD.
int DecodeCharacter(const unsigned char*& text, const unsigned char* end, wchar_t units[2]) {
  const unsigned char lead = *text++;
  int continuation = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (lead >= 0x80 && lead < 0xC0) {
    units[0] = 0xFFFD;
    return 1;
  }
  unsigned long value = continuation == 0   ? lead
                        : continuation == 1 ? lead & 0x1Fu
                        : continuation == 2 ? lead & 0x0Fu
                                            : lead & 0x07u;
  for (; continuation != 0; --continuation) {
    if (text == end || (*text & 0xC0) != 0x80) {
      units[0] = 0xFFFD;
      return 1;
    }
    value = value << 6 | (*text++ & 0x3Fu);
  }
  if (value < 0x10000) {
    units[0] = static_cast<wchar_t>(value);
    return 1;
  }
  value -= 0x10000;
  units[0] = static_cast<wchar_t>(0xD800 + (value >> 10));
  units[1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
  return 2;
}

bool IsEncodedSurrogate(const unsigned char* text, const unsigned char* end) {
  return end - text >= 3 && text[0] == 0xED && text[1] >= 0xA0;
}

void WriteToConsole(HANDLE console, const char* text, size_t length) {
  static wchar_t chunk[512];
  const auto* cursor = reinterpret_cast<const unsigned char*>(text);
  const auto* end = cursor + length;
  while (cursor != end) {
    DWORD used = 0;
    while (cursor != end && used + 2 <= sizeof chunk / sizeof chunk[0]) {
      used += static_cast<DWORD>(DecodeCharacter(cursor, end, chunk + used));
    }
    DWORD written;
    if (!WriteConsoleW(console, chunk, used, &written, nullptr)) return;
  }
}

void WriteToFile(HANDLE file, const char* text, size_t length) {
  static const unsigned char kReplacement[] = {0xEF, 0xBF, 0xBD};
  const auto* cursor = reinterpret_cast<const unsigned char*>(text);
  const auto* end = cursor + length;
  while (cursor != end) {
    const unsigned char* run = cursor;
    while (cursor != end && !IsEncodedSurrogate(cursor, end)) ++cursor;
    DWORD written;
    if (cursor != run &&
        !WriteFile(file, run, static_cast<DWORD>(cursor - run), &written, nullptr)) {
      return;
    }
    if (cursor == end) break;
    if (!WriteFile(file, kReplacement, sizeof kReplacement, &written, nullptr)) return;
    cursor += 3;
  }
}

}  // namespace

void WriteOutput(OutputStream stream, const char* text, size_t length) {
  const HANDLE handle =
      GetStdHandle(stream == OutputStream::kStandardOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode;
  if (GetConsoleMode(handle, &mode)) {
    WriteToConsole(handle, text, length);
  } else {
    WriteToFile(handle, text, length);
  }
}
