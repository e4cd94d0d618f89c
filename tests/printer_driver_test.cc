#include "driver/printer_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/recording_loader.h"
#include "tests/wide_text.h"

namespace {

CommandOptions Options(bool remove_driver, std::u16string_view directory = u"") {
  CommandOptions options = {};
  options.RemoveDriver = remove_driver;
  const WideString wide = Wide(directory);
  wide.copy(options.LibraryDirectory, kPathCapacity - 1);
  return options;
}

const std::string kLoad = "load cdintf400.dll";
const std::string kResolveStart = "resolve PDFDriverInit";
const std::string kStart = "start Korvane Internal PDF Converter";
const std::string kResolveEnd = "resolve DriverEnd";
const std::string kEnd = "end 0x5a17c0de00000000";
const std::string kRelease = "release";

struct Outcome {
  const char* name;
  bool remove_driver = false;
  bool library_loads = true;
  bool exports_start = true;
  bool start_succeeds = true;
  bool exports_end = true;
  std::vector<std::string> calls;
  int exit_status;
};

const Outcome kOutcomes[] = {
    {.name = "install, library missing",
     .library_loads = false,
     .calls = {kLoad},
     .exit_status = 1},
    {.name = "install, no start entry point",
     .exports_start = false,
     .calls = {kLoad, kResolveStart, kRelease},
     .exit_status = 1},
    {.name = "install, start returns null",
     .start_succeeds = false,
     .calls = {kLoad, kResolveStart, kStart, kRelease},
     .exit_status = 1},
    {.name = "install, started",
     .calls = {kLoad, kResolveStart, kStart, kRelease},
     .exit_status = 0},
    {.name = "install without an end entry point",
     .exports_end = false,
     .calls = {kLoad, kResolveStart, kStart, kRelease},
     .exit_status = 0},
    {.name = "removal, library missing",
     .remove_driver = true,
     .library_loads = false,
     .calls = {kLoad},
     .exit_status = 1},
    {.name = "removal, no start entry point",
     .remove_driver = true,
     .exports_start = false,
     .calls = {kLoad, kResolveStart, kRelease},
     .exit_status = 0},
    {.name = "removal, start returns null",
     .remove_driver = true,
     .start_succeeds = false,
     .calls = {kLoad, kResolveStart, kStart, kRelease},
     .exit_status = 0},
    {.name = "removal, no end entry point",
     .remove_driver = true,
     .exports_end = false,
     .calls = {kLoad, kResolveStart, kStart, kResolveEnd, kRelease},
     .exit_status = 1},
    {.name = "removal, ended",
     .remove_driver = true,
     .calls = {kLoad, kResolveStart, kStart, kResolveEnd, kEnd, kRelease},
     .exit_status = 0},
};

TEST(RunPrinterDriver, CallsAndExitStatusForEveryOutcome) {
  for (const Outcome& outcome : kOutcomes) {
    SCOPED_TRACE(outcome.name);
    RecordingLoader loader;
    loader.library_loads = outcome.library_loads;
    loader.exports_start = outcome.exports_start;
    loader.exports_end = outcome.exports_end;
    if (!outcome.start_succeeds) loader.start_returns = nullptr;
    EXPECT_EQ(RunPrinterDriver(Options(outcome.remove_driver), loader), outcome.exit_status);
    EXPECT_EQ(loader.calls, outcome.calls);
  }
}

TEST(RunPrinterDriver, PassesEachRunAFreshWritableCopyOfThePrinterName) {
  // The recording library overwrites the name it gets, as the real one may: a
  // read-only name faults there, and a run that handed out one shared buffer would
  // give the next run the scribbled name.
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    RecordingLoader loader;
    loader.scribble_on_name = true;
    EXPECT_EQ(RunPrinterDriver(Options(false), loader), 0);
    ASSERT_NE(loader.printer_name, nullptr);
    EXPECT_NE(loader.printer_name, kPrinterName) << "the constant itself, not a copy";
    EXPECT_EQ(loader.calls.at(2), kStart);
  }
  EXPECT_STREQ(kPrinterName, "Korvane Internal PDF Converter");
}

struct PathCase {
  const char* name;
  std::u16string directory;
  std::u16string loaded;  // empty: the loader must not be called
};

const std::u16string k245Units(245, u'd');
const std::u16string k246Units(246, u'd');
const std::u16string k259Units(259, u'd');

const PathCase kPathCases[] = {
    {"no directory: the bare name", u"", u"cdintf400.dll"},
    {"a directory", u"D:\\pdf", u"D:\\pdf\\cdintf400.dll"},
    {"a trailing backslash is kept", u"D:\\pdf\\", u"D:\\pdf\\\\cdintf400.dll"},
    {"a trailing slash is kept", u"D:/pdf/", u"D:/pdf/\\cdintf400.dll"},
    {"non-ASCII and spaces unchanged", u"D:\\Drücker 印刷\\\U0001F5A8",
     u"D:\\Drücker 印刷\\\U0001F5A8\\cdintf400.dll"},
    {"245 units: the path just fits", k245Units, k245Units + u"\\cdintf400.dll"},
    {"246 units: no room for the file name", k246Units, u""},
    {"259 units: no room for the file name", k259Units, u""},
};

TEST(RunPrinterDriver, ComposesTheLibraryPath) {
  for (const PathCase& test : kPathCases) {
    SCOPED_TRACE(test.name);
    RecordingLoader loader;
    const int exit_status = RunPrinterDriver(Options(false, test.directory), loader);
    if (test.loaded.empty()) {
      EXPECT_EQ(exit_status, 1);
      EXPECT_TRUE(loader.calls.empty());
    } else {
      EXPECT_EQ(exit_status, 0);
      ASSERT_FALSE(loader.calls.empty());
      EXPECT_EQ(loader.calls.front(), "load " + Readable(test.loaded));
    }
  }
}

TEST(RunPrinterDriver, DirectoryThatFailsToLoadHasNoFallback) {
  RecordingLoader loader;
  loader.library_loads = false;
  EXPECT_EQ(RunPrinterDriver(Options(true, u"D:\\empty"), loader), 1);
  EXPECT_EQ(loader.calls, std::vector<std::string>{"load D:\\empty\\cdintf400.dll"});
}

}  // namespace
