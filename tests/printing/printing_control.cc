// Sets up and breaks the printing system of a Wine prefix for the tests, from
// inside it: printing_control VERB [ARGUMENTS]. Exit status 0 when it did it.
//   spooler start|stop|disable|enable   the Print Spooler service
//   add-driver NAME PPD                 a PostScript driver of that name, through
//                                       Wine's own driver, with PPD copied beside it
//   printer-exists NAME                 0 when a printer of that name exists, 1 if not
//   add-printer NAME DRIVER             a local printer on FILE: with that driver
//   delete-printer NAME                 deletes it when it is there
//   set-dword KEY VALUE NUMBER          under HKEY_LOCAL_MACHINE
//   set-strings KEY VALUE TEXT          a REG_MULTI_SZ of one string
//   add-key KEY | delete-key KEY | delete-value KEY VALUE
//   limited PROGRAM [ARGUMENTS]         runs PROGRAM with the session's limited
//                                       token, not elevated, and exits with its status
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
#include <winspool.h>

#include <string>

namespace {

int Fail(const char* what) {
  fprintf(stderr, "printing_control: %s failed: error %lu\n", what, GetLastError());
  return 2;
}

int Spooler(const std::wstring& action) {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return Fail("OpenSCManagerW");
  const SC_HANDLE service = OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS);
  if (service == nullptr) return Fail("OpenServiceW");
  SERVICE_STATUS status = {};
  bool done = true;
  if (action == L"start") {
    // Wine may answer 1053 and start it all the same.
    if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING &&
        GetLastError() != ERROR_SERVICE_REQUEST_TIMEOUT) {
      done = false;
    }
    for (int i = 0; i < 100; ++i) {
      if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING) break;
      Sleep(50);
    }
    done = done && status.dwCurrentState == SERVICE_RUNNING;
  } else if (action == L"stop") {
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
      done = false;
    }
    for (int i = 0; i < 100; ++i) {
      if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED) break;
      Sleep(50);
    }
  } else if (action == L"disable" || action == L"enable") {
    done = ChangeServiceConfigW(service, SERVICE_NO_CHANGE,
                                action == L"disable" ? SERVICE_DISABLED : SERVICE_DEMAND_START,
                                SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) != 0;
  } else {
    done = false;
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return done ? 0 : Fail("the spooler action");
}

int AddDriver(std::wstring name, const std::wstring& ppd) {
  wchar_t folder[MAX_PATH];
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                  sizeof folder, &needed)) {
    return Fail("GetPrinterDriverDirectoryW");
  }
  std::wstring data = std::wstring(folder) + L"\\stand-in.ppd";
  if (!CopyFileW(ppd.c_str(), data.c_str(), FALSE)) return Fail("copying the PPD");
  wchar_t environment[] = L"Windows x64";
  wchar_t driver[] = L"wineps.drv";
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = name.data();
  info.pEnvironment = environment;
  info.pDriverPath = driver;
  info.pDataFile = data.data();
  info.pConfigFile = driver;
  if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                           APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) &&
      !AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES)) {
    return Fail("AddPrinterDriverExW");
  }
  return 0;
}

int PrinterExists(std::wstring name) {
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) return 1;
  ClosePrinter(printer);
  return 0;
}

int AddPrinterNamed(std::wstring name, std::wstring driver) {
  wchar_t port[] = L"FILE:";
  wchar_t processor[] = L"WinPrint";
  wchar_t data_type[] = L"RAW";
  PRINTER_INFO_2W info = {};
  info.pPrinterName = name.data();
  info.pPortName = port;
  info.pDriverName = driver.data();
  info.pPrintProcessor = processor;
  info.pDatatype = data_type;
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  const HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (printer == nullptr) return Fail("AddPrinterW");
  ClosePrinter(printer);
  return 0;
}

int DeletePrinterNamed(std::wstring name) {
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, &access)) return 0;
  const bool deleted = DeletePrinter(printer) != 0;
  ClosePrinter(printer);
  return deleted ? 0 : Fail("DeletePrinter");
}

int Registry(const std::wstring& verb, const std::wstring& key, const std::wstring& value,
             const std::wstring& data) {
  if (verb == L"delete-key") {
    const LSTATUS status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 0 : 2;
  }
  HKEY handle;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return Fail("RegCreateKeyExW");
  }
  LSTATUS status = ERROR_SUCCESS;
  if (verb == L"set-dword") {
    const DWORD number = static_cast<DWORD>(wcstoul(data.c_str(), nullptr, 10));
    status = RegSetValueExW(handle, value.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof number);
  } else if (verb == L"set-strings") {
    const std::wstring strings = data + L'\0' + L'\0';
    status = RegSetValueExW(handle, value.c_str(), 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(strings.data()),
                            static_cast<DWORD>(strings.size() * sizeof(wchar_t)));
  } else if (verb == L"delete-value") {
    status = RegDeleteValueW(handle, value.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(handle);
  return status == ERROR_SUCCESS ? 0 : 2;
}

int Limited(int argc, wchar_t** argv) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return Fail("OpenProcessToken");
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size)) {
    return Fail("GetTokenInformation(TokenLinkedToken)");
  }
  std::wstring command_line;
  for (int i = 2; i < argc; ++i) {
    if (i != 2) command_line += L' ';
    command_line += L'"';
    command_line += argv[i];
    command_line += L'"';
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessAsUserW(linked.LinkedToken, nullptr, command_line.data(), nullptr, nullptr,
                            TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return Fail("CreateProcessAsUserW");
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 2;
  GetExitCodeProcess(process.hProcess, &exit_code);
  return static_cast<int>(exit_code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  const auto argument = [&](int index) { return std::wstring(index < argc ? argv[index] : L""); };
  if (verb == L"spooler") return Spooler(argument(2));
  if (verb == L"add-driver") return AddDriver(argument(2), argument(3));
  if (verb == L"printer-exists") return PrinterExists(argument(2));
  if (verb == L"add-printer") return AddPrinterNamed(argument(2), argument(3));
  if (verb == L"delete-printer") return DeletePrinterNamed(argument(2));
  if (verb == L"limited") return Limited(argc, argv);
  if (verb == L"set-dword" || verb == L"set-strings" || verb == L"add-key" ||
      verb == L"delete-key" || verb == L"delete-value") {
    return Registry(verb, argument(2), argument(3), argument(4));
  }
  fprintf(stderr, "printing_control: unknown verb\n");
  return 2;
}
