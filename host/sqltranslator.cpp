#include "sqltranslator.h"

#include <QList>

#include <algorithm>
#include <iterator>

namespace zeva::host {

namespace {

enum class Kind { Space, Comment, Word, Number, String, QuotedName, Open, Close, Comma, Semicolon, Other };

struct Token {
    Kind kind;
    QString text;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// Reads up to the closing `quote`; a doubled quote stays inside. Unterminated: to the end.
qsizetype quotedEnd(const QString &s, qsizetype from, QChar quote)
{
    qsizetype i = from + 1;
    while (i < s.size()) {
        if (s.at(i) == quote) {
            // Doubled, the quote stands for itself: '' in texts, "" and ]] in names.
            if (i + 1 < s.size() && s.at(i + 1) == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return s.size();
}

QList<Token> tokenize(const QString &s)
{
    QList<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        qsizetype end = i + 1;
        Kind kind = Kind::Other;
        if (c.isSpace()) {
            while (end < n && s.at(end).isSpace())
                ++end;
            kind = Kind::Space;
        } else if (c == u'-' && i + 1 < n && s.at(i + 1) == u'-') {
            end = s.indexOf(u'\n', i);
            end = end < 0 ? n : end;
            kind = Kind::Comment;
        } else if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*') {
            // Block comments nest in the form's dialect (and in PostgreSQL's).
            int depth = 1;
            end = i + 2;
            while (end < n && depth > 0) {
                if (s.at(end) == u'/' && end + 1 < n && s.at(end + 1) == u'*') {
                    ++depth;
                    end += 2;
                } else if (s.at(end) == u'*' && end + 1 < n && s.at(end + 1) == u'/') {
                    --depth;
                    end += 2;
                } else {
                    ++end;
                }
            }
            kind = Kind::Comment;
        } else if (c == u'\'') {
            end = quotedEnd(s, i, u'\'');
            kind = Kind::String;
        } else if ((c == u'N' || c == u'n') && i + 1 < n && s.at(i + 1) == u'\''
                   && (i == 0 || !isWordChar(s.at(i - 1)))) {
            end = quotedEnd(s, i + 1, u'\'');
            kind = Kind::String;
        } else if (c == u'"') {
            end = quotedEnd(s, i, u'"');
            kind = Kind::QuotedName;
        } else if (c == u'[') {
            end = quotedEnd(s, i, u']');
            kind = Kind::QuotedName;
        } else if (c == u'`') {
            // SQLite's own quoted names; passed on as written.
            end = quotedEnd(s, i, u'`');
            kind = Kind::QuotedName;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s.at(i + 1).isDigit())) {
            while (end < n && (s.at(end).isLetterOrNumber() || s.at(end) == u'.'))
                ++end;
            kind = Kind::Number;
        } else if (isWordChar(c)) {
            while (end < n && isWordChar(s.at(end)))
                ++end;
            kind = Kind::Word;
        } else if (c == u'(') {
            kind = Kind::Open;
        } else if (c == u')') {
            kind = Kind::Close;
        } else if (c == u',') {
            kind = Kind::Comma;
        } else if (c == u';') {
            kind = Kind::Semicolon;
        }
        tokens.append({kind, s.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

bool significant(const Token &t)
{
    return t.kind != Kind::Space && t.kind != Kind::Comment;
}

bool isWord(const Token &t, QStringView word)
{
    return t.kind == Kind::Word && t.text.compare(word, Qt::CaseInsensitive) == 0;
}

// The index of the next significant token after `i`, or tokens.size().
qsizetype nextSignificant(const QList<Token> &tokens, qsizetype i)
{
    for (++i; i < tokens.size(); ++i) {
        if (significant(tokens.at(i)))
            return i;
    }
    return tokens.size();
}

// The index of the significant token before `i`, or -1.
qsizetype previousSignificant(const QList<Token> &tokens, qsizetype i)
{
    for (--i; i >= 0; --i) {
        if (significant(tokens.at(i)))
            return i;
    }
    return -1;
}

// Words after which a LIKE's left side cannot be a column's name.
bool isKeyword(const Token &t)
{
    static const QStringList words = {QStringLiteral("select"), QStringLiteral("where"), QStringLiteral("and"),
                                      QStringLiteral("or"), QStringLiteral("on"), QStringLiteral("when"),
                                      QStringLiteral("then"), QStringLiteral("else"), QStringLiteral("not"),
                                      QStringLiteral("null")};
    return words.contains(t.text.toLower());
}

// Words that end a LIKE pattern's expression at its own nesting depth.
bool endsExpression(const Token &t)
{
    static const QStringList words = {
        QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("escape"), QStringLiteral("order"),
        QStringLiteral("group"), QStringLiteral("having"), QStringLiteral("union"), QStringLiteral("then"),
        QStringLiteral("when"), QStringLiteral("else"), QStringLiteral("end"), QStringLiteral("limit"),
        QStringLiteral("where"), QStringLiteral("from"), QStringLiteral("is"), QStringLiteral("not"),
        QStringLiteral("in"), QStringLiteral("like"), QStringLiteral("between"),
    };
    if (t.kind == Kind::Comma || t.kind == Kind::Semicolon || t.kind == Kind::Close)
        return true;
    return t.kind == Kind::Word && words.contains(t.text.toLower());
}

// A block comment whose comments nest, for a back end (SQLite) that ends a comment at the
// first "*/": the inner markers are broken apart, so the comment ends where it ends here.
QString flatComment(const QString &comment)
{
    if (!comment.startsWith(QLatin1String("/*")))
        return comment;
    const bool closed = comment.size() >= 4 && comment.endsWith(QLatin1String("*/"));
    QString inner = comment.mid(2, comment.size() - (closed ? 4 : 2));
    if (!inner.contains(QLatin1String("/*")) && !inner.contains(QLatin1String("*/")))
        return comment;
    while (inner.contains(QLatin1String("/*")) || inner.contains(QLatin1String("*/")))
        inner.replace(QLatin1String("/*"), QLatin1String("/ *")).replace(QLatin1String("*/"), QLatin1String("* /"));
    // A "/" last would make a new "/*" with the closing marker.
    if (inner.endsWith(u'/'))
        inner += u' ';
    return QStringLiteral("/*") + inner + (closed ? QStringLiteral("*/") : QString());
}

QString unquoteBrackets(const QString &name)
{
    QString inner = name.mid(1, name.size() - (name.endsWith(u']') ? 2 : 1));
    inner.replace(QStringLiteral("]]"), QStringLiteral("]"));
    QString folded;
    folded.reserve(inner.size());
    for (QChar c : inner)
        folded.append(c.unicode() < 128 ? c.toLower() : c);
    folded.replace(u'"', QStringLiteral("\"\""));
    return u'"' + folded + u'"';
}

} // namespace

QString translateSql(const QString &sql, SqlDialect dialect)
{
    // Most statements need nothing: spare them the tokenizing.
    static const QString triggers[] = {QStringLiteral("top"), QStringLiteral("delete"), QStringLiteral("like"),
                                       QStringLiteral("n'"), QStringLiteral("["), QStringLiteral("isnull"),
                                       QStringLiteral("len"), QStringLiteral("/*")};
    if (std::none_of(std::begin(triggers), std::end(triggers),
                     [&sql](const QString &word) { return sql.contains(word, Qt::CaseInsensitive); }))
        return sql;

    QList<Token> tokens = tokenize(sql);

    // Text to insert after a token, by token index.
    QList<QString> after(tokens.size());
    // Per nesting depth: a pending LIMIT and the last significant token seen.
    struct Scope {
        QString limit;
        qsizetype last = -1;
    };
    QList<Scope> scopes(1);
    // DELETE is rewritten only where a statement starts (not in ON DELETE, AFTER DELETE).
    qsizetype statementStart = nextSignificant(tokens, -1);

    auto closeScope = [&](Scope &scope) {
        if (!scope.limit.isEmpty() && scope.last >= 0)
            after[scope.last] += QStringLiteral(" LIMIT ") + scope.limit;
        scope.limit.clear();
    };

    for (qsizetype i = 0; i < tokens.size(); ++i) {
        Token &t = tokens[i];
        if (!significant(t))
            continue;
        switch (t.kind) {
        case Kind::Open:
            scopes.last().last = i;
            scopes.append(Scope());
            continue;
        case Kind::Close:
            if (scopes.size() > 1) {
                closeScope(scopes.last());
                scopes.removeLast();
            }
            scopes.last().last = i;
            continue;
        case Kind::Semicolon:
            closeScope(scopes.last());
            statementStart = nextSignificant(tokens, i);
            continue;
        case Kind::String:
            if (t.text.startsWith(u'N') || t.text.startsWith(u'n'))
                t.text.remove(0, 1);
            break;
        case Kind::QuotedName:
            if (dialect == SqlDialect::Postgres && t.text.startsWith(u'['))
                t.text = unquoteBrackets(t.text);
            break;
        case Kind::Word: {
            const qsizetype next = nextSignificant(tokens, i);
            const bool call = next < tokens.size() && tokens.at(next).kind == Kind::Open;
            if (call && isWord(t, u"isnull"))
                t.text = QStringLiteral("COALESCE");
            else if (call && isWord(t, u"len"))
                t.text = QStringLiteral("LENGTH");
            if (isWord(t, u"select")) {
                qsizetype top = next;
                if (top < tokens.size() && (isWord(tokens.at(top), u"distinct") || isWord(tokens.at(top), u"all")))
                    top = nextSignificant(tokens, top);
                if (top < tokens.size() && isWord(tokens.at(top), u"top")) {
                    qsizetype count = nextSignificant(tokens, top);
                    bool parenthesised = count < tokens.size() && tokens.at(count).kind == Kind::Open;
                    qsizetype number = parenthesised ? nextSignificant(tokens, count) : count;
                    qsizetype close = parenthesised ? nextSignificant(tokens, number) : number;
                    if (number < tokens.size() && tokens.at(number).kind == Kind::Number
                        && (!parenthesised || (close < tokens.size() && tokens.at(close).kind == Kind::Close))) {
                        scopes.last().limit = tokens.at(number).text;
                        // Drop "TOP n" with the blanks that followed it.
                        const qsizetype last = nextSignificant(tokens, close) - 1;
                        for (qsizetype k = top; k <= last && k < tokens.size(); ++k) {
                            if (tokens.at(k).kind != Kind::Comment)
                                tokens[k].text.clear();
                            tokens[k].kind = Kind::Space;
                        }
                    }
                }
            } else if (isWord(t, u"delete") && i == statementStart) {
                if (next < tokens.size() && !isWord(tokens.at(next), u"from") && !isWord(tokens.at(next), u"top")
                    && (tokens.at(next).kind == Kind::Word || tokens.at(next).kind == Kind::QuotedName))
                    after[i] += QStringLiteral(" FROM");
            } else if (isWord(t, u"like") && dialect == SqlDialect::Postgres) {
                // A column's text compared with ILIKE: what citext's LIKE does, in the form a
                // trigram index serves, so that '%text%' needs no scan of the whole table.
                qsizetype operand = scopes.last().last;
                if (operand >= 0 && isWord(tokens.at(operand), u"not"))
                    operand = previousSignificant(tokens, operand);
                if (operand >= 0 && (tokens.at(operand).kind == Kind::QuotedName
                                     || (tokens.at(operand).kind == Kind::Word && !isKeyword(tokens.at(operand))))) {
                    after[operand] += QStringLiteral("::text");
                    t.text = QStringLiteral("ILIKE");
                }
                // Find the end of the pattern expression at this depth.
                int depth = 0;
                qsizetype lastOfPattern = -1;
                qsizetype k = next;
                for (; k < tokens.size(); k = nextSignificant(tokens, k)) {
                    const Token &p = tokens.at(k);
                    if (depth == 0 && lastOfPattern >= 0 && endsExpression(p))
                        break;
                    if (p.kind == Kind::Open)
                        ++depth;
                    else if (p.kind == Kind::Close && --depth < 0)
                        break;
                    lastOfPattern = k;
                }
                const bool hasEscape = k < tokens.size() && isWord(tokens.at(k), u"escape");
                if (lastOfPattern >= 0 && !hasEscape)
                    after[lastOfPattern] += QStringLiteral(" ESCAPE ''");
            }
            break;
        }
        default:
            break;
        }
        scopes.last().last = i;
    }
    while (scopes.size() > 1) {
        closeScope(scopes.last());
        scopes.removeLast();
    }
    closeScope(scopes.last());

    QString out;
    out.reserve(sql.size() + 32);
    bool afterString = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens.at(i);
        if (t.text.isEmpty() && after.at(i).isEmpty())
            continue;
        // Two literals side by side ('a'N'b' without its N) would read as one with a quote
        // inside: a blank keeps them two.
        if (afterString && t.kind == Kind::String)
            out += u' ';
        out += dialect == SqlDialect::Sqlite && t.kind == Kind::Comment ? flatComment(t.text) : t.text;
        out += after.at(i);
        afterString = t.kind == Kind::String && after.at(i).isEmpty();
    }
    return out;
}

QString singleSourceTable(const QString &sql)
{
    const QList<Token> tokens = tokenize(sql);
    const qsizetype size = tokens.size();
    qsizetype i = nextSignificant(tokens, -1);
    if (i >= size || !isWord(tokens.at(i), u"select"))
        return {};
    i = nextSignificant(tokens, i);
    if (i < size && isWord(tokens.at(i), u"distinct"))
        return {};
    if (i < size && isWord(tokens.at(i), u"all"))
        i = nextSignificant(tokens, i);
    if (i < size && isWord(tokens.at(i), u"top")) {
        i = nextSignificant(tokens, i);
        const bool parenthesised = i < size && tokens.at(i).kind == Kind::Open;
        if (parenthesised)
            i = nextSignificant(tokens, i);
        if (i >= size || tokens.at(i).kind != Kind::Number)
            return {};
        i = nextSignificant(tokens, i);
        if (parenthesised) {
            if (i >= size || tokens.at(i).kind != Kind::Close)
                return {};
            i = nextSignificant(tokens, i);
        }
    }
    // Every result column must be a column of the table as it is (* or plain, possibly
    // qualified names): an alias or an expression would have a row written by the wrong key.
    bool expectItem = true;
    for (; i < size && !isWord(tokens.at(i), u"from"); i = nextSignificant(tokens, i)) {
        const Token &t = tokens.at(i);
        const bool name = t.kind == Kind::Word || t.kind == Kind::QuotedName || t.text == u"*";
        if (expectItem && name)
            expectItem = false;
        else if (!expectItem && (t.kind == Kind::Comma || t.text == u"."))
            expectItem = true;
        else
            return {};
    }
    if (expectItem)
        return {};
    i = nextSignificant(tokens, i);
    if (i >= size || (tokens.at(i).kind != Kind::Word && tokens.at(i).kind != Kind::QuotedName))
        return {};
    QString table = tokens.at(i).text;
    // A qualified name (dbo.table) names its last part.
    for (qsizetype k = nextSignificant(tokens, i); k + 1 < size && tokens.at(k).text == u"."; ) {
        const qsizetype part = nextSignificant(tokens, k);
        if (part >= size)
            return {};
        table = tokens.at(part).text;
        i = part;
        k = nextSignificant(tokens, part);
    }
    if (table.startsWith(u'[') || table.startsWith(u'"'))
        table = table.mid(1, table.size() - 2);
    const qsizetype rest = nextSignificant(tokens, i);
    if (rest < size && tokens.at(rest).kind != Kind::Semicolon && !isWord(tokens.at(rest), u"where")
        && !isWord(tokens.at(rest), u"order") && !isWord(tokens.at(rest), u"limit"))
        return {};
    // Nothing after the table may group, combine or join rows.
    int depth = 0;
    for (qsizetype k = rest; k < size; k = nextSignificant(tokens, k)) {
        const Token &t = tokens.at(k);
        if (t.kind == Kind::Open)
            ++depth;
        else if (t.kind == Kind::Close)
            --depth;
        else if (depth == 0 && t.kind == Kind::Semicolon)
            return table;
        else if (depth == 0) {
            for (const char16_t *word : {u"group", u"having", u"union", u"intersect", u"except", u"join"}) {
                if (isWord(t, word))
                    return {};
            }
        }
    }
    return table;
}

QString leadingKeyword(const QString &sql)
{
    const QList<Token> tokens = tokenize(sql);
    qsizetype first = nextSignificant(tokens, -1);
    while (first < tokens.size() && tokens.at(first).kind == Kind::Open)
        first = nextSignificant(tokens, first);
    if (first >= tokens.size() || tokens.at(first).kind != Kind::Word)
        return {};
    return tokens.at(first).text.toLower();
}

QStringList stringLiterals(const QString &sql)
{
    QStringList literals;
    for (const Token &t : tokenize(sql)) {
        if (t.kind != Kind::String)
            continue;
        QString text = t.text;
        if (!text.startsWith(u'\''))
            text.remove(0, 1);
        const bool closed = text.size() >= 2 && text.endsWith(u'\'');
        text = text.mid(1, text.size() - (closed ? 2 : 1));
        text.replace(QStringLiteral("''"), QStringLiteral("'"));
        literals.append(text);
    }
    return literals;
}

} // namespace zeva::host
