// Folders laid out as an installer would leave them, with the tool, the doctor and
// stand-in libraries, for tests that run either as a child process: the tool
// copied into a folder, the converter library beside it or in a directory given
// on the command line.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/child_process.h"

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& text);
std::string Utf8FromPath(const fs::path& path);
// UTF-16 units in UTF-8 text: the unit count the tool's limits are given in.
size_t Utf16Length(const std::string& text);
void Replace(std::string& text, const std::string& from, const std::string& to);
std::string ReadFile(const fs::path& file);
std::vector<std::string> ReadLines(const fs::path& file);

struct Layout {
  // The library in each place: a stand-in variant ("complete", "no-end", ...), a
  // made-up file ("file:empty", "file:text", "file:elf", "file:pe"), or nothing.
  std::string beside_tool = "";
  std::string in_directory = "";
  std::string in_other_directory = "";
  std::string on_search_path = "";
  // Where the stand-in's companion DLL lies, which the needs-companion variant needs.
  bool companion_beside_tool = false;
  bool companion_in_directory = false;
  std::string directory_name = "lib";
  size_t directory_length = 0;  // when set, the directory is padded to this many units
  bool doctor_beside_tool = true;
};

// One laid-out case in a folder of its own, with the stand-in's journal there.
class StagedCase {
 public:
  StagedCase(const fs::path& folder, const Layout& layout);

  // |templates| with {dir}, {other} and {sep} (a separator) filled in.
  std::vector<std::string> Arguments(const std::vector<std::string>& templates) const;

  struct Run {
    ChildResult child;
    std::string output;
    std::string error_output;
    std::vector<std::string> journal;  // the calls the stand-in received
  };
  // Runs the tool or the doctor from the case's folder, standard output and error
  // apart, with the search variable set for the layout's search-path library.
  Run RunTool(const std::vector<std::string>& arguments) const;
  Run RunDoctor(const std::vector<std::string>& arguments) const;
  // Any program, the same way; the doctor's path for a command line that runs it.
  Run RunProgram(const fs::path& program, const std::vector<std::string>& arguments) const;
  fs::path DoctorPath() const { return doctor_ / kDoctorFileName; }

  const fs::path& directory() const { return directory_; }

 private:
  fs::path folder_;
  fs::path app_;
  fs::path doctor_;
  fs::path directory_;
  fs::path other_;
  fs::path searched_;
};

// A test whose cases each get a folder of their own under one scratch folder,
// which stays for a look when the test fails. One scratch folder per build and
// test, so builds tested side by side never share one.
class StagingTest : public ::testing::Test {
 protected:
  explicit StagingTest(std::string name) : name_(std::move(name)) {}
  void SetUp() override;
  void TearDown() override;

  StagedCase Stage(const Layout& layout) { return StagedCase(NextFolder(), layout); }
  fs::path NextFolder() { return root_ / std::to_string(cases_staged_++); }

 private:
  std::string name_;
  fs::path root_;
  int cases_staged_ = 0;
};
