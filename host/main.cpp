// zeva-host: the stand-in host application. Without a command-line mode it opens the
// drawing control in its window; --batch drives the control from a script instead.
#include "batchrunner.h"
#include "hostcommandline.h"
#include "hostsession.h"
#include "hostwindow.h"
#include "qtdesktopservices.h"
#include "scripteddesktopservices.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

#include <cstring>
#include <memory>

namespace {

const QString kBatch = QStringLiteral("batch");

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "The host application of the zeva product catalogue: loads the drawing control and drives it.\n"
        "Without a command-line mode (--sql, --init-demo, --generate, --selfcheck) it opens the catalogue "
        "in a window; --batch runs a script of commands instead, without showing a window."));
    parser.addHelpOption();
    zeva::host::addCommandLineOptions(parser);
    zeva::host::addSessionOptions(parser);
    parser.addOption({kBatch, QStringLiteral("Run the batch commands of FILE (- for standard input) and exit; "
                                             "--batch --help lists the commands."),
                      QStringLiteral("FILE")});
}

bool wantsGui(int argc, char *argv[])
{
    static const char *const lineModes[] = {"--sql", "--init-demo", "--generate", "--selfcheck", "--help", "-h", "--help-all"};
    for (int i = 1; i < argc; ++i) {
        for (const char *mode : lineModes) {
            if (std::strncmp(argv[i], mode, std::strlen(mode)) == 0)
                return false;
        }
    }
    return true;
}

bool isBatch(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--batch", 7) == 0)
            return true;
    }
    return false;
}

// Whether a window can be opened: a platform that needs no display, or a display to use.
bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runBatch(const QCommandLineParser &parser, zeva::host::SessionOptions options,
             std::shared_ptr<zeva::host::SqlHostDatabase> db, QTextStream &out, QTextStream &err)
{
    const QString path = parser.value(kBatch);
    QFile file;
    if (path == u"-") {
        file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        // Not in text mode, which drops some CRs by its own rules: readScriptLine alone
        // decides where a line ends, and a CR inside a line is content.
        if (!file.open(QIODevice::ReadOnly)) {
            err << "zeva-host: cannot read " << path << ": " << file.errorString() << "\n";
            return 1;
        }
    }
    zeva::ScriptedDesktopServices desktop(options.settingsFolder);
    zeva::host::HostSession session(std::move(db), std::move(options), desktop);
    zeva::host::HostWindow window(session);
    if (!window.loaded()) {
        err << "zeva-host: " << window.loadError() << "\n";
        return 1;
    }
    // Shown on the offscreen platform, so geometry, focus and focus-out work as on a screen.
    window.resize(window.sizeHint());
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    zeva::host::BatchRunner runner(session, desktop, &window, out);
    return runner.run(file);
}

} // namespace

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The options are checked before any window system is asked for: a typing error or a
    // missing display ends in one line, not in an abort inside the platform plugin.
    QCommandLineParser parser;
    describe(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments)) {
        err << "zeva-host: " << parser.errorText() << "\n";
        return 1;
    }
    const bool gui = wantsGui(argc, argv);
    if (gui && !isBatch(argc, argv) && !hasDisplay()) {
        err << "zeva-host: there is no display to open the window on (DISPLAY is not set); without one, run a "
               "script with --batch FILE, or ./zeva demo for the guided tour\n";
        return 1;
    }
    // A batch never shows a window, whatever platform the desktop session names.
    if (gui && isBatch(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = gui ? std::make_unique<QApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeva-host"));
    parser.process(*app);   // --help and --version
    // "--help" is the value of --batch here, so the parser leaves it alone.
    if (parser.value(kBatch) == u"--help") {
        zeva::host::BatchRunner::printHelp(out);
        return 0;
    }
    if (zeva::host::isCommandLineMode(parser))
        return zeva::host::runCommandLine(parser, out, err);

    zeva::host::SessionOptions options;
    QString error;
    if (!zeva::host::readSessionOptions(parser, options, &error)) {
        err << "zeva-host: " << error << "\n";
        return 2;
    }
    int status = 0;
    auto db = zeva::host::openDatabase(parser, out, err, &status);
    if (!db)
        return status;
    if (parser.isSet(kBatch))
        return runBatch(parser, std::move(options), std::move(db), out, err);

    zeva::QtDesktopServices desktop(options.settingsFolder);
    zeva::host::HostSession session(std::move(db), std::move(options), desktop);
    zeva::host::HostWindow window(session);
    desktop.setParentWidget(&window);
    window.placeOnScreen();
    window.show();
    window.start();
    return app->exec();
}
