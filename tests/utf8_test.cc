#include "unicode/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ConversionCase {
  const char* name;
  std::string utf8;
  Utf8Conversion result;
  std::u16string utf16;  // what a valid input converts to
};

const ConversionCase kConversionCases[] = {
    {"empty", "", Utf8Conversion::kComplete, u""},
    {"ASCII", "-p:D:\\pdf", Utf8Conversion::kComplete, u"-p:D:\\pdf"},
    {"two, three and four bytes", "\xC3\xBC\xE5\x8D\xB0\xF0\x9F\x96\xA8", Utf8Conversion::kComplete,
     u"ü印\U0001F5A8"},
    {"smallest and largest of each length",
     "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
     Utf8Conversion::kComplete, u"\x7F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"},
    {"stray continuation byte", "-u\x80", Utf8Conversion::kInvalid, u""},
    {"overlong two-byte form of /", "\xC0\xAF", Utf8Conversion::kInvalid, u""},
    {"overlong three-byte form", "\xE0\x80\xAF", Utf8Conversion::kInvalid, u""},
    {"overlong four-byte form", "\xF0\x80\x80\xAF", Utf8Conversion::kInvalid, u""},
    {"encoded high surrogate", "\xED\xA0\x80", Utf8Conversion::kInvalid, u""},
    {"encoded low surrogate", "\xED\xBF\xBF", Utf8Conversion::kInvalid, u""},
    {"past U+10FFFF", "\xF4\x90\x80\x80", Utf8Conversion::kInvalid, u""},
    {"five-byte lead", "\xF8\x88\x80\x80\x80", Utf8Conversion::kInvalid, u""},
    {"0xFF", "-u\xFF", Utf8Conversion::kInvalid, u""},
    {"truncated at the terminator", "-u\xE5\x8D", Utf8Conversion::kInvalid, u""},
    {"truncated before ASCII", "\xE5\x8D-u", Utf8Conversion::kInvalid, u""},
};

TEST(Utf8ToUtf16, ConvertsValidAndRejectsInvalid) {
  for (const ConversionCase& test : kConversionCases) {
    SCOPED_TRACE(test.name);
    char16_t out[64];
    const Utf8Conversion result = Utf8ToUtf16(test.utf8.c_str(), out, 64);
    ASSERT_EQ(result, test.result);
    if (result != Utf8Conversion::kComplete) continue;
    EXPECT_EQ(std::u16string(out), test.utf16);
    char back[256];
    ASSERT_TRUE(Utf16ToUtf8(out, back, sizeof back));
    EXPECT_EQ(std::string(back), test.utf8);
  }
}

TEST(Utf8ToUtf16, CutsLongTextButStillChecksAllOfIt) {
  char16_t out[4];
  EXPECT_EQ(Utf8ToUtf16("-uninstall", out, 4), Utf8Conversion::kTruncated);
  EXPECT_EQ(std::u16string(out), u"-un");
  EXPECT_EQ(Utf8ToUtf16("-uninstall\xFF", out, 4), Utf8Conversion::kInvalid);
  EXPECT_EQ(Utf8ToUtf16("abc", out, 4), Utf8Conversion::kComplete);
  // A pair that does not fit whole: its first half is kept, the cut is reported.
  EXPECT_EQ(Utf8ToUtf16("ab\xF0\x9F\x96\xA8", out, 4), Utf8Conversion::kTruncated);
  EXPECT_EQ(std::u16string(out), u"ab\xD83D");
}

TEST(Utf16ToUtf8, RejectsLoneSurrogatesAndWhatDoesNotFit) {
  char out[8];
  EXPECT_FALSE(Utf16ToUtf8(u"a\xD83D", out, sizeof out));
  EXPECT_FALSE(
      Utf16ToUtf8(u"\xDDA8"
                  "a",
                  out, sizeof out));
  EXPECT_FALSE(
      Utf16ToUtf8(u"\xD83D"
                  "a",
                  out, sizeof out));
  EXPECT_TRUE(Utf16ToUtf8(u"1234567", out, sizeof out));
  EXPECT_FALSE(Utf16ToUtf8(u"12345678", out, sizeof out));
  EXPECT_FALSE(Utf16ToUtf8(u"123456\u00FC", out, sizeof out));  // two bytes, one left
}

}  // namespace
