// What the stand-in does differently per platform: where its journal goes, how its
// start-up code is run, and how a C++ exception leaves it.
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#define STAND_IN_EXPORT extern "C" __declspec(dllexport)
#define STAND_IN_IMPORTED extern "C" __declspec(dllimport)
#else
#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))
#define STAND_IN_IMPORTED extern "C"
#endif

// Appends "event detail\n", or "event\n" when |detail| is null.
void RecordCall(const char* event, const char* detail);

// "0x" and |digits| lower-case hex digits of |value|, zero-terminated: |text| holds
// at least |digits| + 3 characters.
void FormatHex(uint64_t value, int digits, char* text);

// Run by the platform part when the library is loaded, before any entry point, and
// when it is unloaded, with how if the platform can tell.
void OnLibraryLoad();
void OnLibraryRelease(const char* how);

// The platform part: appends one whole line to the journal file named by the
// environment variable CDINTF400_JOURNAL in a single write, so lines never
// interleave. Nothing is recorded when the variable is unset.
void AppendToJournal(const char* line, unsigned length);

// Raises a C++ exception that nothing in the library catches, as the platform's
// usual C++ runtime raises one.
void ThrowUncaughtException();

// Never returns: sleeps for ever, as a library waiting on something that never comes.
[[noreturn]] void Hang();

// The printer variant's: add a local printer of this name, and delete it again.
bool AddStandInPrinter(const char* printer_name);
void DeleteStandInPrinter(const char* printer_name);
