#pragma once
// The escaping of one field of a batch record or of a `--sql` line, and its inverse for
// the batch's arguments. Escaped: the backslash as "\\", tab, line feed and carriage
// return as "\t", "\n", "\r", every other C0 control character and DEL as "\xHH", so a
// field never holds a separator or a line break and every character comes back.

#include <QString>

namespace zeva::host {

// `text` with the characters above escaped; everything else (Chinese included) as it is.
QString escapeField(const QString &text);
// Undoes escapeField: "\\", "\t", "\n", "\r" and "\xHH" naming a C0 control character or
// DEL (either case of hex digit). Any other backslash, a lone one at the end included,
// stays as it is written, so that a Windows path typed plainly keeps its backslashes.
QString unescapeField(const QString &text);

} // namespace zeva::host
