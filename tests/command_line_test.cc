#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/command_line_cases.h"
#include "tests/recording_loader.h"
#include "tests/wide_text.h"

namespace {

TEST(ParseCommandLine, FollowsTheOptionTable) {
  for (const ParseCase& test : kParseCases) {
    SCOPED_TRACE(test.name);
    const ArgumentVector arguments(test.arguments);
    CommandOptions options;
    options.RemoveDriver = !test.remove_driver;  // the parser must set both fields itself
    options.LibraryDirectory[0] = 'x';
    options.LibraryDirectory[1] = 0;
    CommandLineRejection rejection = {-1, RejectionReason::kTooManyArguments, nullptr};
    ASSERT_EQ(ParseCommandLine(arguments.argc(), arguments.argv(), &options, &rejection),
              test.accepted);
    if (!test.accepted) {
      EXPECT_EQ(rejection.argument, test.rejected_argument);
      EXPECT_EQ(rejection.reason, test.reason);
      if (test.reason == RejectionReason::kDirectoryTooLong) {
        // The directory text itself, inside the argument the parser refused.
        EXPECT_EQ(rejection.directory, arguments.argv()[rejection.argument] + 3);
      }
      continue;
    }
    EXPECT_EQ(rejection.argument, -1) << "an accepted command line leaves the rejection alone";
    EXPECT_EQ(options.RemoveDriver, test.remove_driver);
    EXPECT_EQ(Readable(options.LibraryDirectory), Readable(test.library_directory));
  }
}

TEST(ParseCommandLine, CountsArgumentsBeforeLookingAtAny) {
  // Null arguments crash the parser if it reads one before refusing the count.
  const WideChar* const argv[] = {nullptr, nullptr, nullptr, nullptr};
  CommandOptions options;
  CommandLineRejection rejection;
  EXPECT_FALSE(ParseCommandLine(4, argv, &options, &rejection));
  EXPECT_EQ(rejection.reason, RejectionReason::kTooManyArguments);
  EXPECT_EQ(rejection.argument, kMaxArgumentCount);
}

TEST(ParseCommandLine, NeverLooksAtTheProgramName) {
  const WideChar* const removal[] = {nullptr, WIDE_TEXT("-u")};
  CommandOptions options;
  ASSERT_TRUE(ParseCommandLine(2, removal, &options));
  EXPECT_TRUE(options.RemoveDriver);

  const WideChar* const option_as_name[] = {WIDE_TEXT("-U")};
  ASSERT_TRUE(ParseCommandLine(1, option_as_name, &options));
  EXPECT_FALSE(options.RemoveDriver);
}

TEST(RunCommandLine, RejectedCommandLineLoadsNothing) {
  for (const auto& rejected : {std::vector<std::u16string>{u"-u", u"bogus"},
                               std::vector<std::u16string>{u"-u", u"-u", u"-u"},
                               std::vector<std::u16string>{u"-p:" + k260Units}}) {
    RecordingLoader loader;
    const ArgumentVector arguments(rejected);
    EXPECT_EQ(RunCommandLine(arguments.argc(), arguments.argv(), loader), 1);
    EXPECT_TRUE(loader.calls.empty());
  }
}

TEST(RunCommandLine, HandsTheOptionsToTheRun) {
  RecordingLoader loader;
  const ArgumentVector arguments({u"-p:D:\\pdf", u"-u"});
  EXPECT_EQ(RunCommandLine(arguments.argc(), arguments.argv(), loader), 0);
  const std::vector<std::string> expected = {"load D:\\pdf\\cdintf400.dll",
                                             "resolve PDFDriverInit",
                                             "start Korvane Internal PDF Converter",
                                             "resolve DriverEnd",
                                             "end 0x5a17c0de00000000",
                                             "release"};
  EXPECT_EQ(loader.calls, expected);
}

}  // namespace
