// Wide strings for tests, written once as UTF-16 literals whatever the platform's
// wide character is.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wide_string.h"

using WideString = std::basic_string<WideChar>;

inline WideString Wide(std::u16string_view text) { return WideString(text.begin(), text.end()); }

// ASCII as it is, every other unit as \uXXXX: readable in a failure message.
inline std::string Readable(const WideChar* text) {
  std::string readable;
  for (; *text != 0; ++text) {
    const auto unit = static_cast<unsigned>(*text);
    if (unit >= 0x20 && unit < 0x7F) {
      readable += static_cast<char>(unit);
    } else {
      static const char kHex[] = "0123456789abcdef";
      readable += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) readable += kHex[(unit >> shift) & 0xF];
    }
  }
  return readable;
}
inline std::string Readable(std::u16string_view text) { return Readable(Wide(text).c_str()); }

// An argument vector as the runtime hands it over. Each argument sits in a heap
// block of exactly its own size, so a sanitizer sees any read past a terminator.
class ArgumentVector {
 public:
  explicit ArgumentVector(const std::vector<std::u16string>& arguments) {
    Add(u"pdf-printer-setup");
    for (const std::u16string& argument : arguments) Add(argument);
  }
  int argc() const { return static_cast<int>(pointers_.size()); }
  const WideChar* const* argv() const { return pointers_.data(); }

 private:
  void Add(std::u16string_view argument) {
    auto copy = std::make_unique<WideChar[]>(argument.size() + 1);
    for (size_t i = 0; i < argument.size(); ++i) copy[i] = static_cast<WideChar>(argument[i]);
    copy[argument.size()] = 0;
    pointers_.push_back(copy.get());
    storage_.push_back(std::move(copy));
  }
  std::vector<std::unique_ptr<WideChar[]>> storage_;
  std::vector<const WideChar*> pointers_;
};
