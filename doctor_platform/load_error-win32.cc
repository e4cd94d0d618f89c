#include <windows.h>

#include "doctor_platform/load_error.h"

namespace {

void Utf8FromWide(const wchar_t* wide, char* text, size_t capacity) {
  const int written =
      WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, static_cast<int>(capacity), nullptr, nullptr);
  if (written <= 0) text[0] = 0;
}

}  // namespace

LoadError TakeLoadError() {
  LoadError error = {true, GetLastError(), ""};
  static wchar_t message[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error.code, 0, message, 512, nullptr);
  DWORD end = length;
  while (end != 0 &&
         (message[end - 1] == L'\r' || message[end - 1] == L'\n' || message[end - 1] == L' ')) {
    --end;
  }
  message[end] = 0;
  Utf8FromWide(message, error.text, sizeof error.text);
  return error;
}
