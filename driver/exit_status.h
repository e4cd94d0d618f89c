// The tool's only output: its exit status.
#pragma once

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,
};
