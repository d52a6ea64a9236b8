#include "connectionstring.h"

#include <QRegularExpression>

namespace zeva::host {

QHash<QString, QString> parseConnectionString(const QString &text, QString *error)
{
    QHash<QString, QString> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0) {
            *error = QStringLiteral("The connection string has a word without \"=\": %1").arg(text.mid(i));
            return {};
        }
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && text.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            while (i < n && text.at(i) != u'\'') {
                if (text.at(i) == u'\\' && i + 1 < n)
                    ++i;
                value += text.at(i++);
            }
            if (i >= n) {
                *error = QStringLiteral("The connection string has an unterminated quote.");
                return {};
            }
            ++i;
        } else {
            while (i < n && !text.at(i).isSpace())
                value += text.at(i++);
        }
        pairs.insert(key, value);
    }
    return pairs;
}

QString hideSecrets(const QString &text)
{
    static const QRegularExpression secret(QStringLiteral("\\b(password|passfile)\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'|\\S*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString shown = text;
    shown.replace(secret, QStringLiteral("\\1=***"));
    return shown;
}

} // namespace zeva::host
