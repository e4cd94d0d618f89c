#include <windows.h>

#include "doctor_platform/spooler.h"

namespace {

class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ServiceHandle() {
    if (handle_ != nullptr) CloseServiceHandle(handle_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  SC_HANDLE get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

}  // namespace

SpoolerState ReadSpoolerState() {
  const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (manager.get() == nullptr) return SpoolerState::kUnknown;
  const ServiceHandle service(
      OpenServiceW(manager.get(), L"Spooler", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (service.get() == nullptr) {
    return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? SpoolerState::kMissing
                                                          : SpoolerState::kUnknown;
  }
  alignas(8) static unsigned char config_buffer[8192];
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config_buffer);
  if (!QueryServiceConfigW(service.get(), config, sizeof config_buffer, &needed)) {
    return SpoolerState::kUnknown;
  }
  if (config->dwStartType == SERVICE_DISABLED) return SpoolerState::kDisabled;
  SERVICE_STATUS_PROCESS status = {};
  if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed)) {
    return SpoolerState::kUnknown;
  }
  return status.dwCurrentState == SERVICE_RUNNING ? SpoolerState::kRunning : SpoolerState::kStopped;
}
