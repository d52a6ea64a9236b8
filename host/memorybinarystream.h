#pragma once
// Holds the content in memory; files are written through a temporary file and renamed,
// so a failed save leaves the old file as it was.

#include "binarystream.h"

#include <QByteArray>
#include <QString>

namespace zeva::host {

class MemoryBinaryStream final : public BinaryStream {
public:
    bool Open() override;
    bool LoadFromFile(const QString &path) override;
    QByteArray Read() override;
    bool Write(const QByteArray &bytes) override;
    bool SaveToFile(const QString &path, SaveMode mode) override;
    void Close() override;
    QString errorString() const override { return m_error; }

private:
    bool requireOpen();
    bool m_open = false;
    QByteArray m_bytes;
    qsizetype m_position = 0;
    QString m_error;
};

} // namespace zeva::host
