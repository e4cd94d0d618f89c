// The Print Spooler service, through which every printer and driver is added.
#pragma once

enum class SpoolerState {
  kUnknown,  // could not be read
  kRunning,
  kStopped,   // any state but running, including pending
  kDisabled,  // its start type is disabled, whatever its state
  kMissing,   // no such service
};
// From the service manager, opened for query only.
SpoolerState ReadSpoolerState();
