#include <windows.h>

#include "tests/child_process.h"

const bool kArgumentsAreBytes = false;
const char kLibrarySearchVariable[] = "PATH";
const char kLibrarySearchSeparator[] = ";";
const char kToolFileName[] = "pdf-printer-setup.exe";
const char kDoctorFileName[] = "pdf-printer-doctor.exe";
const char kReleaseByTool[] = "release FreeLibrary";
const bool kHasErrorMode = true;
const bool kLoaderCatchesLibraryFaults = true;
const char kUncaughtExceptionOutput[] = "";

namespace {

std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), length);
  return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                      nullptr, nullptr);
  return narrow;
}

// Quotes one argument so the runtime's command-line splitting gives it back exactly:
// backslashes are doubled only where they precede a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t unit : argument) {
    if (unit == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(unit == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(unit);
  }
  quoted.append(2 * backslashes, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

}  // namespace

ChildResult RunChild(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& working_directory,
                     const std::filesystem::path& output,
                     const std::filesystem::path& error_output) {
  std::wstring command_line = QuoteArgument(program.wstring());
  for (const std::string& argument : arguments)
    command_line += L" " + QuoteArgument(WideFromUtf8(argument));

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  const auto create = [&](const std::filesystem::path& file) {
    return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE output_file = create(output);
  const HANDLE error_file = error_output.empty() ? output_file : create(error_output);
  const HANDLE input_file = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inheritable, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input_file;
  startup.hStdOutput = output_file;
  startup.hStdError = error_file;
  PROCESS_INFORMATION process;
  // The child gets the system's default error mode, not the one GoogleTest set for
  // this process: what the tool sets is then all it has.
  const BOOL created = CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                      CREATE_DEFAULT_ERROR_MODE, nullptr, working_directory.c_str(),
                                      &startup, &process);
  CloseHandle(output_file);
  if (error_file != output_file) CloseHandle(error_file);
  CloseHandle(input_file);
  ChildResult result;
  if (!created) return result;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code;
  if (GetExitCodeProcess(process.hProcess, &exit_code)) {
    result.started = true;
    result.exit_code = static_cast<int>(exit_code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

void SetChildEnvironment(const char* name, const std::string& value) {
  SetEnvironmentVariableW(WideFromUtf8(name).c_str(), WideFromUtf8(value).c_str());
}

std::string EnvironmentValue(const char* name) {
  const std::wstring wide_name = WideFromUtf8(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return std::string();
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(wide_name.c_str(), value.data(), size));
  return Utf8FromWide(value);
}

std::filesystem::path TestProgramDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}
