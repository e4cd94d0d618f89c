/* The least a program can do to make the tool's loader calls: the benchmark's
 * yardstick. Installs, or with any argument removes. On the host it finds the
 * library beside it through its $ORIGIN run path; Windows looks there first. */
#ifdef _WIN32
#include <windows.h>
#define ENTRY_POINT int wmain(int argc, wchar_t** argv)
#define LOAD() LoadLibraryW(L"cdintf400.dll")
#define RESOLVE(library, name) ((void (*)(void))GetProcAddress(library, name))
#define RELEASE(library) FreeLibrary(library)
typedef HMODULE Library;
#else
#include <dlfcn.h>
#define ENTRY_POINT int main(int argc, char** argv)
#define LOAD() dlopen("cdintf400.dll", RTLD_NOW | RTLD_LOCAL)
#define RESOLVE(library, name) Resolve(library, name)
#define RELEASE(library) dlclose(library)
typedef void* Library;
static void (*Resolve(void* library, const char* name))(void) {
  void (*entry)(void);
  *(void**)&entry = dlsym(library, name); /* the conversion POSIX sanctions */
  return entry;
}
#endif

typedef void* (*StartFunction)(char*);
typedef void (*EndFunction)(void*);

ENTRY_POINT {
  static char printer_name[] = "Korvane Internal PDF Converter";
  StartFunction start;
  EndFunction end;
  void* handle;
  int status;
  Library library = LOAD();
  (void)argv;
  if (library == 0) return 1;
  start = (StartFunction)RESOLVE(library, "PDFDriverInit");
  handle = start != 0 ? start(printer_name) : 0;
  if (argc < 2) {
    status = handle == 0;
  } else if (handle == 0) {
    status = 0;
  } else {
    end = (EndFunction)RESOLVE(library, "DriverEnd");
    if (end != 0) end(handle);
    status = end == 0;
  }
  RELEASE(library);
  return status;
}
