#pragma once
// Turns the form's statements, written in SQL Server's dialect, into what SQLite or
// PostgreSQL accept. It works token by token and never looks inside string literals,
// quoted names or comments, so no text a user typed can change a statement's shape.

#include <QString>
#include <QStringList>

namespace zeva::host {

enum class SqlDialect { Sqlite, Postgres };

// The statement in the back end's dialect:
//   SELECT [DISTINCT] TOP n …   → SELECT [DISTINCT] … LIMIT n   (at the end of that SELECT's scope)
//   DELETE table WHERE …        → DELETE FROM table WHERE …
//   N'text'                     → 'text'
//   ISNULL( / LEN(              → COALESCE( / LENGTH(
//   [name]                      → "name"  (PostgreSQL; ASCII letters folded to lower case)
//   a LIKE p  (no ESCAPE)       → a LIKE p ESCAPE ''  (PostgreSQL, whose default escape is "\")
//   /* a /* b */ c */           → /* a / * b * / c */  (SQLite, whose comments do not nest)
//   'a'N'b'                     → 'a' 'b'  (adjacent literals stay two)
// Names in `backticks` are quoted names: never looked into, passed on as written.
// Anything else passes through unchanged, spaces included. An unterminated literal or
// comment is passed on as it stands, for the database to reject.
QString translateSql(const QString &sql, SqlDialect dialect);

// The table a statement reads when it is a plain "SELECT [TOP n] columns FROM table
// [WHERE …] [ORDER BY …]" of one table whose result columns are the table's own (* or
// plain names: no alias, no expression) and whose rows are not grouped, combined or
// joined; empty otherwise. Only such a result may write rows back.
QString singleSourceTable(const QString &sql);

// The first word of a statement, lower-cased ("select", "create", …), past leading
// blanks, comments and opening parentheses; empty when it does not start with a word.
QString leadingKeyword(const QString &sql);

// The contents of every string literal of a statement, in order, with doubled quotes
// undone: what the translator must keep byte for byte.
QStringList stringLiterals(const QString &sql);

} // namespace zeva::host
