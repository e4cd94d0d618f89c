// UTF-8 <-> UTF-16. The tool's host build needs it, since arguments and file names
// are UTF-8 there while the tool works on the UTF-16 units Windows would hand it;
// the doctor needs it on both platforms, since it writes its reports in UTF-8.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum class Utf8Conversion { kComplete, kTruncated, kInvalid };

// Converts zero-terminated UTF-8 into at most |capacity| - 1 units plus a terminator.
// All of |utf8| is checked: overlong forms, encoded surrogates, code points past
// U+10FFFF, stray or missing continuation bytes make it kInvalid. Text that does not
// fit is cut after |capacity| - 1 units (possibly between the halves of a surrogate
// pair) and reported as kTruncated. |capacity| must be at least 1.
Utf8Conversion Utf8ToUtf16(const char* utf8, char16_t* out, size_t capacity);

// Writes |code_point| (at most U+10FFFF) as one to four UTF-8 bytes and returns how
// many. A surrogate code point comes out in the same three-byte form (WTF-8), so a
// lone surrogate from a Windows name survives.
size_t EncodeUtf8(uint32_t code_point, char out[4]);

// Converts zero-terminated UTF-16 into zero-terminated UTF-8. False on a lone
// surrogate or when the result does not fit |capacity| bytes.
bool Utf16ToUtf8(const char16_t* utf16, char* out, size_t capacity);
