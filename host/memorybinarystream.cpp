#include "memorybinarystream.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zeva::host {

bool MemoryBinaryStream::requireOpen()
{
    if (m_open)
        return true;
    m_error = QStringLiteral("The stream is not open.");
    return false;
}

bool MemoryBinaryStream::Open()
{
    m_open = true;
    m_bytes.clear();
    m_position = 0;
    m_error.clear();
    return true;
}

bool MemoryBinaryStream::LoadFromFile(const QString &path)
{
    if (!requireOpen())
        return false;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot read %1: %2").arg(path, QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                                                          : file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    m_bytes = std::move(bytes);
    m_position = 0;
    m_error.clear();
    return true;
}

QByteArray MemoryBinaryStream::Read()
{
    if (!requireOpen())
        return {};
    const QByteArray rest = m_position == 0 ? m_bytes : m_bytes.mid(m_position);
    m_position = m_bytes.size();
    m_error.clear();
    return rest;
}

bool MemoryBinaryStream::Write(const QByteArray &bytes)
{
    if (!requireOpen())
        return false;
    m_bytes.truncate(m_position);
    m_bytes.append(bytes);
    m_position = m_bytes.size();
    m_error.clear();
    return true;
}

bool MemoryBinaryStream::SaveToFile(const QString &path, SaveMode mode)
{
    if (!requireOpen())
        return false;
    const QFileInfo info(path);
    if (info.isDir()) {
        m_error = QStringLiteral("Cannot write %1: it is a folder.").arg(path);
        return false;
    }
    if (mode == CreateNotExist && info.exists()) {
        m_error = QStringLiteral("Cannot write %1: the file exists.").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size() || !file.commit()) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    m_position = 0;
    m_error.clear();
    return true;
}

void MemoryBinaryStream::Close()
{
    m_open = false;
    m_bytes.clear();
    m_position = 0;
}

} // namespace zeva::host
