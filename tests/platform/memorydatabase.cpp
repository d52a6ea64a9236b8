#include "memorydatabase.h"

#include <QRegularExpression>

namespace zeva::testing {

namespace {

using Row = HostRecordset::Row;

HostValue literal(const QString &text)
{
    if (text.startsWith(u'\''))
        return HostValue(text.mid(1, text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'")));
    bool isInt = false;
    const qint64 i = text.toLongLong(&isInt);
    return isInt ? HostValue(i) : HostValue(text.toDouble());
}

int compare(const HostValue &a, const HostValue &b)
{
    if (a.kind() == HostValue::Kind::Text || b.kind() == HostValue::Kind::Text)
        return a.toText().compare(b.toText(), Qt::CaseInsensitive);
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
}

struct Condition {
    int column = -1;
    QString op;
    HostValue value;
    bool matches(const Row &row) const
    {
        if (column < 0)
            return true;
        if (row.at(column).isNull())
            return false;
        const int c = compare(row.at(column), value);
        return op == u"=" ? c == 0 : op == u"<" ? c < 0 : c != 0;
    }
};

class MemoryRecordset final : public HostRecordset {
public:
    MemoryRecordset(std::shared_ptr<MemoryDatabase> db, QStringList columns, QList<Row> rows, bool updatable)
        : HostRecordset(std::move(columns), std::move(rows), updatable,
                        [db](const HostError &e) { db->setError(e); }),
          m_db(std::move(db))
    {
    }

protected:
    bool doUpdate(const Row &original, Row &edited, const QList<bool> &) override
    {
        auto &rows = m_db->table().rows;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const bool sameKey = compare(rows[i][0], edited[0]) == 0;
            if (original.isEmpty() && sameKey) {
                reportError(QStringLiteral("UNIQUE constraint failed: %1.%2").arg(m_db->table().name, fieldName(0)));
                return false;
            }
            if (!original.isEmpty() && compare(rows[i][0], original[0]) == 0) {
                rows[i] = edited;
                m_db->clearError();
                return true;
            }
        }
        if (!original.isEmpty()) {
            reportError(QStringLiteral("The row to update no longer exists."));
            return false;
        }
        rows.append(edited);
        m_db->clearError();
        return true;
    }

private:
    std::shared_ptr<MemoryDatabase> m_db;
};

class MemoryStatement final : public HostStatement {
public:
    MemoryStatement(std::shared_ptr<MemoryDatabase> db, const QString &sql)
        : HostStatement(sql), m_db(std::move(db))
    {
    }

protected:
    bool doExecute(qint64 *rowsAffected) override
    {
        static const QRegularExpression update(
            QStringLiteral(R"(^UPDATE (\w+) SET (\w+)=(\w+\+\d+|'[^']*(?:''[^']*)*'|[\d.]+)(?: WHERE (.+))?$)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
        static const QRegularExpression remove(QStringLiteral(R"(^DELETE (\w+)(?: WHERE (.+))?$)"),
                                               QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
        auto &table = m_db->table();
        if (auto m = update.match(sql()); m.hasMatch()) {
            const int target = table.columns.indexOf(m.captured(2));
            Condition where;
            if (!tableIs(m.captured(1)) || target < 0 || !condition(m.captured(4), where))
                return refuse(QStringLiteral("no such table or column"));
            qint64 n = 0;
            for (auto &row : table.rows) {
                if (!where.matches(row))
                    continue;
                const QString expr = m.captured(3);
                if (expr.contains(u'+'))
                    row[target] = HostValue(row[target].toInteger() + expr.section(u'+', 1).toLongLong());
                else
                    row[target] = literal(expr);
                ++n;
            }
            return done(rowsAffected, n);
        }
        if (auto m = remove.match(sql()); m.hasMatch()) {
            Condition where;
            if (!tableIs(m.captured(1)) || !condition(m.captured(2), where))
                return refuse(QStringLiteral("no such table or column"));
            const qsizetype before = table.rows.size();
            table.rows.removeIf([&](const Row &row) { return where.matches(row); });
            return done(rowsAffected, before - table.rows.size());
        }
        return refuse(QStringLiteral("syntax error"));
    }

    HostValue doGetValue() override
    {
        auto rs = doOpenRecordset();
        if (!rs || rs->IsEOF())
            return {};
        return rs->Fields(rs->fieldName(0)).Value();
    }

    std::unique_ptr<HostRecordset> doOpenRecordset() override
    {
        static const QRegularExpression select(
            QStringLiteral(R"(^SELECT (TOP 0 )?(.+?) From (\w+)(?: WHERE (.+?))?(?: ORDER BY (\w+))?$)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
        const auto m = select.match(sql());
        Condition where;
        if (!m.hasMatch() || !tableIs(m.captured(3)) || !condition(m.captured(4), where)) {
            fail(QStringLiteral("syntax error or no such table"));
            return nullptr;
        }
        const auto &table = m_db->table();
        QList<Row> rows;
        for (const auto &row : table.rows) {
            if (where.matches(row))
                rows.append(row);
        }
        if (const int order = table.columns.indexOf(m.captured(5)); order >= 0)
            std::stable_sort(rows.begin(), rows.end(), [order](const Row &a, const Row &b) { return compare(a[order], b[order]) < 0; });
        if (!m.captured(1).isEmpty())
            rows.clear();
        const QString list = m.captured(2).trimmed();
        m_db->clearError();
        if (list.compare(QStringLiteral("Count(*)"), Qt::CaseInsensitive) == 0)
            return std::make_unique<MemoryRecordset>(m_db, QStringList{QStringLiteral("count")},
                                                     QList<Row>{Row{HostValue(qint64(rows.size()))}}, false);
        if (list == u"*")
            return std::make_unique<MemoryRecordset>(m_db, table.columns, rows, true);
        QList<int> picked;
        for (const QString &name : list.split(u',')) {
            const int c = table.columns.indexOf(name.trimmed());
            if (c < 0) {
                fail(QStringLiteral("no such column: %1").arg(name.trimmed()));
                return nullptr;
            }
            picked << c;
        }
        QStringList columns;
        for (int c : picked)
            columns << table.columns[c];
        QList<Row> projected;
        for (const auto &row : rows) {
            Row r;
            for (int c : picked)
                r << row[c];
            projected << r;
        }
        return std::make_unique<MemoryRecordset>(m_db, columns, projected, false);
    }

    void fail(const QString &description) override { m_db->setError(HostError(description)); }

private:
    bool refuse(const QString &description)
    {
        fail(description);
        return false;
    }
    bool done(qint64 *rowsAffected, qint64 n)
    {
        if (rowsAffected)
            *rowsAffected = n;
        m_db->clearError();
        return true;
    }
    bool tableIs(const QString &name) const { return name.compare(m_db->table().name, Qt::CaseInsensitive) == 0; }
    bool condition(const QString &text, Condition &out) const
    {
        if (text.isEmpty())
            return true;
        static const QRegularExpression cond(QStringLiteral(R"(^(\w+)(=|<>|<)('.*'|[\d.]+)$)"),
                                             QRegularExpression::UseUnicodePropertiesOption);
        const auto m = cond.match(text);
        if (!m.hasMatch())
            return false;
        out.column = m_db->table().columns.indexOf(m.captured(1));
        out.op = m.captured(2);
        out.value = literal(m.captured(3));
        return out.column >= 0;
    }

    std::shared_ptr<MemoryDatabase> m_db;
};

} // namespace

MemoryDatabase::MemoryDatabase(Table table)
    : m_table(std::move(table))
{
}

std::unique_ptr<HostStatement> MemoryDatabase::Prepare(const QString &sql, int)
{
    return std::make_unique<MemoryStatement>(shared_from_this(), sql);
}

bool MemoryDatabase::BeginTrans()
{
    if (m_snapshot) {
        m_error = HostError(QStringLiteral("A transaction is already open."));
        return false;
    }
    m_snapshot = m_table;
    clearError();
    return true;
}

bool MemoryDatabase::CommitTrans()
{
    if (!m_snapshot) {
        m_error = HostError(QStringLiteral("cannot commit - no transaction is active"));
        return false;
    }
    m_snapshot.reset();
    clearError();
    return true;
}

bool MemoryDatabase::RollbackTrans()
{
    if (!m_snapshot) {
        m_error = HostError(QStringLiteral("cannot rollback - no transaction is active"));
        return false;
    }
    m_table = *m_snapshot;
    m_snapshot.reset();
    clearError();
    return true;
}

} // namespace zeva::testing
