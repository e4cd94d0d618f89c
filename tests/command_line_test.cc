#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/recording_loader.h"
#include "tests/wide_text.h"

namespace {

struct ParseCase {
  const char* name;
  std::vector<std::u16string> arguments;
  bool accepted;
  bool remove_driver;
  std::u16string library_directory;
};

const std::u16string k259Units(259, u'd');
const std::u16string k260Units(260, u'd');
// 257 plain units and one character outside the BMP: 259 units, as Windows counts.
const std::u16string k259UnitsEndingInPair = std::u16string(257, u'd') + u"\U0001F5A8";
const std::u16string k260UnitsEndingInPair = std::u16string(258, u'd') + u"\U0001F5A8";

const ParseCase kParseCases[] = {
    {"no arguments: install run, default search", {}, true, false, u""},
    {"-u", {u"-u"}, true, true, u""},
    {"/u", {u"/u"}, true, true, u""},
    {"anything after the u is ignored", {u"-uninstall"}, true, true, u""},
    {"even a colon and a path after the u", {u"/u:C:\\x"}, true, true, u""},
    {"-u twice", {u"-u", u"/u"}, true, true, u""},
    {"-p:DIR", {u"-p:D:\\pdf"}, true, false, u"D:\\pdf"},
    {"/p:DIR", {u"/p:D:\\pdf"}, true, false, u"D:\\pdf"},
    {"removal then directory", {u"-u", u"-p:D:\\pdf"}, true, true, u"D:\\pdf"},
    {"directory then removal", {u"/p:D:\\pdf", u"/u"}, true, true, u"D:\\pdf"},
    {"the last directory wins", {u"-p:A", u"-p:B"}, true, false, u"B"},
    {"-p: with nothing after the colon", {u"-p:"}, true, false, u""},
    {"directory text kept exactly", {u"-p: \"D:\\my pdf\\\" "}, true, false, u" \"D:\\my pdf\\\" "},
    {"wildcards stay as written", {u"-p:D:\\*\\?"}, true, false, u"D:\\*\\?"},
    {"non-ASCII directory", {u"-p:D:\\Drücker 印刷\\\U0001F5A8"}, true, false,
     u"D:\\Drücker 印刷\\\U0001F5A8"},
    {"259 units fit", {u"-p:" + k259Units}, true, false, k259Units},
    {"259 units with a surrogate pair fit", {u"-p:" + k259UnitsEndingInPair}, true, false,
     k259UnitsEndingInPair},

    {"260 units do not fit", {u"-p:" + k260Units}, false, false, u""},
    {"260 units with a surrogate pair do not fit", {u"-p:" + k260UnitsEndingInPair}, false, false, u""},
    {"three arguments, all valid", {u"-u", u"-u", u"-u"}, false, false, u""},
    {"removal, then an unknown argument", {u"-u", u"bogus"}, false, false, u""},
    {"an unknown argument, then removal", {u"bogus", u"-u"}, false, false, u""},
    {"upper-case U", {u"-U"}, false, false, u""},
    {"upper-case P", {u"-P:D:\\pdf"}, false, false, u""},
    {"-p without its colon", {u"-p"}, false, false, u""},
    {"-p followed by something else", {u"-pD:\\pdf"}, false, false, u""},
    {"directory as a separate argument", {u"-p:", u"D:\\pdf"}, false, false, u""},
    {"empty argument", {u""}, false, false, u""},
    {"a lone dash", {u"-"}, false, false, u""},
    {"a lone slash", {u"/"}, false, false, u""},
    {"two dashes", {u"--u"}, false, false, u""},
    {"no introducer", {u"u"}, false, false, u""},
    {"a backslash is no introducer", {u"\\u"}, false, false, u""},
    {"a full-width dash is no introducer", {u"\uFF0Du"}, false, false, u""},
};

TEST(ParseCommandLine, FollowsTheOptionTable) {
  for (const ParseCase& test : kParseCases) {
    SCOPED_TRACE(test.name);
    const ArgumentVector arguments(test.arguments);
    CommandOptions options;
    options.RemoveDriver = !test.remove_driver;  // the parser must set both fields itself
    options.LibraryDirectory[0] = 'x';
    options.LibraryDirectory[1] = 0;
    ASSERT_EQ(ParseCommandLine(arguments.argc(), arguments.argv(), &options), test.accepted);
    if (!test.accepted) continue;
    EXPECT_EQ(options.RemoveDriver, test.remove_driver);
    EXPECT_EQ(Readable(options.LibraryDirectory), Readable(test.library_directory));
  }
}

TEST(ParseCommandLine, CountsArgumentsBeforeLookingAtAny) {
  // Null arguments crash the parser if it reads one before refusing the count.
  const WideChar* const argv[] = {nullptr, nullptr, nullptr, nullptr};
  CommandOptions options;
  EXPECT_FALSE(ParseCommandLine(4, argv, &options));
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
  const std::vector<std::string> expected = {
      "load D:\\pdf\\cdintf400.dll", "resolve PDFDriverInit",
      "start Korvane Internal PDF Converter", "resolve DriverEnd", "end 0x5a17c0de00000000",
      "release"};
  EXPECT_EQ(loader.calls, expected);
}

}  // namespace
