#pragma once
// Temporary files of the session. Containers on their way into or out of the database are
// made by NewTempFileName in the system's temporary folder and deleted by their user; the
// files restored for showing or opening go to a private folder of the session, removed
// when the process ends normally.

#include "zevaplatform_export.h"

#include <QString>

#include <utility>

namespace zeva {

// The full name of a new, empty, uniquely named file in the system temporary folder
// ("<prefix>XXXXXX.tmp"), or "" when none can be made.
ZEVA_PLATFORM_EXPORT QString NewTempFileName(const QString &prefix);
// The system temporary folder with its trailing "/", or "" when it cannot be found.
ZEVA_PLATFORM_EXPORT QString TempFolderPath();
// The session's private folder with its trailing "/" (made on first use, 0700, removed at
// exit), or "" when it cannot be made.
ZEVA_PLATFORM_EXPORT QString SessionFolderPath();

// A NewTempFileName file removed when the owner goes, whatever happened meanwhile.
class ZEVA_PLATFORM_EXPORT ScopedTempFile {
public:
    explicit ScopedTempFile(const QString &prefix) : m_path(NewTempFileName(prefix)) {}
    ScopedTempFile(ScopedTempFile &&other) noexcept : m_path(std::exchange(other.m_path, QString())) {}
    ~ScopedTempFile();
    ScopedTempFile(const ScopedTempFile &) = delete;
    ScopedTempFile &operator=(const ScopedTempFile &) = delete;
    // "" when no file could be made.
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

} // namespace zeva
