#include "hostbinarystream.h"

namespace zeva::host {

bool HostBinaryStream::requireOpen()
{
    if (m_open)
        return true;
    m_error = QStringLiteral("The stream is not open.");
    return false;
}

bool HostBinaryStream::Open()
{
    m_open = true;
    m_content = ByteSource::fromBytes({});
    m_atEnd = false;
    m_error.clear();
    return true;
}

bool HostBinaryStream::LoadFromFile(const QString &path)
{
    if (!requireOpen())
        return false;
    QString error;
    auto file = ByteSource::fromFile(path, &error);
    if (!file) {
        m_error = error;
        return false;
    }
    m_content = std::move(file);
    m_atEnd = false;
    m_error.clear();
    return true;
}

HostValue HostBinaryStream::Read()
{
    if (!requireOpen())
        return {};
    m_error.clear();
    if (m_atEnd)
        return HostValue(QByteArray(""));
    m_atEnd = true;
    return HostValue(m_content);
}

bool HostBinaryStream::Write(const HostValue &bytes)
{
    if (!requireOpen())
        return false;
    auto source = bytes.byteSource();
    if (!source)
        source = ByteSource::fromBytes(bytes.toBytes());
    if (m_atEnd && m_content->size() > 0) {
        // Appending is rare (the transfer writes one value into a fresh stream): join in memory.
        QByteArray joined;
        QString error;
        if (!readAll(*m_content, &joined, &error)) {
            m_error = error;
            return false;
        }
        joined.append(bytes.toBytes());
        source = ByteSource::fromBytes(std::move(joined));
    }
    m_content = std::move(source);
    m_atEnd = true;
    m_error.clear();
    return true;
}

bool HostBinaryStream::SaveToFile(const QString &path, SaveMode mode)
{
    if (!requireOpen())
        return false;
    QString error;
    if (!writeFile(*m_content, path, mode == CreateOverwrite, &error)) {
        m_error = error;
        return false;
    }
    m_atEnd = false;
    m_error.clear();
    return true;
}

void HostBinaryStream::Close()
{
    m_open = false;
    m_content = ByteSource::fromBytes({});
    m_atEnd = false;
}

} // namespace zeva::host
