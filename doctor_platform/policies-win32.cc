#include <windows.h>

#include "doctor_platform/policies.h"

namespace {

bool KeyExists(const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

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
