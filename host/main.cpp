// zeva-host: the stand-in host application.
#include "selfcheck.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeva-host"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The host application of the zeva product catalogue: loads the drawing control and drives it."));
    parser.addHelpOption();
    QCommandLineOption selfCheck(QStringLiteral("selfcheck"),
                                 QStringLiteral("Check the value rules and a database round trip, then exit."));
    parser.addOption(selfCheck);
    parser.process(app);

    QTextStream out(stdout);
    if (parser.isSet(selfCheck))
        return zeva::host::runSelfCheck(out) ? 0 : 1;
    parser.showHelp(0);
}
