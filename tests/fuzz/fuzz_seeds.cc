// Writes the fuzzers' seed corpora: every command line of the parser's table under
// several library behaviours, a handful of UTF-8 texts valid and not, and the
// headers of libraries of each kind.
// usage: fuzz_seeds command-line|utf8|library-image DIRECTORY
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "tests/command_line_cases.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void Write(const std::filesystem::path& directory, int index, const std::string& bytes) {
  std::ofstream(directory / ("seed-" + std::to_string(index)), std::ios::binary) << bytes;
}

void Put16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

// A 64-bit DLL's headers with one section that holds an import directory naming
// two DLLs: the shape the doctor walks.
std::string PortableExecutable(uint16_t machine) {
  std::string bytes(0x300, '\0');
  bytes.replace(0, 2, "MZ");
  Put32(bytes, 0x3C, 0x80);
  bytes.replace(0x80, 4, std::string("PE\0\0", 4));
  Put16(bytes, 0x84, machine);
  Put16(bytes, 0x86, 1);                 // one section
  Put16(bytes, 0x94, 240);               // the size of a PE32+ optional header
  Put16(bytes, 0x98, 0x20B);             // PE32+
  Put32(bytes, 0x98 + 108, 16);          // data directories
  Put32(bytes, 0x98 + 112 + 8, 0x1000);  // the import directory's address
  Put32(bytes, 0x98 + 112 + 12, 60);
  const size_t section = 0x98 + 240;
  bytes.replace(section, 5, ".idata");
  Put32(bytes, section + 8, 0x100);    // virtual size
  Put32(bytes, section + 12, 0x1000);  // virtual address
  Put32(bytes, section + 16, 0x100);   // raw size
  Put32(bytes, section + 20, 0x200);   // raw offset
  Put32(bytes, 0x200 + 12, 0x1080);    // the first import's name
  Put32(bytes, 0x200 + 20 + 12, 0x1090);
  bytes.replace(0x280, 13, "companion.dll");
  bytes.replace(0x290, 17, "vcruntime140d.dll");
  return bytes;
}

std::string Elf(uint16_t machine) {
  std::string bytes(64, '\0');
  bytes.replace(0, 4,
                "\x7F"
                "ELF");
  bytes[4] = 2;
  bytes[5] = 1;
  Put16(bytes, 16, 3);
  Put16(bytes, 18, machine);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string_view corpus = argv[1];
  const std::filesystem::path directory = argv[2];
  int index = 0;
  if (corpus == "command-line") {
    constexpr uint8_t kEverything =
        kLibraryLoads | kLibraryExportsStart | kLibraryStartSucceeds | kLibraryExportsEnd;
    for (const ParseCase& test : kParseCases) {
      for (const uint8_t behaviour : {kEverything, uint8_t{kEverything & ~kLibraryExportsEnd},
                                      uint8_t{kEverything & ~kLibraryStartSucceeds}, uint8_t{0}}) {
        Write(directory, index++, EncodeInput(behaviour, test.arguments));
      }
    }
    return 0;
  }
  if (corpus == "utf8") {
    for (const char* text :
         {"\x40-u",
          "\x80-p:D:\\Dr\xC3\xBC"
          "cker \xE5\x8D\xB0\xF0\x9F\x96\xA8",
          "\x02\xC0\xAF", "\x10\xED\xA0\x80", "\x10\xF4\x90\x80\x80", "\x01\xE5\x8D"}) {
      Write(directory, index++, text);
    }
    return 0;
  }
  if (corpus == "library-image") {
    for (const std::string& bytes :
         {PortableExecutable(0x8664), PortableExecutable(0x14C), Elf(62), Elf(183),
          std::string("<!DOCTYPE html>\n<html></html>\n"), std::string("MZ")}) {
      Write(directory, index++, bytes);
    }
    return 0;
  }
  return 2;
}
