// A table row's name as a test name: letters and digits kept, every run of
// anything else one underscore. Rows of one table must differ in their letters.
#pragma once

#include <cctype>
#include <string>

inline std::string CaseName(const std::string& name) {
  std::string result;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      result += c;
    } else if (!result.empty() && result.back() != '_') {
      result += '_';
    }
  }
  while (!result.empty() && result.back() == '_') result.pop_back();
  return result;
}
