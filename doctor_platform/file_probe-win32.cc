#include <windows.h>

#include "doctor_platform/file_probe.h"

const WideChar kPathSeparator = L'\\';

PathKind ProbePath(const WideChar* path) {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kDirectory : PathKind::kFile;
}

bool IsAbsolutePath(const WideChar* path) {
  const auto separator = [](wchar_t unit) { return unit == L'\\' || unit == L'/'; };
  const bool drive =
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
      path[1] == L':';
  return (drive && separator(path[2])) || (separator(path[0]) && separator(path[1]));
}

bool MapFile(const WideChar* path, FileView* view) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool mapped = false;
  if (GetFileSizeEx(file, &size) && static_cast<ULONGLONG>(size.QuadPart) <= SIZE_MAX) {
    view->size = static_cast<size_t>(size.QuadPart);
    view->bytes = nullptr;
    // Windows cannot map an empty file.
    mapped = view->size == 0;
    if (!mapped) {
      const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
      if (mapping != nullptr) {
        view->bytes =
            static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        mapped = view->bytes != nullptr;
        CloseHandle(mapping);  // the view keeps the mapping
      }
    }
  }
  CloseHandle(file);
  return mapped;
}

void UnmapFile(const FileView& view) {
  if (view.bytes != nullptr) UnmapViewOfFile(view.bytes);
}
