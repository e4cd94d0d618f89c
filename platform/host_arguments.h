// The host's arguments as the UTF-16 units Windows would hand a program, converted
// from UTF-8 into fixed buffers. Host entry points only.
#pragma once

#include "unicode/utf8.h"
#include "platform/wide_string.h"

// Room for an option's three leading units, a directory one unit longer than can be
// stored, and a terminator. A longer argument is cut to this without changing what
// the parser decides: a directory option is refused either way, and the removal
// option ignores whatever follows its letter.
constexpr size_t kHostArgumentCapacity = 3 + kPathCapacity + 1;

// |kCapacity| units an argument, terminator included: kHostArgumentCapacity is all
// the tool needs, while the doctor keeps more to show what it was given.
template <size_t kMaxArguments, size_t kCapacity = kHostArgumentCapacity>
class HostArguments {
 public:
  // Converts the program name's followers, at most kMaxArguments of them. Returns
  // the index of the first that is not UTF-8, which is left empty, or 0.
  int Convert(int argc, char** argv) {
    int unreadable = 0;
    pointers_[0] = u"";  // the program name is never read
    count_ = 1;
    for (; count_ < argc && static_cast<size_t>(count_) <= kMaxArguments; ++count_) {
      const auto index = static_cast<size_t>(count_);
      WideChar* argument = units_[index - 1];
      if (Utf8ToUtf16(argv[index], argument, kCapacity) == Utf8Conversion::kInvalid) {
        argument[0] = 0;
        if (unreadable == 0) unreadable = count_;
      }
      pointers_[index] = argument;
    }
    return unreadable;
  }

  // The program name and the converted arguments.
  int argc() const { return count_; }
  const WideChar* const* argv() const { return pointers_; }

 private:
  WideChar units_[kMaxArguments][kCapacity];
  const WideChar* pointers_[kMaxArguments + 1];
  int count_ = 0;
};
