#include "containerwork.h"

#include "zlibcontrol.h"

namespace zeva {

namespace {

class ShownWhileWorking {
public:
    explicit ShownWhileWorking(zLibControl &archive) : m_archive(archive) { m_archive.show(); }
    ~ShownWhileWorking() { m_archive.hide(); }
    ShownWhileWorking(const ShownWhileWorking &) = delete;
    ShownWhileWorking &operator=(const ShownWhileWorking &) = delete;

private:
    zLibControl &m_archive;
};

QString reason(const zLibControl &archive, int code, const QString &what)
{
    if (archive.engine().failed())
        return QString::fromStdString(archive.engine().failure());
    return QStringLiteral("%1 (%2)").arg(what).arg(code);
}

} // namespace

bool packDocument(zLibControl &archive, const QString &file, const QString &container, QString *failure)
{
    const ShownWhileWorking shown(archive);
    archive.Reset();
    if (!archive.AddFile(file)) {
        *failure = reason(archive, 0, QStringLiteral("Cannot read %1").arg(file));
        return false;
    }
    if (const int code = archive.Compress(container, true); code != 0 || archive.engine().failed()) {
        *failure = reason(archive, code, QStringLiteral("Cannot pack %1").arg(file));
        return false;
    }
    return true;
}

bool restoreDocument(zLibControl &archive, const QString &container, const QString &folder, QString *failure)
{
    const ShownWhileWorking shown(archive);
    const int code = archive.Decompress(container, folder, false, true, false, true, false, true);
    if (code != 0 && !archive.engine().failed()) {
        *failure = reason(archive, code, QStringLiteral("Cannot unpack %1").arg(container));
        return false;
    }
    return true;
}

} // namespace zeva
