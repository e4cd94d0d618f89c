#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "doctor_platform/file_probe.h"
#include "platform/native_path-posix.h"

const WideChar kPathSeparator = '/';

PathKind ProbePath(const WideChar* path) {
  char native[kNativePathCapacity];
  struct stat status;
  if (!NativePath(path, native, sizeof native) || stat(native, &status) != 0) {
    return PathKind::kMissing;
  }
  return S_ISDIR(status.st_mode) ? PathKind::kDirectory : PathKind::kFile;
}

// Backslashes count too: the host reads them as separators.
bool IsAbsolutePath(const WideChar* path) { return path[0] == '/' || path[0] == '\\'; }

bool MapFile(const WideChar* path, FileView* view) {
  char native[kNativePathCapacity];
  if (!NativePath(path, native, sizeof native)) return false;
  const int file = open(native, O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  struct stat status;
  bool mapped = false;
  if (fstat(file, &status) == 0 && S_ISREG(status.st_mode)) {
    view->size = static_cast<size_t>(status.st_size);
    view->bytes = nullptr;
    mapped = view->size == 0;
    if (!mapped) {
      void* bytes = mmap(nullptr, view->size, PROT_READ, MAP_PRIVATE, file, 0);
      mapped = bytes != MAP_FAILED;
      if (mapped) view->bytes = static_cast<const unsigned char*>(bytes);
    }
  }
  close(file);
  return mapped;
}

void UnmapFile(const FileView& view) {
  if (view.bytes != nullptr) munmap(const_cast<unsigned char*>(view.bytes), view.size);
}
