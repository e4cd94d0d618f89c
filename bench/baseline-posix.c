/* The least a program can do to make the tool's loader calls: the benchmark's
 * yardstick. Installs, or with any argument removes; finds the library beside it
 * through its $ORIGIN run path. */
#include <dlfcn.h>

typedef void* (*StartFunction)(char*);
typedef void (*EndFunction)(void*);

int main(int argc, char** argv) {
  static char printer_name[] = "Korvane Internal PDF Converter";
  StartFunction start;
  EndFunction end;
  void* handle;
  int status;
  void* library = dlopen("cdintf400.dll", RTLD_NOW | RTLD_LOCAL);
  (void)argv;
  if (library == 0) return 1;
  *(void**)&start = dlsym(library, "PDFDriverInit");
  handle = start != 0 ? start(printer_name) : 0;
  if (argc < 2) {
    status = handle == 0;
  } else if (handle == 0) {
    status = 0;
  } else {
    *(void**)&end = dlsym(library, "DriverEnd");
    if (end != 0) end(handle);
    status = end == 0;
  }
  dlclose(library);
  return status;
}
