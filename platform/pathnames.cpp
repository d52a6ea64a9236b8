#include "pathnames.h"

#include <QFileInfo>

namespace zeva {

namespace {
qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}
} // namespace

QString FolderOf(const QString &path)
{
    const qsizetype at = lastSeparator(path);
    return at < 0 ? path : path.left(at);
}

QString FileNameOf(const QString &path)
{
    const qsizetype at = lastSeparator(path);
    return at < 0 ? path : path.mid(at + 1);
}

QString TrimAtNul(const QString &text)
{
    const qsizetype at = text.indexOf(QChar(0));
    return at < 0 ? text : text.left(at);
}

bool FileExists(const QString &name, int attribute)
{
    if (name.isEmpty() || name.contains(QChar(0)))
        return false;
    const QFileInfo info(name);
    return attribute & kFolderAttribute ? info.isDir() : info.isFile();
}

} // namespace zeva
