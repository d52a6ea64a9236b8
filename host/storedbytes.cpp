#include "storedbytes.h"

#include "sqlhostdatabase.h"

#include <QRegularExpression>
#include <QSqlDriver>

namespace zeva::host {

namespace {

class StoredBytes final : public ByteSource {
public:
    StoredBytes(std::weak_ptr<SqlHostDatabase> db, BytesCell cell, qint64 size)
        : m_db(std::move(db)), m_cell(std::move(cell)), m_size(size) {}

    qint64 size() const override { return m_size; }

    bool read(const Sink &sink, QString *error) const override
    {
        const auto db = m_db.lock();
        if (!db) {
            *error = QStringLiteral("The database connection is closed.");
            return false;
        }
        if (m_size == 0)
            return true;
        return db->backend().readBytes(db->connection(), m_cell, m_size, sink, error);
    }

private:
    std::weak_ptr<SqlHostDatabase> m_db;
    BytesCell m_cell;
    qint64 m_size;
};

} // namespace

std::shared_ptr<const ByteSource> storedBytes(const std::shared_ptr<SqlHostDatabase> &db, BytesCell cell, qint64 size)
{
    return std::make_shared<StoredBytes>(db, std::move(cell), size);
}

QString selectWithByteLengths(const QString &translatedSql, const TableInfo &table, const SqlBackend &backend,
                              const QSqlDriver &driver)
{
    if (!table.exists || table.primaryKey.isEmpty() || table.bytesColumns.isEmpty())
        return {};
    static const QRegularExpression star(QStringLiteral("^\\s*select\\s+(\\*)\\s+from\\s"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = star.match(translatedSql);
    if (!match.hasMatch())
        return {};
    QStringList list;
    for (const QString &column : table.columns) {
        const QString quoted = driver.escapeIdentifier(column, QSqlDriver::FieldName);
        list << (table.bytesColumns.contains(column) ? backend.byteLength(quoted) + QStringLiteral(" AS ") + quoted : quoted);
    }
    QString sql = translatedSql;
    return sql.replace(match.capturedStart(1), 1, list.join(u','));
}

} // namespace zeva::host
