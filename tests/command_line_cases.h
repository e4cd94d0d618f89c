// Command lines and what the parser makes of them: the unit tests check each one,
// and the fuzzer starts from them.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

// Each file that includes this gets its own copies (const at namespace scope), so
// the table is always initialised after the strings it is built from: inline
// variables would leave that order to the toolchain, and clang for Windows gets
// it wrong.

struct ParseCase {
  const char* name;
  std::vector<std::u16string> arguments;
  bool accepted;
  bool remove_driver;
  std::u16string library_directory;
  // A rejected command line: the argument the parser names, and its reason.
  int rejected_argument = 0;
  RejectionReason reason = RejectionReason::kNotAnOption;
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
    {"non-ASCII directory",
     {u"-p:D:\\Drücker 印刷\\\U0001F5A8"},
     true,
     false,
     u"D:\\Drücker 印刷\\\U0001F5A8"},
    {"259 units fit", {u"-p:" + k259Units}, true, false, k259Units},
    {"259 units with a surrogate pair fit",
     {u"-p:" + k259UnitsEndingInPair},
     true,
     false,
     k259UnitsEndingInPair},

    {"260 units do not fit",
     {u"-p:" + k260Units},
     false,
     false,
     u"",
     1,
     RejectionReason::kDirectoryTooLong},
    {"260 units with a surrogate pair do not fit",
     {u"-p:" + k260UnitsEndingInPair},
     false,
     false,
     u"",
     1,
     RejectionReason::kDirectoryTooLong},
    {"three arguments, all valid",
     {u"-u", u"-u", u"-u"},
     false,
     false,
     u"",
     3,
     RejectionReason::kTooManyArguments},
    {"removal, then an unknown argument",
     {u"-u", u"bogus"},
     false,
     false,
     u"",
     2,
     RejectionReason::kNotAnOption},
    {"removal, then an unknown option",
     {u"-u", u"-x"},
     false,
     false,
     u"",
     2,
     RejectionReason::kNotAnOption},
    {"an unknown argument, then removal",
     {u"bogus", u"-u"},
     false,
     false,
     u"",
     1,
     RejectionReason::kNotAnOption},
    {"upper-case U", {u"-U"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"upper-case P", {u"-P:D:\\pdf"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"-p without its colon", {u"-p"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"-p followed by something else",
     {u"-pD:\\pdf"},
     false,
     false,
     u"",
     1,
     RejectionReason::kNotAnOption},
    {"directory as a separate argument",
     {u"-p:", u"D:\\pdf"},
     false,
     false,
     u"",
     2,
     RejectionReason::kNotAnOption},
    {"empty argument", {u""}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"a lone dash", {u"-"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"a lone slash", {u"/"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"two dashes", {u"--u"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"no introducer", {u"u"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"a backslash is no introducer", {u"\\u"}, false, false, u"", 1, RejectionReason::kNotAnOption},
    {"a full-width dash is no introducer",
     {u"\uFF0Du"},
     false,
     false,
     u"",
     1,
     RejectionReason::kNotAnOption},
};
