#include "hoststatement.h"

namespace zeva {

namespace {
const QString kEmptyStatement = QStringLiteral("The SQL statement is empty.");
}

HostStatement::~HostStatement() = default;

bool HostStatement::Execute(qint64 *rowsAffected)
{
    if (rowsAffected)
        *rowsAffected = 0;
    if (m_sql.trimmed().isEmpty()) {
        fail(kEmptyStatement);
        return false;
    }
    return doExecute(rowsAffected);
}

HostValue HostStatement::GetValue()
{
    if (m_sql.trimmed().isEmpty()) {
        fail(kEmptyStatement);
        return {};
    }
    return doGetValue();
}

std::unique_ptr<HostRecordset> HostStatement::OpenRecordset()
{
    if (m_sql.trimmed().isEmpty()) {
        fail(kEmptyStatement);
        return StaticRecordset::empty();
    }
    auto result = doOpenRecordset();
    return result ? std::move(result) : StaticRecordset::empty();
}

} // namespace zeva
