#include "doctor_platform/file_version.h"

bool FileVersion(const WideChar*, char*, size_t) { return false; }
