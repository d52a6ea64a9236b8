#pragma once
// Moving a whole file into a bytes column of a recordset's row, and a column's bytes
// into a file, through the host's binary stream. The bytes are streamed: neither side
// holds a document whole unless the database driver itself does.

#include "hostrecordset.h"
#include "zevaplatform_export.h"

#include <QString>

#include <optional>

namespace zeva {

class HostServices;

// A routine's failure as the callers report it: a number, where it arose, and why.
struct RoutineFailure {
    int number = 0;
    QString source;
    QString description;
};

// The field's value becomes the file's bytes, read when the row is stored. Fails with
// 50001 "文件不存在!" (source "dbfile") when there is no such file, and with the stream's
// reason when it cannot be opened.
ZEVA_PLATFORM_EXPORT std::optional<RoutineFailure> FileToField(HostServices &services, const QString &path,
                                                               HostField field);
// Writes the field's bytes into the file: with `overwrite` replacing it, otherwise only a
// new file. False on any failure, the file then left as it was.
ZEVA_PLATFORM_EXPORT bool FieldToFile(HostServices &services, const QString &path, const HostField &field,
                                      bool overwrite);

} // namespace zeva
