#include <windows.h>

#include "doctor_platform/printing_system.h"
#include "doctor_platform/system_library-win32.h"

const bool kHasPrintingSystem = true;

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

bool KeyExists(const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool IsLocalSystem(HANDLE token) {
  alignas(8) unsigned char buffer[256];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID system = nullptr;
  if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) {
    return false;
  }
  const bool is_system = EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, system) != 0;
  FreeSid(system);
  return is_system;
}

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

Reading ReadElevation() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return Reading::kUnknown;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  Reading reading = Reading::kUnknown;
  if (IsLocalSystem(token)) {
    reading = Reading::kYes;
  } else if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    reading = elevation.TokenIsElevated != 0 ? Reading::kYes : Reading::kNo;
  }
  CloseHandle(token);
  return reading;
}

uint16_t ReadNativeMachine() {
  // Windows 10 1709 and later; before it, there was no ARM64 Windows to run on.
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto is_wow64_process2 =
      SystemFunction<IsWow64Process2Function>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2");
  USHORT process = 0;
  USHORT native = 0;
  if (is_wow64_process2 == nullptr || !is_wow64_process2(GetCurrentProcess(), &process, &native)) {
    return IMAGE_FILE_MACHINE_AMD64;
  }
  return native;
}

Reading ReadProtectedPrint() {
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS status = RegGetValueW(
      HKEY_LOCAL_MACHINE, L"Software\\Policies\\Microsoft\\Windows NT\\Printers\\WPP",
      L"WindowsProtectedPrintGroupPolicyState", RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) return Reading::kNo;
  if (status != ERROR_SUCCESS) return Reading::kUnknown;
  return value == 1 ? Reading::kYes : Reading::kNo;
}

RebootSign ReadPendingReboot() {
  // A multi-string: empty when it holds no more than its terminators.
  static wchar_t renames[16 * 1024];
  DWORD size = sizeof renames;
  const LSTATUS status =
      RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, renames, &size);
  if ((status == ERROR_SUCCESS && size > 2 * sizeof(wchar_t) && renames[0] != 0) ||
      status == ERROR_MORE_DATA) {
    return RebootSign::kPendingFileRenames;
  }
  if (KeyExists(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based "
                L"Servicing\\RebootPending")) {
    return RebootSign::kServicing;
  }
  if (KeyExists(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto "
                L"Update\\RebootRequired")) {
    return RebootSign::kWindowsUpdate;
  }
  return RebootSign::kNone;
}

// From the spooler's own store of local printers, opened for reading, rather than
// through winspool.drv: that is no KnownDLL, and under Wine it brings in user32,
// which loads uxtheme.dll by the standard search, from the doctor's own folder.
Reading ReadPrinterPresence(const char* printer_name) {
  wchar_t key_path[512] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
  const int prefix = lstrlenW(key_path);
  if (MultiByteToWideChar(CP_ACP, 0, printer_name, -1, key_path + prefix, 512 - prefix) == 0) {
    return Reading::kUnknown;
  }
  HKEY key;
  const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key);
  if (status == ERROR_FILE_NOT_FOUND) return Reading::kNo;
  if (status != ERROR_SUCCESS) return Reading::kUnknown;
  RegCloseKey(key);
  return Reading::kYes;
}
