#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/child_process.h"

extern char** environ;

const bool kArgumentsAreBytes = true;
const char kLibrarySearchVariable[] = "LD_LIBRARY_PATH";
const char kLibrarySearchSeparator[] = ":";
const char kToolFileName[] = "pdf-printer-setup";
const char kDoctorFileName[] = "pdf-printer-doctor";
const char kReleaseByTool[] = "release";
const bool kHasErrorMode = false;
const bool kLoaderCatchesLibraryFaults = false;
const char kUncaughtExceptionOutput[] =
    "terminate called after throwing an instance of 'std::runtime_error'\n"
    "  what():  converter failed\n";

ChildResult RunChild(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& working_directory,
                     const std::filesystem::path& output,
                     const std::filesystem::path& error_output) {
  std::vector<char*> argv;
  std::string program_name = program.string();
  argv.push_back(program_name.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (error_output.empty()) {
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, error_output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid;
  const int error =
      posix_spawn(&pid, program_name.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ChildResult result;
  if (error != 0) return result;
  int status;
  if (waitpid(pid, &status, 0) != pid) return result;
  result.started = true;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

void SetChildEnvironment(const char* name, const std::string& value) {
  setenv(name, value.c_str(), 1);
}

std::string EnvironmentValue(const char* name) {
  const char* value = getenv(name);
  return value != nullptr ? value : "";
}

std::filesystem::path TestProgramDirectory() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}
