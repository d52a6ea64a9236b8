#pragma once
// The platform self-check: the value rules on sample inputs and a database round trip on
// a temporary SQLite file, printed for a person to read.

#include <QTextStream>

namespace zeva::host {

// Answers true when every check passed.
bool runSelfCheck(QTextStream &out);

} // namespace zeva::host
