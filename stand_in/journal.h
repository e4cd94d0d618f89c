// The stand-in's record of every call it receives: one line per call, appended to
// the file named by the environment variable CDINTF400_JOURNAL (nothing is
// recorded when it is unset).
#pragma once

#if defined(_WIN32)
#define STAND_IN_EXPORT extern "C" __declspec(dllexport)
#else
#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Appends "event detail\n", or "event\n" when |detail| is null.
void RecordCall(const char* event, const char* detail);

// The platform part: appends one whole line to the journal file in a single write,
// so lines never interleave.
void AppendToJournal(const char* line, unsigned length);
