// Text in fixed buffers. The doctor may have to write its report from a fault
// observer, after the converter library faulted in any state, even inside the
// heap: nothing of the report may need the heap. What does not fit is cut.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/wide_string.h"

class Text {
 public:
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  Text& Add(const char* text);
  Text& Add(const char* text, size_t length);
  Text& Add(const Text& text) { return Add(text.c_str(), text.size()); }
  // UTF-16 as UTF-8; a lone surrogate keeps its own three-byte form (WTF-8).
  Text& AddWide(const WideChar* text);
  Text& AddNumber(uint64_t value);
  // "0x" and exactly |digits| lower-case hex digits.
  Text& AddHex(uint64_t value, int digits);
  void Clear();

  const char* c_str() const { return buffer_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 protected:
  Text(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) { buffer_[0] = 0; }
  ~Text() = default;

 private:
  char* buffer_;
  size_t capacity_;  // terminator included
  size_t size_ = 0;
};

template <size_t kCapacity>
class FixedText final : public Text {
 public:
  FixedText() : Text(storage_, kCapacity) {}
  explicit FixedText(const char* text) : FixedText() { Add(text); }

 private:
  char storage_[kCapacity];
};

// Whether |text| equals the ASCII |ascii|, ignoring the case of ASCII letters.
bool EqualsIgnoringCase(const WideChar* text, const char* ascii);
