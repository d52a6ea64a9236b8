// zeva-host: the stand-in host application.
#include "hostcommandline.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeva-host"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The host application of the zeva product catalogue: its database, demo data and statements."));
    parser.addHelpOption();
    zeva::host::addCommandLineOptions(parser);
    parser.process(app);

    if (parser.optionNames().isEmpty())
        parser.showHelp(0);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return zeva::host::runCommandLine(parser, out, err);
}
