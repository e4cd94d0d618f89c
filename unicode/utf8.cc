#include "unicode/utf8.h"

#include <stdint.h>

namespace {

bool IsSurrogate(uint32_t code_point) { return code_point >= 0xD800 && code_point <= 0xDFFF; }

// Decodes one character at |*cursor| and moves past it; false on invalid UTF-8.
// Never reads past the terminator: a terminator is not a continuation byte.
bool DecodeCharacter(const unsigned char** cursor, uint32_t* code_point) {
  const unsigned char* p = *cursor;
  const unsigned char lead = *p++;
  int continuation_bytes;
  uint32_t value;
  if (lead < 0x80) {
    continuation_bytes = 0;
    value = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    continuation_bytes = 1;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuation_bytes = 2;
    value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuation_bytes = 3;
    value = lead & 0x07u;
  } else {
    return false;  // a stray continuation byte, an overlong two-byte lead, or past U+10FFFF
  }
  for (int i = 0; i < continuation_bytes; ++i, ++p) {
    if ((*p & 0xC0u) != 0x80u) return false;
    value = (value << 6) | (*p & 0x3Fu);
  }
  const bool overlong =
      (continuation_bytes == 2 && value < 0x800) || (continuation_bytes == 3 && value < 0x10000);
  if (overlong || value > 0x10FFFF || IsSurrogate(value)) return false;
  *cursor = p;
  *code_point = value;
  return true;
}

}  // namespace

size_t EncodeUtf8(uint32_t code_point, char out[4]) {
  const auto byte = [](uint32_t value) {
    return static_cast<char>(static_cast<unsigned char>(value));
  };
  if (code_point < 0x80) {
    out[0] = byte(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    out[0] = byte(0xC0 | (code_point >> 6));
    out[1] = byte(0x80 | (code_point & 0x3F));
    return 2;
  }
  if (code_point < 0x10000) {
    out[0] = byte(0xE0 | (code_point >> 12));
    out[1] = byte(0x80 | ((code_point >> 6) & 0x3F));
    out[2] = byte(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = byte(0xF0 | (code_point >> 18));
  out[1] = byte(0x80 | ((code_point >> 12) & 0x3F));
  out[2] = byte(0x80 | ((code_point >> 6) & 0x3F));
  out[3] = byte(0x80 | (code_point & 0x3F));
  return 4;
}

Utf8Conversion Utf8ToUtf16(const char* utf8, char16_t* out, size_t capacity) {
  const unsigned char* cursor = reinterpret_cast<const unsigned char*>(utf8);
  size_t written = 0;
  bool truncated = false;
  while (*cursor != 0) {
    uint32_t code_point;
    if (!DecodeCharacter(&cursor, &code_point)) return Utf8Conversion::kInvalid;
    char16_t units[2];
    size_t count = 1;
    if (code_point >= 0x10000) {
      code_point -= 0x10000;
      units[0] = static_cast<char16_t>(0xD800 + (code_point >> 10));
      units[1] = static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
      count = 2;
    } else {
      units[0] = static_cast<char16_t>(code_point);
    }
    for (size_t i = 0; i < count; ++i) {
      if (written + 1 < capacity) {
        out[written++] = units[i];
      } else {
        truncated = true;
      }
    }
  }
  out[written] = 0;
  return truncated ? Utf8Conversion::kTruncated : Utf8Conversion::kComplete;
}

bool Utf16ToUtf8(const char16_t* utf16, char* out, size_t capacity) {
  size_t written = 0;
  for (const char16_t* unit = utf16; *unit != 0; ++unit) {
    uint32_t code_point = *unit;
    if (code_point >= 0xD800 && code_point <= 0xDBFF) {
      // A terminator is no low surrogate, so this never reads past the end.
      if (unit[1] < 0xDC00 || unit[1] > 0xDFFF) return false;
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (unit[1] - 0xDC00u);
      ++unit;
    } else if (IsSurrogate(code_point)) {
      return false;
    }
    char bytes[4];
    const size_t count = EncodeUtf8(code_point, bytes);
    if (written + count >= capacity) return false;
    for (size_t i = 0; i < count; ++i) out[written++] = bytes[i];
  }
  if (capacity == 0) return false;
  out[written] = 0;
  return true;
}
