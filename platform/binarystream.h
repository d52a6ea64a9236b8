#pragma once
// The host's binary stream: moves a whole file into a database column's value and back.
// The content is a bytes value that need not be in memory (see ByteSource): a loaded
// file is read when the value is stored, a column's value when it is saved to a file.

#include "hostvalue.h"
#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

class ZEVA_PLATFORM_EXPORT BinaryStream {
public:
    enum SaveMode { CreateNotExist = 1, CreateOverwrite = 2 };

    virtual ~BinaryStream();
    // Opens the stream empty.
    virtual bool Open() = 0;
    // The stream's content becomes the file's bytes; false when it cannot be opened.
    virtual bool LoadFromFile(const QString &path) = 0;
    // The content from the current position (the start, after a load or write), as a
    // bytes value; the position moves to the end.
    virtual HostValue Read() = 0;
    // Writes a value's bytes at the position.
    virtual bool Write(const HostValue &bytes) = 0;
    // Writes the content to the file; with CreateNotExist an existing file is a failure
    // and stays as it was.
    virtual bool SaveToFile(const QString &path, SaveMode mode) = 0;
    virtual void Close() = 0;
    // Why the last operation failed; empty after a success.
    virtual QString errorString() const = 0;
};

} // namespace zeva
