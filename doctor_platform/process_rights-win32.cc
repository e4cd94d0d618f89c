#include <windows.h>

#include "doctor_platform/process_rights.h"

namespace {

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
