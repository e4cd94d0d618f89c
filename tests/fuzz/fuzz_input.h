// How the command-line fuzzer reads its input, shared with the seed writer.
//
// Byte 0 sets the converter library's behaviour (kLibrary* bits); the rest is
// UTF-16LE units, each argument ended by a zero unit (the last may be left open).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

constexpr uint8_t kLibraryLoads = 1;
constexpr uint8_t kLibraryExportsStart = 2;
constexpr uint8_t kLibraryStartSucceeds = 4;
constexpr uint8_t kLibraryExportsEnd = 8;

inline std::vector<std::u16string> DecodeArguments(const uint8_t* data, size_t size) {
  std::vector<std::u16string> arguments;
  bool open = false;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (!open) arguments.emplace_back();
    open = unit != 0;
    if (open) arguments.back() += unit;
  }
  return arguments;
}

inline std::string EncodeInput(uint8_t behaviour, const std::vector<std::u16string>& arguments) {
  std::string bytes(1, static_cast<char>(behaviour));
  for (const std::u16string& argument : arguments) {
    for (const char16_t unit : argument) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    bytes += std::string(2, '\0');
  }
  return bytes;
}
