#include "doctor/text.h"

#include <string.h>

#include "unicode/utf8.h"

Text& Text::Add(const char* text) { return Add(text, strlen(text)); }

Text& Text::Add(const char* text, size_t length) {
  const size_t room = capacity_ - 1 - size_;
  if (length > room) length = room;
  memcpy(buffer_ + size_, text, length);
  size_ += length;
  buffer_[size_] = 0;
  return *this;
}

Text& Text::AddWide(const WideChar* text) {
  for (const WideChar* unit = text; *unit != 0; ++unit) {
    uint32_t code_point = static_cast<uint16_t>(*unit);
    const auto next = static_cast<uint16_t>(unit[1]);
    if (code_point >= 0xD800 && code_point <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (next - 0xDC00u);
      ++unit;
    }
    char bytes[4];
    const size_t count = EncodeUtf8(code_point, bytes);
    if (size_ + count > capacity_ - 1) break;  // never half a character
    Add(bytes, count);
  }
  return *this;
}

Text& Text::AddNumber(uint64_t value) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  char text[20];
  for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  return Add(text, static_cast<size_t>(count));
}

Text& Text::AddHex(uint64_t value, int digits) {
  char text[18] = {'0', 'x'};
  if (digits > 16) digits = 16;
  for (int digit = 0; digit < digits; ++digit) {
    text[2 + digit] = "0123456789abcdef"[(value >> (4 * (digits - 1 - digit))) & 0xF];
  }
  return Add(text, static_cast<size_t>(2 + digits));
}

void Text::Clear() {
  size_ = 0;
  buffer_[0] = 0;
}

bool EqualsIgnoringCase(const WideChar* text, const char* ascii) {
  const auto lower = [](unsigned unit) { return unit >= 'A' && unit <= 'Z' ? unit + 32 : unit; };
  for (; *ascii != 0; ++text, ++ascii) {
    if (lower(static_cast<uint16_t>(*text)) != lower(static_cast<unsigned char>(*ascii))) {
      return false;
    }
  }
  return *text == 0;
}
