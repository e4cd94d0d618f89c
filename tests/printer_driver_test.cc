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
  bool remove_driver;
  bool library_loads;
  bool exports_start;
  bool start_succeeds;
  bool exports_end;
  std::vector<std::string> calls;
  int exit_status;
};

const Outcome kOutcomes[] = {
    {"install, library missing", false, false, true, true, true, {kLoad}, 1},
    {"install, no start entry point",
     false,
     true,
     false,
     true,
     true,
     {kLoad, kResolveStart, kRelease},
     1},
    {"install, start returns null",
     false,
     true,
     true,
     false,
     true,
     {kLoad, kResolveStart, kStart, kRelease},
     1},
    {"install, started",
     false,
     true,
     true,
     true,
     true,
     {kLoad, kResolveStart, kStart, kRelease},
     0},
    {"install without an end entry point",
     false,
     true,
     true,
     true,
     false,
     {kLoad, kResolveStart, kStart, kRelease},
     0},
    {"removal, library missing", true, false, true, true, true, {kLoad}, 1},
    {"removal, no start entry point",
     true,
     true,
     false,
     true,
     true,
     {kLoad, kResolveStart, kRelease},
     0},
    {"removal, start returns null",
     true,
     true,
     true,
     false,
     true,
     {kLoad, kResolveStart, kStart, kRelease},
     0},
    {"removal, no end entry point",
     true,
     true,
     true,
     true,
     false,
     {kLoad, kResolveStart, kStart, kResolveEnd, kRelease},
     1},
    {"removal, ended",
     true,
     true,
     true,
     true,
     true,
     {kLoad, kResolveStart, kStart, kResolveEnd, kEnd, kRelease},
     0},
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

TEST(RunPrinterDriver, PassesTheRunsOwnWritableCopyOfThePrinterName) {
  // The recording library writes to the name it gets: a read-only name faults there.
  RecordingLoader loader;
  EXPECT_EQ(RunPrinterDriver(Options(false), loader), 0);
  ASSERT_NE(loader.printer_name, nullptr);
  EXPECT_NE(loader.printer_name, static_cast<const char*>(kPrinterName));
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
