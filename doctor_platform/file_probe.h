// Looking at files and folders without changing anything.
#pragma once

#include <stddef.h>

#include "platform/wide_string.h"

// The separator this platform writes between a folder and a name.
extern const WideChar kPathSeparator;

enum class PathKind { kMissing, kFile, kDirectory };
PathKind ProbePath(const WideChar* path);

// Whether |path| names the same place from any current folder: on Windows a drive
// and a root ("C:\") or a UNC path; on the host a leading separator.
bool IsAbsolutePath(const WideChar* path);

// A file's bytes, mapped read-only.
struct FileView {
  const unsigned char* bytes;  // null for an empty file
  size_t size;
};
bool MapFile(const WideChar* path, FileView* view);
void UnmapFile(const FileView& view);
