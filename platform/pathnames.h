#pragma once
// Path splitting and tests as the documents store them: stored names are Windows paths
// ("\Temp\a.dwg"), files on disk are Linux paths, and both separators split.

#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

// The path before its last separator, without it; the whole path when it has none.
ZEVA_PLATFORM_EXPORT QString FolderOf(const QString &path);
// The part after the last separator; the whole path when it has none.
ZEVA_PLATFORM_EXPORT QString FileNameOf(const QString &path);
// The text before its first NUL character.
ZEVA_PLATFORM_EXPORT QString TrimAtNul(const QString &text);

enum : int { kFolderAttribute = 16 };
// Whether a file (attribute 0) or a folder (kFolderAttribute) of that name exists; an
// empty name and every failure give false.
ZEVA_PLATFORM_EXPORT bool FileExists(const QString &name, int attribute = 0);

} // namespace zeva
