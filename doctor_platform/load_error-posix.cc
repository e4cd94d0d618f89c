#include <dlfcn.h>
#include <string.h>

#include "doctor_platform/load_error.h"

LoadError TakeLoadError() {
  LoadError error = {false, 0, ""};
  const char* text = dlerror();
  if (text == nullptr) text = "the path cannot be named on this system";
  strncpy(error.text, text, sizeof error.text - 1);
  return error;
}
