// Allocates keys from the host's key table and prints them, one a line: the second
// process of the key allocator's test.
//   host_keyworker sqlite|pg CONNECTION COUNT TABLE COLUMN
#include "sqlhostdatabase.h"
#include "tablekeyallocator.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != 6) {
        err << "usage: host_keyworker sqlite|pg CONNECTION COUNT TABLE COLUMN\n";
        return 2;
    }
    QString error;
    auto db = args.at(1) == u"pg" ? zeva::host::SqlHostDatabase::openPostgres(args.at(2), &error)
                                  : zeva::host::SqlHostDatabase::openSqlite(args.at(2), &error);
    if (!db) {
        err << error << "\n";
        return 1;
    }
    zeva::host::TableKeyAllocator keys;
    keys.Attach(db);
    const int count = args.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        int key = 0;
        const QString failure = keys.Allocate(args.at(4), args.at(5), key);
        if (!failure.isEmpty()) {
            err << failure << "\n";
            return 1;
        }
        out << key << "\n";
    }
    return 0;
}
