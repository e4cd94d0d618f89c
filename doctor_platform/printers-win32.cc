#include <windows.h>

#include "doctor_platform/printers.h"

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
