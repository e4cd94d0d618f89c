// Reads any bytes as the doctor reads a file named cdintf400.dll: what it is, for
// which processor, and the DLLs it imports. The file may be anything, so every
// read must stay inside it (AddressSanitizer sees one that does not), and what
// comes back must hold together.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "doctor/library_image.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  fprintf(stderr, "broken: %s\n", what);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ImageInfo image = ReadImageInfo(data, size);
  Check((image.format == ImageFormat::kEmpty) == (size == 0), "only no bytes are empty");

  FixedText<64> machine;
  AddMachineName(image, machine);
  FixedText<64> first_line;
  AddFirstLine(data, size, 60, first_line);
  Check(first_line.size() <= 60 && first_line.size() <= size, "the first line is cut to the most");

  ImportName names[4];
  const size_t count = ReadImportedLibraries(data, size, names, 4);
  Check(count <= 4, "no more names than room");
  Check(count == 0 || image.format == ImageFormat::kPortableExecutable,
        "only a PE file imports anything");
  for (size_t i = 0; i < count; ++i) {
    const size_t length = strnlen(names[i].text, sizeof names[i].text);
    Check(length > 0 && length < sizeof names[i].text, "each name is whole and terminated");
  }
  return 0;
}
