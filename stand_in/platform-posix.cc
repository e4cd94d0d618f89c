#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

#include "stand_in/platform.h"

void AppendToJournal(const char* line, unsigned length) {
  const char* path = getenv("CDINTF400_JOURNAL");
  if (path == nullptr || path[0] == 0) return;
  const int journal = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (journal < 0) return;
  const ssize_t written = write(journal, line, length);
  static_cast<void>(written);  // a line that cannot be written shows as a missing line
  close(journal);
}

void Hang() {
  for (;;) pause();
}

// Nothing catches it, so the C++ runtime reports it and aborts the process.
void ThrowUncaughtException() { throw std::runtime_error("converter failed"); }

// The dynamic linker runs these on dlopen and on dlclose, or at exit for a library
// still loaded then; the host cannot tell those two apart.
__attribute__((constructor)) static void OnLoad() { OnLibraryLoad(); }
__attribute__((destructor)) static void OnRelease() { OnLibraryRelease(nullptr); }
