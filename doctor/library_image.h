// What a file is, read from its bytes as a loader would: a Windows library (PE),
// an ELF library, a text file or something else, and for which processor. Every
// read is checked against the file's size: the file may be anything.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "doctor/text.h"

enum class ImageFormat { kEmpty, kPortableExecutable, kElf, kText, kOther };

struct ImageInfo {
  ImageFormat format;
  uint16_t machine;  // the PE machine field, or the ELF e_machine
  bool is_64_bit;    // PE32+, or ELFCLASS64
};

ImageInfo ReadImageInfo(const unsigned char* bytes, size_t size);

// Who the file is for, as people say it: "x64", "x86 (32-bit)", "ARM64", ...
void AddMachineName(const ImageInfo& image, Text& out);

// The start of a text file's first line, for a message.
void AddFirstLine(const unsigned char* bytes, size_t size, size_t most, Text& out);

// A DLL name from an import directory: ASCII, as the loader compares it.
struct ImportName {
  char text[256];
};

// The DLLs a PE file names in its import directory, which the loader must find
// before the library can load (delay-loaded ones are left out: they are looked
// for only when first called). Returns how many it wrote, at most |capacity|.
size_t ReadImportedLibraries(const unsigned char* bytes, size_t size, ImportName* names,
                             size_t capacity);
