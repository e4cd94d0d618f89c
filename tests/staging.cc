#include "tests/staging.h"

#include <fstream>
#include <functional>
#include <iterator>

#include "tests/case_name.h"

fs::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (const char byte : text) {
    const auto value = static_cast<unsigned char>(byte);
    if ((value & 0xC0) != 0x80) ++units;  // a lead byte starts a character
    if (value >= 0xF0) ++units;           // past the BMP: a surrogate pair
  }
  return units;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

namespace {

// A directory under |base| named |name|, or padded out to |length| units.
fs::path MakeDirectory(const fs::path& base, const std::string& name, size_t length) {
  fs::path directory = base / PathFromUtf8(name);
  while (length != 0 && Utf16Length(Utf8FromPath(directory)) < length) {
    const size_t missing = length - Utf16Length(Utf8FromPath(directory));
    // Each component costs a separator; never leave a single unit to fill.
    const size_t component = missing <= 101 ? missing - 1 : (missing - 101 < 2 ? 50 : 100);
    directory /= std::string(component, 'd');
  }
  fs::create_directories(directory);
  return directory;
}

// The first bytes of a library of another kind: what a loader reads first.
std::string MadeUpFile(const std::string& kind) {
  if (kind == "empty") return "";
  if (kind == "text") {
    // What a download that went wrong leaves behind.
    return "<!DOCTYPE html>\n<html><body><h1>404 Not Found</h1></body></html>\n";
  }
  std::string bytes(512, '\0');
  const auto put16 = [&](size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
  };
  if (kind == "elf") {
    bytes.replace(0, 4,
                  "\x7F"
                  "ELF");
    bytes[4] = 2;   // 64-bit
    bytes[5] = 1;   // little-endian
    bytes[6] = 1;   // version
    put16(16, 3);   // a shared object
    put16(18, 62);  // x86-64
    return bytes;
  }
  // "pe": the headers of a 32-bit x86 DLL.
  bytes.replace(0, 2, "MZ");
  put16(0x3C, 0x80);
  bytes.replace(0x80, 4, std::string("PE\0\0", 4));
  put16(0x84, 0x14C);
  put16(0x98, 0x10B);
  return bytes;
}

void PlaceLibrary(const std::string& library, const fs::path& folder) {
  if (library.empty()) return;
  const fs::path target = folder / "cdintf400.dll";
  if (library.rfind("file:", 0) == 0) {
    std::ofstream(target, std::ios::binary) << MadeUpFile(library.substr(5));
  } else {
    fs::copy_file(TestProgramDirectory() / "stand-in" / library / "cdintf400.dll", target);
  }
}

void PlaceCompanion(const fs::path& folder) {
  fs::copy_file(TestProgramDirectory() / "stand-in" / "companion" / "companion.dll",
                folder / "companion.dll");
}

}  // namespace

StagedCase::StagedCase(const fs::path& folder, const Layout& layout) : folder_(folder) {
  app_ = folder_ / "app";
  fs::create_directories(app_);
  fs::copy_file(TestProgramDirectory() / kToolFileName, app_ / kToolFileName);
  doctor_ = layout.doctor_beside_tool ? app_ : folder_ / "doctor";
  fs::create_directories(doctor_);
  // A build without the doctor has none to copy.
  if (fs::exists(TestProgramDirectory() / kDoctorFileName)) {
    fs::copy_file(TestProgramDirectory() / kDoctorFileName, doctor_ / kDoctorFileName);
  }
  PlaceLibrary(layout.beside_tool, app_);
  if (layout.companion_beside_tool) PlaceCompanion(app_);

  directory_ = MakeDirectory(folder_, layout.directory_name, layout.directory_length);
  PlaceLibrary(layout.in_directory, directory_);
  if (layout.companion_in_directory) PlaceCompanion(directory_);
  other_ = MakeDirectory(folder_, "other", 0);
  PlaceLibrary(layout.in_other_directory, other_);
  if (!layout.on_search_path.empty()) {
    searched_ = MakeDirectory(folder_, "searched", 0);
    PlaceLibrary(layout.on_search_path, searched_);
  }
  // Files a runtime that expands wildcards would match for -u*: expanded, the
  // argument would become two.
  std::ofstream(folder_ / "-ua").put('x');
  std::ofstream(folder_ / "-ub").put('x');
}

std::vector<std::string> StagedCase::Arguments(const std::vector<std::string>& templates) const {
  std::vector<std::string> arguments = templates;
  for (std::string& argument : arguments) {
    Replace(argument, "{dir}", Utf8FromPath(directory_));
    Replace(argument, "{other}", Utf8FromPath(other_));
    Replace(argument, "{sep}", Utf8FromPath(fs::path("/").make_preferred()));
  }
  return arguments;
}

StagedCase::Run StagedCase::RunTool(const std::vector<std::string>& arguments) const {
  return RunProgram(app_ / kToolFileName, arguments);
}

StagedCase::Run StagedCase::RunDoctor(const std::vector<std::string>& arguments) const {
  return RunProgram(doctor_ / kDoctorFileName, arguments);
}

StagedCase::Run StagedCase::RunProgram(const fs::path& program,
                                       const std::vector<std::string>& arguments) const {
  const fs::path journal = folder_ / "journal.txt";
  const fs::path output = folder_ / "output.txt";
  const fs::path error_output = folder_ / "error-output.txt";
  fs::remove(journal);
  SetChildEnvironment("CDINTF400_JOURNAL", Utf8FromPath(journal));
  const std::string search_path = EnvironmentValue(kLibrarySearchVariable);
  if (!searched_.empty()) {
    SetChildEnvironment(kLibrarySearchVariable,
                        Utf8FromPath(searched_) +
                            (search_path.empty() ? "" : kLibrarySearchSeparator + search_path));
  }
  Run run;
  run.child = RunChild(program, arguments, folder_, output, error_output);
  SetChildEnvironment(kLibrarySearchVariable, search_path);
  run.output = ReadFile(output);
  run.error_output = ReadFile(error_output);
  run.journal = ReadLines(journal);
  return run;
}

void StagingTest::SetUp() {
  const size_t build = std::hash<std::string>{}(Utf8FromPath(TestProgramDirectory()));
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = fs::temp_directory_path() / (name_ + "-" + std::to_string(build)) /
          CaseName(std::string(test->test_suite_name()) + "." + test->name());
  fs::remove_all(root_);
  fs::create_directories(root_);
}

void StagingTest::TearDown() {
  // Under Wine a process that the printing calls start may hold a case's output
  // file open a while after the case (seen as a sharing violation when removing
  // it): what cannot be removed yet stays in the temporary folder.
  std::error_code ignored;
  if (!HasFailure()) fs::remove_all(root_, ignored);
}
