#pragma once
// zeva-host's command-line modes: open the database (--db, --pg), recreate the demo data
// (--init-demo) or a generated catalogue (--generate), run one statement as the form would
// (--sql), and the platform self-check. The window and the batch mode sit beside these.

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

namespace zeva::host {

// Adds the options of the command-line modes to `parser`.
void addCommandLineOptions(QCommandLineParser &parser);
// Runs what the parsed options ask; the process's exit status: 0 done, 1 a failure
// (its reason on `err`), 2 a usage error.
int runCommandLine(const QCommandLineParser &parser, QTextStream &out, QTextStream &err);

// A value as the tab-separated output shows it: "\\", "\t", "\n", "\r" escaped, NULL
// empty, bytes as "<N bytes>".
QString escapeField(const QString &text);

} // namespace zeva::host
