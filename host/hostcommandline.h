#pragma once
// zeva-host's command-line modes: open the database (--db, --pg), recreate the demo data
// (--init-demo) or a generated catalogue (--generate), run one statement as the form would
// (--sql), and the platform self-check. The window and the batch mode sit beside these.

#include "sqlhostdatabase.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>

namespace zeva::host {

// Adds the options of the command-line modes to `parser`.
void addCommandLineOptions(QCommandLineParser &parser);
// Runs what the parsed options ask; the process's exit status: 0 done, 1 a failure
// (its reason on `err`), 2 a usage error.
int runCommandLine(const QCommandLineParser &parser, QTextStream &out, QTextStream &err);
// True when the options ask for a command-line mode rather than the window or a batch.
bool isCommandLineMode(const QCommandLineParser &parser);
// The database the options name (--db, --pg, else the demo database, made and filled on
// first use), with the schema in place and --init-demo or --generate done. Null on
// failure, with the reason on `err` and the exit status in `status`.
std::shared_ptr<SqlHostDatabase> openDatabase(const QCommandLineParser &parser, QTextStream &out, QTextStream &err,
                                              int *status = nullptr);
// Runs one statement as the form would (translated) and prints a header line and the
// rows, or the rows affected; a failure's description goes to `err` (answer 1). Values
// are escaped as escapeField does, NULL is empty, bytes as 0x and upper-case hexadecimal.
int runSql(SqlHostDatabase &db, const QString &sql, QTextStream &out, QTextStream &err);

} // namespace zeva::host
