#include "levelcoderule.h"

#include "values.h"

namespace zeva::host {

QList<int> LevelCodeRule::levelEnds(const QString &rule)
{
    QList<int> ends;
    int total = 0;
    for (const QString &part : rule.split(u'-')) {
        const qint64 length = leadingInteger(part);
        if (length <= 0 || length > 1000)
            continue;
        total += int(length);
        ends.append(total);
    }
    return ends;
}

const QList<int> &LevelCodeRule::endsOf(const QString &rule)
{
    if (!m_parsed || rule != m_rule) {
        m_rule = rule;
        m_ends = levelEnds(rule);
        m_parsed = true;
    }
    return m_ends;
}

int LevelCodeRule::LevelCount(const QString &code, const QString &rule)
{
    const int length = int(code.size());
    if (length == 0)
        return 0;
    const QList<int> &ends = endsOf(rule);
    int count = 0;
    int start = 0;
    for (int end : ends) {
        if (length <= start)
            break;
        ++count;
        start = end;
    }
    // Longer than the rule: one more level, ending at the code's full length.
    if (length > start)
        ++count;
    return count;
}

int LevelCodeRule::LevelLength(int level, const QString &rule)
{
    const QList<int> &ends = endsOf(rule);
    return level >= 1 && level <= ends.size() ? ends.at(level - 1) : 0;
}

QString LevelCodeRule::ParentCode(const QString &code, const QString &rule)
{
    const int count = LevelCount(code, rule);
    if (count <= 1)
        return {};
    const QList<int> &ends = endsOf(rule);
    return code.left(ends.at(count - 2));
}

} // namespace zeva::host
