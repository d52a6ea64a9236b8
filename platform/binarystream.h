#pragma once
// The host's binary stream: moves a whole file into a database column's value and back.

#include "zevaplatform_export.h"

#include <QByteArray>
#include <QString>

namespace zeva {

class ZEVA_PLATFORM_EXPORT BinaryStream {
public:
    enum SaveMode { CreateNotExist = 1, CreateOverwrite = 2 };

    virtual ~BinaryStream();
    // Opens the stream empty.
    virtual bool Open() = 0;
    // Replaces the stream's content with the file's bytes; false when it cannot be read.
    virtual bool LoadFromFile(const QString &path) = 0;
    // The whole content from the current position (the start, after a load or save).
    virtual QByteArray Read() = 0;
    virtual bool Write(const QByteArray &bytes) = 0;
    // Writes the content to the file; with CreateNotExist an existing file is a failure
    // and stays as it was.
    virtual bool SaveToFile(const QString &path, SaveMode mode) = 0;
    virtual void Close() = 0;
    // Why the last operation failed; empty after a success.
    virtual QString errorString() const = 0;
};

} // namespace zeva
