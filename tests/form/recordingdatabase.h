#pragma once
// A host database that passes everything to another one and keeps the text of every
// statement prepared through it, in the order first seen.

#include "hostdatabase.h"

#include <QStringList>

#include <memory>

namespace zeva::testing {

class RecordingDatabase final : public HostDatabase {
public:
    explicit RecordingDatabase(std::shared_ptr<HostDatabase> inner) : m_inner(std::move(inner)) {}

    std::unique_ptr<HostStatement> Prepare(const QString &sql, int options) override
    {
        if (!m_statements.contains(sql))
            m_statements << sql;
        return m_inner->Prepare(sql, options);
    }
    bool BeginTrans() override { return m_inner->BeginTrans(); }
    bool CommitTrans() override { return m_inner->CommitTrans(); }
    bool RollbackTrans() override { return m_inner->RollbackTrans(); }
    HostError LastError() const override { return m_inner->LastError(); }
    void Release() override { m_inner->Release(); }

    const QStringList &statements() const { return m_statements; }

private:
    std::shared_ptr<HostDatabase> m_inner;
    QStringList m_statements;
};

} // namespace zeva::testing
