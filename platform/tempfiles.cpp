#include "tempfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace zeva {

QString NewTempFileName(const QString &prefix)
{
    const QString folder = TempFolderPath();
    if (folder.isEmpty())
        return {};
    // A prefix is a name part, never a way into another folder.
    QString safePrefix = prefix;
    safePrefix.replace(u'/', u'_').replace(u'\\', u'_');
    QTemporaryFile file(folder + safePrefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return file.fileName();
}

ScopedTempFile::~ScopedTempFile()
{
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

QString TempFolderPath()
{
    const QString path = QDir::tempPath();
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return {};
    return path.endsWith(u'/') ? path : path + u'/';
}

QString SessionFolderPath()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/zeva-session-XXXXXX"));
    if (!folder.isValid())
        return {};
    return folder.path() + u'/';
}

} // namespace zeva
