#include <errno.h>
#include <unistd.h>

#include "doctor_platform/output.h"

// Terminals take UTF-8 on the host, so console and file get the same bytes. Host
// text never holds a lone surrogate: its names come from UTF-8.
void WriteOutput(OutputStream stream, const char* text, size_t length) {
  const int descriptor = stream == OutputStream::kStandardOutput ? STDOUT_FILENO : STDERR_FILENO;
  while (length != 0) {
    const ssize_t written = write(descriptor, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    length -= static_cast<size_t>(written);
  }
}
