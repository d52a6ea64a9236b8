#include "batchsyntax.h"

#include "fieldescape.h"

#include <QIODevice>

namespace zeva::host {

bool readScriptLine(QIODevice &in, QString &line)
{
    QByteArray bytes = in.readLine();
    if (bytes.isEmpty())
        return false;
    if (bytes.endsWith('\n')) {
        bytes.chop(1);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
    }
    line = QString::fromUtf8(bytes);
    return true;
}

bool splitArguments(const QString &text, ArgumentShape shape, QStringList &arguments, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    arguments.clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (int w = 0; w < shape.words; ++w) {
        while (i < n && text[i] == u' ')
            ++i;
        if (i >= n)
            return fail(QStringLiteral("too few arguments"));
        QString word;
        if (text[i] == u'"') {
            // Escapes other than \" are left to unescapeField, kept as pairs so that "\\"
            // before the closing quote stays a backslash.
            bool closed = false;
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (text[i] == u'\\' && i + 1 < n) {
                    if (text[i + 1] == u'"') {
                        word += u'"';
                    } else {
                        word += text[i];
                        word += text[i + 1];
                    }
                    ++i;
                    continue;
                }
                word += text[i];
            }
            if (!closed)
                return fail(QStringLiteral("a quote is not closed"));
            if (i < n && text[i] != u' ')
                return fail(QStringLiteral("a closing quote must end its argument"));
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u' ')
                ++i;
            word = text.mid(start, i - start);
        }
        arguments << unescapeField(word);
    }
    if (shape.freeText) {
        // The one blank that ends the last word (or the command's name) is the separator.
        if (shape.words > 0 && i < n)
            ++i;
        arguments << unescapeField(text.mid(i));
        return true;
    }
    while (i < n && text[i] == u' ')
        ++i;
    if (i < n)
        return fail(QStringLiteral("too many arguments"));
    return true;
}

} // namespace zeva::host
