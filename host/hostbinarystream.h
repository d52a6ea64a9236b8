#pragma once
// The host's binary stream. A loaded file stays on disk until its value is read; saving
// streams the content into the file (through a temporary name when it replaces one, so a
// failed save leaves the old file as it was).

#include "binarystream.h"

namespace zeva::host {

class HostBinaryStream final : public BinaryStream {
public:
    bool Open() override;
    bool LoadFromFile(const QString &path) override;
    HostValue Read() override;
    bool Write(const HostValue &bytes) override;
    bool SaveToFile(const QString &path, SaveMode mode) override;
    void Close() override;
    QString errorString() const override { return m_error; }

private:
    bool requireOpen();
    bool m_open = false;
    std::shared_ptr<const ByteSource> m_content = ByteSource::fromBytes({});
    bool m_atEnd = false;
    QString m_error;
};

} // namespace zeva::host
