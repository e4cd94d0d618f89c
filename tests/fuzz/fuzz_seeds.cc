// Writes the fuzzers' seed corpora: every command line of the parser's table under
// several library behaviours, and a handful of UTF-8 texts valid and not.
// usage: fuzz_seeds command-line|utf8 DIRECTORY
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
  return 2;
}
