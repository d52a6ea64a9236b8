#include "postgresbackend.h"

#include "connectionstring.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace zeva::host {

PostgresBackend::PostgresBackend(QString connectionString) : m_connectionString(std::move(connectionString))
{
}

QString PostgresBackend::description() const
{
    return QStringLiteral("PostgreSQL ") + hideSecrets(m_connectionString);
}

bool PostgresBackend::open(const QString &connectionName, QString *error)
{
    QString parseError;
    QHash<QString, QString> pairs = parseConnectionString(m_connectionString, &parseError);
    if (!parseError.isEmpty()) {
        *error = parseError;
        return false;
    }
    const QString shown = hideSecrets(m_connectionString);
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    connection.setHostName(pairs.take(QStringLiteral("host")));
    connection.setDatabaseName(pairs.take(QStringLiteral("dbname")));
    connection.setUserName(pairs.take(QStringLiteral("user")));
    connection.setPassword(pairs.take(QStringLiteral("password")));
    const QString port = pairs.take(QStringLiteral("port"));
    if (!port.isEmpty())
        connection.setPort(port.toInt());
    QStringList options;
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
        options << it.key() + u'=' + it.value();
    connection.setConnectOptions(options.join(u';'));
    return connect(connection, error);
}

bool PostgresBackend::connect(QSqlDatabase &connection, QString *error) const
{
    const QString shown = hideSecrets(m_connectionString);
    if (!connection.open()) {
        *error = QStringLiteral("Cannot connect to %1: %2").arg(shown, connection.lastError().text());
        return false;
    }
    QSqlQuery q(connection);
    // Texts are quoted by doubling their quotes alone: a backslash must stay an ordinary
    // character, whatever the database or role sets.
    for (const char *setting : {"SET client_min_messages TO warning", "SET standard_conforming_strings TO on"}) {
        if (!q.exec(QString::fromLatin1(setting))) {
            *error = QStringLiteral("Cannot use %1: %2").arg(shown, q.lastError().text());
            return false;
        }
    }
    return true;
}

bool PostgresBackend::connectionLost(const QSqlDatabase &db, const QSqlError &error) const
{
    if (error.type() == QSqlError::ConnectionError || !db.isOpen())
        return true;
    QSqlQuery probe(db);
    return !probe.exec(QStringLiteral("SELECT 1"));
}

bool PostgresBackend::reconnect(const QString &connectionName, QString *error)
{
    QSqlDatabase connection = QSqlDatabase::database(connectionName, false);
    connection.close();
    return connect(connection, error);
}

TableInfo PostgresBackend::describeTable(const QSqlDatabase &db, const QString &name) const
{
    TableInfo info;
    // An unquoted name folds to lower case, as in the statements.
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT c.relname, c.relkind IN ('r', 'p') FROM pg_class c WHERE c.oid = to_regclass(?)"));
    q.addBindValue(name.toLower());
    if (!q.exec() || !q.next())
        return info;
    if (!q.value(1).toBool()) {
        info.otherRelation = true;
        return info;
    }
    info.exists = true;
    info.name = q.value(0).toString();
    q.prepare(QStringLiteral("SELECT a.attname, a.attnum IN (SELECT unnest(i.indkey) FROM pg_index i "
                             "WHERE i.indrelid = a.attrelid AND i.indisprimary AND i.indnatts = 1), "
                             "a.atttypid = 'bytea'::regtype "
                             "FROM pg_attribute a WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 "
                             "AND NOT a.attisdropped ORDER BY a.attnum"));
    q.addBindValue(name.toLower());
    if (q.exec()) {
        while (q.next()) {
            info.columns << q.value(0).toString();
            if (q.value(1).toBool())
                info.primaryKey = q.value(0).toString();
            if (q.value(2).toBool())
                info.bytesColumns << q.value(0).toString();
        }
    }
    return info;
}

} // namespace zeva::host

namespace zeva::host {

bool PostgresBackend::readBytes(const QSqlDatabase &db, const BytesCell &cell, qint64 size, const ByteSource::Sink &sink,
                                QString *error) const
{
    constexpr qint64 kPiece = 4 << 20;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QSqlDriver *driver = db.driver();
    if (!q.prepare(QStringLiteral("SELECT substring(%1 FROM ? FOR ?) FROM %2 WHERE %3 = ?")
                       .arg(driver->escapeIdentifier(cell.column, QSqlDriver::FieldName),
                            driver->escapeIdentifier(cell.table, QSqlDriver::TableName),
                            driver->escapeIdentifier(cell.keyColumn, QSqlDriver::FieldName)))) {
        *error = q.lastError().text();
        return false;
    }
    for (qint64 at = 0; at < size; at += kPiece) {
        q.bindValue(0, at + 1);
        q.bindValue(1, std::min(kPiece, size - at));
        q.bindValue(2, cell.key);
        if (!q.exec() || !q.next()) {
            *error = q.lastError().isValid() ? q.lastError().text() : QStringLiteral("the row is gone");
            return false;
        }
        const QByteArray piece = q.value(0).toByteArray();
        q.finish();
        if (piece.size() != std::min(kPiece, size - at)) {
            *error = QStringLiteral("the stored value changed while it was read");
            return false;
        }
        if (!sink(piece)) {
            error->clear();
            return false;
        }
    }
    return true;
}

} // namespace zeva::host
