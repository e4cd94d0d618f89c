// The host's bounded copies keep the Windows runtime's contract.
#include "platform/wide_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BoundedCopy, CopiesAndAppendsWhatFits) {
  char16_t buffer[8];
  EXPECT_EQ(platform::wcscpy_s(buffer, 8, u"abc"), 0);
  EXPECT_EQ(platform::wcscat_s(buffer, 8, u"defg"), 0);
  EXPECT_EQ(std::u16string(buffer), u"abcdefg");
}

TEST(BoundedCopy, OverflowLeavesTheDestinationEmptyAndUntouchedPastCapacity) {
  char16_t buffer[9];
  buffer[8] = u'#';
  EXPECT_NE(platform::wcscpy_s(buffer, 8, u"abcdefgh"), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[8], u'#');

  EXPECT_EQ(platform::wcscpy_s(buffer, 8, u"abcd"), 0);
  EXPECT_NE(platform::wcscat_s(buffer, 8, u"efgh"), 0);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[8], u'#');
}

TEST(BoundedLength, StopsAtTheLimit) {
  EXPECT_EQ(BoundedLength(u"abc", 8), 3u);
  EXPECT_EQ(BoundedLength(u"abcdefghij", 4), 4u);
  EXPECT_EQ(BoundedLength(u"", 4), 0u);
}

}  // namespace
