// The host's argument conversion against any bytes: valid UTF-8 (by the byte
// ranges of the Unicode standard's table of well-formed sequences, a different
// reading from the converter's) converts exactly and round-trips, anything else is
// refused, and output that does not fit is a prefix of the whole. Every buffer is
// a heap block of exactly its size, so AddressSanitizer sees any stray access.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

#include "unicode/utf8.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  fprintf(stderr, "broken: %s\n", what);
  abort();
}

bool IsWellFormed(const unsigned char* text, size_t size) {
  for (size_t i = 0; i < size;) {
    const unsigned lead = text[i];
    const auto in = [&](size_t k, unsigned low, unsigned high) {
      return i + k < size && text[i + k] >= low && text[i + k] <= high;
    };
    size_t length;
    if (lead <= 0x7F) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF && in(1, 0x80, 0xBF)) {
      length = 2;
    } else if (lead == 0xE0 && in(1, 0xA0, 0xBF) && in(2, 0x80, 0xBF)) {
      length = 3;
    } else if (((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) &&
               in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF)) {
      length = 3;
    } else if (lead == 0xED && in(1, 0x80, 0x9F) && in(2, 0x80, 0xBF)) {
      length = 3;
    } else if (lead == 0xF0 && in(1, 0x90, 0xBF) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF)) {
      length = 4;
    } else if (lead >= 0xF1 && lead <= 0xF3 && in(1, 0x80, 0xBF) && in(2, 0x80, 0xBF) &&
               in(3, 0x80, 0xBF)) {
      length = 4;
    } else if (lead == 0xF4 && in(1, 0x80, 0x8F) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF)) {
      length = 4;
    } else {
      return false;
    }
    i += length;
  }
  return true;
}

template <typename T>
std::unique_ptr<T[]> Block(size_t count) {
  return std::make_unique<T[]>(count);
}

void CheckUtf8ToUtf16(const uint8_t* data, size_t size) {
  // Byte 0 picks the capacity; the text ends at the first zero byte.
  const size_t capacity = 1 + size_t{data[0]} * 2;
  const size_t length = strnlen(reinterpret_cast<const char*>(data + 1), size - 1);
  auto text = Block<char>(length + 1);
  memcpy(text.get(), data + 1, length);
  text[length] = 0;

  auto whole = Block<char16_t>(length + 1);  // never more units than bytes
  const Utf8Conversion result = Utf8ToUtf16(text.get(), whole.get(), length + 1);
  const bool valid = IsWellFormed(reinterpret_cast<const unsigned char*>(text.get()), length);
  Check(valid == (result != Utf8Conversion::kInvalid),
        "valid UTF-8 is accepted, anything else refused");
  if (!valid) return;
  Check(result == Utf8Conversion::kComplete, "room for every unit means no cut");

  auto back = Block<char>(length + 1);
  Check(Utf16ToUtf8(whole.get(), back.get(), length + 1), "converted text converts back");
  Check(strcmp(back.get(), text.get()) == 0, "the round trip gives the same bytes");

  auto bounded = Block<char16_t>(capacity);
  const Utf8Conversion cut = Utf8ToUtf16(text.get(), bounded.get(), capacity);
  const std::u16string expected(whole.get());
  if (expected.size() < capacity) {
    Check(cut == Utf8Conversion::kComplete && bounded.get() == expected, "text that fits is whole");
  } else {
    Check(cut == Utf8Conversion::kTruncated && bounded.get() == expected.substr(0, capacity - 1),
          "text that does not fit is cut to its first capacity - 1 units");
  }
}

void CheckUtf16ToUtf8(const uint8_t* data, size_t size) {
  const size_t capacity = 1 + size_t{data[0]} * 3;
  std::u16string units;
  for (size_t i = 1; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (unit == 0) break;
    units += unit;
  }
  auto utf16 = Block<char16_t>(units.size() + 1);
  units.copy(utf16.get(), units.size());
  utf16[units.size()] = 0;
  auto utf8 = Block<char>(capacity);
  if (!Utf16ToUtf8(utf16.get(), utf8.get(), capacity)) return;
  const size_t length = strlen(utf8.get());
  auto again = Block<char16_t>(length + 1);
  Check(Utf8ToUtf16(utf8.get(), again.get(), length + 1) == Utf8Conversion::kComplete &&
            again.get() == units,
        "what UTF-16 converts to is valid UTF-8 that converts back exactly");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  CheckUtf8ToUtf16(data, size);
  CheckUtf16ToUtf8(data, size);
  return 0;
}
