#pragma once
// The lines and arguments of a batch script. A line ends at LF; a CR right before the LF
// belongs to the line ending, any other CR is content. A command's arguments are split on
// blanks, and a double-quoted one may hold blanks ("\"" is a quote inside it); a command
// whose last argument is free text takes the rest of the line after one blank for it.
// Every argument is unescaped (fieldescape.h).

#include <QString>
#include <QStringList>

class QIODevice;

namespace zeva::host {

// The next line of `in` without its ending, decoded as UTF-8; false at the end.
bool readScriptLine(QIODevice &in, QString &line);

// What a command takes: `words` arguments split on blanks, then, when `freeText`, the
// rest of the line (empty when the line ends there).
struct ArgumentShape {
    int words = 0;
    bool freeText = false;
};

// Splits `text`, what follows a command's name and its blank, into the arguments of
// `shape` (words + 1 of them with free text), each unescaped. False, with the reason in
// `error`, for too few or too many words, an unterminated quote, or a closing quote that
// does not end its argument.
bool splitArguments(const QString &text, ArgumentShape shape, QStringList &arguments, QString *error);

} // namespace zeva::host
