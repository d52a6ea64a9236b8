#include "sqlitebackend.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlField>
#include <QSqlRecord>

#include <algorithm>

namespace zeva::host {

SqliteBackend::SqliteBackend(QString path) : m_path(std::move(path))
{
}

QString SqliteBackend::description() const
{
    return QStringLiteral("SQLite ") + QFileInfo(m_path).absoluteFilePath();
}

bool SqliteBackend::open(const QString &connectionName, QString *error)
{
    const QFileInfo info(m_path);
    if (m_path.isEmpty() || info.isDir()) {
        *error = QStringLiteral("Cannot open the database %1: not a file name.").arg(m_path);
        return false;
    }
    if (!info.absoluteDir().exists()) {
        *error = QStringLiteral("Cannot open the database %1: its folder does not exist.").arg(m_path);
        return false;
    }
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    connection.setDatabaseName(info.absoluteFilePath());
    // Several processes may share the file: wait for another writer rather than fail.
    connection.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    if (!connection.open()) {
        *error = QStringLiteral("Cannot open the database %1: %2").arg(m_path, connection.lastError().text());
        return false;
    }
    QSqlQuery q(connection);
    // A file that is not a database opens without complaint; the first read tells.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))
        || !q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"))) {
        *error = QStringLiteral("Cannot open the database %1: %2").arg(m_path, q.lastError().text());
        return false;
    }
    return true;
}

TableInfo SqliteBackend::describeTable(const QSqlDatabase &db, const QString &name) const
{
    TableInfo info;
    for (const QString &table : db.tables(QSql::Tables)) {
        if (table.compare(name, Qt::CaseInsensitive) == 0) {
            info.exists = true;
            info.name = table;
            break;
        }
    }
    if (!info.exists) {
        const QStringList views = db.tables(QSql::Views);
        info.otherRelation = std::any_of(views.begin(), views.end(),
                                         [&](const QString &view) { return view.compare(name, Qt::CaseInsensitive) == 0; });
        return info;
    }
    const QSqlIndex primary = db.primaryIndex(info.name);
    if (primary.count() == 1)
        info.primaryKey = primary.fieldName(0);
    const QSqlRecord record = db.record(info.name);
    for (int i = 0; i < record.count(); ++i) {
        info.columns << record.fieldName(i);
        if (record.field(i).metaType().id() == QMetaType::QByteArray)
            info.bytesColumns << record.fieldName(i);
    }
    return info;
}

} // namespace zeva::host
