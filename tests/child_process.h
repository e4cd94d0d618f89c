// Starting the built tool as a child process, the one part of the end-to-end test
// that differs between platforms.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ChildResult {
  bool started = false;
  int exit_code = -1;
};

// Runs |program| with |arguments| (UTF-8, handed over exactly as given) in
// |working_directory|, with its standard output going to |output| and its standard
// error to |error_output|, or to |output| too when that is empty, and waits for it
// to end.
ChildResult RunChild(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& working_directory,
                     const std::filesystem::path& output,
                     const std::filesystem::path& error_output = {});

// Sets an environment variable (UTF-8) for every child started afterwards.
void SetChildEnvironment(const char* name, const std::string& value);
// An environment variable's value in UTF-8; empty when it is not set.
std::string EnvironmentValue(const char* name);

// Where this test program lives: the tool and the stand-ins were built beside it.
std::filesystem::path TestProgramDirectory();

// Whether arguments reach a program as bytes (POSIX) rather than UTF-16 (Windows).
extern const bool kArgumentsAreBytes;
// Where the platform's library search looks after the program's own folder: a
// list of directories in an environment variable, and the list's separator.
extern const char kLibrarySearchVariable[];
extern const char kLibrarySearchSeparator[];
// The tool's and the doctor's file names on this platform.
extern const char kToolFileName[];
extern const char kDoctorFileName[];
// Whether processes have an error mode (the stand-in can record it): Windows only.
extern const bool kHasErrorMode;
// Whether the loader itself catches a fault in a library's start-up or unload code
// (Windows' does): it then fails the load and unloads the library, or finishes the
// release, and the run goes on from there.
extern const bool kLoaderCatchesLibraryFaults;
// What the stand-in's own runtime prints when a C++ exception leaves it uncaught:
// the host's libstdc++ reports it before it aborts; Windows prints nothing.
extern const char kUncaughtExceptionOutput[];
// The stand-in's journal line for a release by the tool. Windows tells a release by
// FreeLibrary from one at process exit; the host's dynamic linker cannot.
extern const char kReleaseByTool[];
