// What the printer variant does to the system: adds a local printer of the name
// PDFDriverInit is given, through the printing API, and deletes it again in
// DriverEnd. The driver is CDINTF400_PRINTER_DRIVER, by default the one Windows 10
// and 11 ship, "Microsoft Print To PDF".
#include <windows.h>
#include <winspool.h>

#include "stand_in/platform.h"

namespace {

void RecordResult(const char* event, bool ok) {
  char detail[32] = "ok";
  if (!ok) {
    char code[11];
    FormatHex(GetLastError(), 8, code);
    lstrcpyA(detail, "failed ");
    lstrcatA(detail, code);
  }
  RecordCall(event, detail);
}

bool WideName(const char* name, wchar_t* wide) {
  return MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 256) != 0;
}

}  // namespace

bool AddStandInPrinter(const char* printer_name) {
  wchar_t name[256];
  wchar_t driver[256] = L"Microsoft Print To PDF";
  GetEnvironmentVariableW(L"CDINTF400_PRINTER_DRIVER", driver, 256);
  wchar_t port[] = L"FILE:";
  wchar_t processor[] = L"WinPrint";
  wchar_t data_type[] = L"RAW";
  if (!WideName(printer_name, name)) return false;
  PRINTER_INFO_2W info = {};
  info.pPrinterName = name;
  info.pPortName = port;
  info.pDriverName = driver;
  info.pPrintProcessor = processor;
  info.pDatatype = data_type;
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  const HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  RecordResult("add-printer", added != nullptr);
  if (added == nullptr) return false;
  ClosePrinter(added);
  // Only a printer that is there now counts.
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name, &printer, nullptr)) return false;
  ClosePrinter(printer);
  return true;
}

void DeleteStandInPrinter(const char* printer_name) {
  wchar_t name[256];
  if (!WideName(printer_name, name)) return;
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  bool deleted = OpenPrinterW(name, &printer, &access) != 0;
  if (deleted) {
    deleted = DeletePrinter(printer) != 0;
    ClosePrinter(printer);
  }
  RecordResult("delete-printer", deleted);
}
