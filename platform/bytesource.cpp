#include "bytesource.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zeva {

ByteSource::~ByteSource() = default;

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(QString path, qint64 size) : m_path(std::move(path)), m_size(size) {}

    qint64 size() const override { return m_size; }

    bool read(const Sink &sink, QString *error) const override
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("Cannot read %1: %2").arg(m_path, file.errorString());
            return false;
        }
        QByteArray piece(kPieceSize, Qt::Uninitialized);
        qint64 total = 0;
        for (;;) {
            const qint64 n = file.read(piece.data(), piece.size());
            if (n < 0) {
                *error = QStringLiteral("Cannot read %1: %2").arg(m_path, file.errorString());
                return false;
            }
            if (n == 0)
                break;
            total += n;
            if (total > m_size)
                break;
            if (!sink(QByteArrayView(piece.constData(), n))) {
                error->clear();
                return false;
            }
        }
        if (total != m_size) {
            *error = QStringLiteral("%1 changed while it was read.").arg(m_path);
            return false;
        }
        return true;
    }

private:
    QString m_path;
    qint64 m_size;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    qint64 size() const override { return m_bytes.size(); }

    bool read(const Sink &sink, QString *error) const override
    {
        error->clear();
        for (qsizetype at = 0; at < m_bytes.size(); at += kPieceSize) {
            if (!sink(QByteArrayView(m_bytes).sliced(at, std::min(kPieceSize, m_bytes.size() - at))))
                return false;
        }
        return true;
    }

private:
    QByteArray m_bytes;
};

} // namespace

std::shared_ptr<const ByteSource> ByteSource::fromFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        *error = QStringLiteral("Cannot read %1: it is a folder.").arg(path);
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    return std::make_shared<FileSource>(path, file.size());
}

std::shared_ptr<const ByteSource> ByteSource::fromBytes(QByteArray bytes)
{
    return std::make_shared<MemorySource>(std::move(bytes));
}

bool readAll(const ByteSource &source, QByteArray *bytes, QString *error)
{
    QByteArray all;
    all.reserve(qsizetype(std::max<qint64>(0, source.size())));
    if (!source.read([&](QByteArrayView piece) { all.append(piece); return true; }, error))
        return false;
    *bytes = std::move(all);
    return true;
}

bool writeFile(const ByteSource &source, const QString &path, bool overwrite, QString *error)
{
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("Cannot write %1: it is a folder.").arg(path);
        return false;
    }
    const auto copy = [&](QFileDevice &file) {
        return source.read([&](QByteArrayView piece) { return file.write(piece.data(), piece.size()) == piece.size(); },
                           error);
    };
    if (overwrite) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
            return false;
        }
        if (!copy(file) || !file.commit()) {
            if (error->isEmpty())
                *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
            file.cancelWriting();
            return false;
        }
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QFileInfo::exists(path) ? QStringLiteral("Cannot write %1: the file exists.").arg(path)
                                         : QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!copy(file) || !file.flush()) {
        if (error->isEmpty())
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        file.close();
        file.remove();
        return false;
    }
    return true;
}

} // namespace zeva
