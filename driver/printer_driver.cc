#include "driver/printer_driver.h"

#include <string.h>

#include "driver/exit_status.h"

namespace {

using start_status::E_FAIL;
using start_status::S_OK;

// The bare file name when no directory was given, otherwise the directory with the
// file name appended. Null when the directory leaves no room for the file name.
const WideChar* ChooseLibraryPath(const CommandOptions& options, DriverRunState* state) {
  if (options.LibraryDirectory[0] == 0) return kLibraryFileName;
  // Check the room first: some runtimes end the process on an overflowing copy.
  if (BoundedLength(options.LibraryDirectory, kPathCapacity) > kMaxLibraryDirectoryLength) {
    return nullptr;
  }
  if (platform::wcscpy_s(state->LibraryPath, kPathCapacity, options.LibraryDirectory) != 0 ||
      platform::wcscat_s(state->LibraryPath, kPathCapacity, kLibraryPathSuffix) != 0) {
    return nullptr;
  }
  return state->LibraryPath;
}

void StartDriver(LibraryLoader& loader, DriverRunState* state) {
  state->Status = E_FAIL;
  const auto start = reinterpret_cast<PDFDriverInitFunction>(
      loader.GetProcAddress(state->Library, kStartEntryPoint));
  if (start == nullptr) return;
  memcpy(state->PrinterName, kPrinterName, sizeof kPrinterName);
  state->DriverHandle = start(state->PrinterName);
  if (state->DriverHandle != nullptr) state->Status = S_OK;
}

ExitStatus EndDriver(LibraryLoader& loader, const DriverRunState& state) {
  // A driver that could not be started leaves nothing to remove.
  if (state.Status != S_OK) return kExitSuccess;
  const auto end =
      reinterpret_cast<DriverEndFunction>(loader.GetProcAddress(state.Library, kEndEntryPoint));
  if (end == nullptr || state.DriverHandle == nullptr) return kExitFailure;
  end(state.DriverHandle);
  return kExitSuccess;
}

}  // namespace

int RunPrinterDriver(const CommandOptions& options, LibraryLoader& loader) {
  DriverRunState state = {};
  const WideChar* path = ChooseLibraryPath(options, &state);
  if (path == nullptr) return kExitFailure;
  state.Library = loader.LoadLibraryW(path);
  if (state.Library == nullptr) return kExitFailure;

  StartDriver(loader, &state);
  ExitStatus exit_status;
  if (options.RemoveDriver) {
    exit_status = EndDriver(loader, state);
  } else {
    // An install run leaves the started driver as the library set it up.
    exit_status = state.Status == S_OK ? kExitSuccess : kExitFailure;
  }
  // Always the last action, after every call into the library has returned.
  loader.FreeLibrary(state.Library);
  return exit_status;
}
