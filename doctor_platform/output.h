// Writing text for people. Text is UTF-8, where a lone UTF-16 surrogate from a
// Windows file name may stand encoded on its own (WTF-8), so that every name
// round-trips. Safe in a fault observer: no heap, no locks, no stdio.
#pragma once

#include <stddef.h>

enum class OutputStream { kStandardOutput, kStandardError };

// To a console, the characters themselves (on Windows through WriteConsoleW, so a
// name in any script shows as it is); to a file or a pipe, UTF-8 bytes, with a
// lone surrogate written as U+FFFD.
void WriteOutput(OutputStream stream, const char* text, size_t length);
