#include "fieldescape.h"

namespace zeva::host {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QString escapeField(const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            escaped += QLatin1String("\\\\");
        else if (u == u'\t')
            escaped += QLatin1String("\\t");
        else if (u == u'\n')
            escaped += QLatin1String("\\n");
        else if (u == u'\r')
            escaped += QLatin1String("\\r");
        else if (isControl(u))
            escaped += QLatin1String("\\x") + QLatin1Char(hex[u >> 4]) + QLatin1Char(hex[u & 0xf]);
        else
            escaped += c;
    }
    return escaped;
}

QString unescapeField(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'\\' || i + 1 == n) {
            plain += text[i];
            continue;
        }
        const QChar next = text[i + 1];
        if (next == u'\\') {
            plain += u'\\';
        } else if (next == u't') {
            plain += u'\t';
        } else if (next == u'n') {
            plain += u'\n';
        } else if (next == u'r') {
            plain += u'\r';
        } else if (next == u'x' && i + 3 < n && hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0
                   && isControl(char16_t(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3])))) {
            plain += QChar(char16_t(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3])));
            i += 2;
        } else {
            plain += u'\\';   // not an escape: the backslash is text, the next character is read anew
            continue;
        }
        ++i;
    }
    return plain;
}

} // namespace zeva::host
