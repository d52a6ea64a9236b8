#pragma once
// Bytes that need not be held at once: a file on disk, or a bytes column of a stored row
// that the host reads on demand. A document moves from a file into a column and back
// piece by piece, so its size never becomes the process's memory.

#include "zevaplatform_export.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

namespace zeva {

class ZEVA_PLATFORM_EXPORT ByteSource {
public:
    // Answers false to stop the read early.
    using Sink = std::function<bool(QByteArrayView piece)>;
    static constexpr qsizetype kPieceSize = qsizetype(1) << 20;

    virtual ~ByteSource();

    // The length in bytes, known without reading them.
    virtual qint64 size() const = 0;
    // Hands every byte to `sink` in order, in pieces of at most kPieceSize. False when the
    // bytes cannot be read (the reason in `error`) or the sink stopped (error left empty).
    virtual bool read(const Sink &sink, QString *error) const = 0;

    // A file's bytes, read when they are needed. Null (with the reason) when the file
    // cannot be opened; a read fails when the file's length changed meanwhile.
    static std::shared_ptr<const ByteSource> fromFile(const QString &path, QString *error);
    static std::shared_ptr<const ByteSource> fromBytes(QByteArray bytes);
};

// The whole content at once, for the few readers that need it so (a picture decoder, a
// driver that binds whole values).
ZEVA_PLATFORM_EXPORT bool readAll(const ByteSource &source, QByteArray *bytes, QString *error);

// Writes the bytes to `path`. With `overwrite` an existing file is replaced only once the
// new content is complete; without it an existing file is a failure and stays as it was.
// A failure leaves no partial file behind.
ZEVA_PLATFORM_EXPORT bool writeFile(const ByteSource &source, const QString &path, bool overwrite, QString *error);

} // namespace zeva
