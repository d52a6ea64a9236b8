#include "namedcommandlineargs.h"

namespace zeva::host {

bool NamedCommandLineArgs::Parse(const QString &commandLine)
{
    const QString &s = commandLine;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && s.at(i).isSpace())
            ++i;
        if (i >= n)
            return true;
        qsizetype end = i;
        while (end < n && s.at(end) != u'=' && !s.at(end).isSpace())
            ++end;
        if (end >= n || s.at(end) != u'=' || end == i)
            return false;
        const QString name = s.mid(i, end - i).toLower();
        i = end + 1;
        QString value;
        if (i < n && s.at(i) == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (s.at(i) == u'"') {
                    if (i + 1 < n && s.at(i + 1) == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += s.at(i++);
            }
            if (!closed || (i < n && !s.at(i).isSpace()))
                return false;
        } else {
            while (i < n && !s.at(i).isSpace())
                value += s.at(i++);
        }
        m_items.insert(name, value);
    }
}

bool NamedCommandLineArgs::Item(const QString &name, QString &text) const
{
    auto it = m_items.constFind(name.toLower());
    if (it == m_items.cend())
        return false;
    text = *it;
    return true;
}

} // namespace zeva::host
