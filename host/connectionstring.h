#pragma once
// libpq's connection strings, "host=/run/pg port=5432 dbname=zeva password='a b'": read
// into pairs, and shown without their secrets.

#include <QHash>
#include <QString>

namespace zeva::host {

// The pairs of `text`, keys lower-cased; a value may be single-quoted, with "\" escaping
// the next character. Empty, with the reason in `error`, at a word without "=" or an
// unterminated quote. A later pair replaces an earlier one of the same key.
QHash<QString, QString> parseConnectionString(const QString &text, QString *error);
// `text` with the values of `password` and `passfile` replaced by "***".
QString hideSecrets(const QString &text);

} // namespace zeva::host
