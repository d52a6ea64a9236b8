#pragma once
// Level lengths separated by "-" ("2-2-3"); parts that are not a positive number are
// ignored, so a rule without any means one level.

#include "coderule.h"

#include <QList>
#include <QString>

namespace zeva::host {

class LevelCodeRule final : public CodeRule {
public:
    int LevelCount(const QString &code, const QString &rule) override;
    int LevelLength(int level, const QString &rule) override;
    QString ParentCode(const QString &code, const QString &rule) override;

    // The cumulative code lengths of the rule's levels: "2-2-3" gives 2, 4, 7.
    static QList<int> levelEnds(const QString &rule);

private:
    // A tree load asks about every category with the same rule: parse it once.
    const QList<int> &endsOf(const QString &rule);

    QString m_rule;
    QList<int> m_ends;
    bool m_parsed = false;
};

} // namespace zeva::host
