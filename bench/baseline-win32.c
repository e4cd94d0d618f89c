/* The least a program can do to make the tool's loader calls: the benchmark's
 * yardstick. Installs, or with any argument removes. */
#include <windows.h>

typedef void* (*StartFunction)(char*);
typedef void (*EndFunction)(void*);

int wmain(int argc, wchar_t** argv) {
  static char printer_name[] = "Korvane Internal PDF Converter";
  StartFunction start;
  EndFunction end;
  void* handle;
  int status;
  HMODULE library = LoadLibraryW(L"cdintf400.dll");
  (void)argv;
  if (library == 0) return 1;
  start = (StartFunction)(void (*)(void))GetProcAddress(library, "PDFDriverInit");
  handle = start != 0 ? start(printer_name) : 0;
  if (argc < 2) {
    status = handle == 0;
  } else if (handle == 0) {
    status = 0;
  } else {
    end = (EndFunction)(void (*)(void))GetProcAddress(library, "DriverEnd");
    if (end != 0) end(handle);
    status = end == 0;
  }
  FreeLibrary(library);
  return status;
}
