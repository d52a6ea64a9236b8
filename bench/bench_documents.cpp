// A 100 MB drawing uploaded and downloaded through the drawing page, on SQLite and on
// PostgreSQL, against the bare work of the same result: `zeva-archive pack` and one insert
// of the container's bytes; one select of them and `zeva-archive unpack`. Time of each
// (best of two, taking turns) and the peak resident memory of this process during it.
// Usage: bench_documents [--megabytes N]

#include "benchprocess.h"
#include "benchsupport.h"
#include "drawingcontrol.h"
#include "drawingstore.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "scripteddesktopservices.h"
#include "schema.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <functional>

#include <malloc.h>

using namespace zeva;

namespace {

// What a step adds to the process's resident memory at its peak: the peak is reset to the
// resident memory before the step, and what the allocator kept from earlier steps is
// returned first, so neither counts.
double g_startMegabytes = 0;

void resetPeak()
{
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    g_startMegabytes = bench::statusMegabytes("VmRSS:");
}

double peakMegabytes()
{
    return std::max(0.0, bench::statusMegabytes("VmHWM:") - g_startMegabytes);
}

// Drawings compress unevenly: half text-like lines, half noise, in 1 MiB stretches.
void makeDrawing(const QString &path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QRandomGenerator random(20261206);
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (int m = 0; m < megabytes; ++m) {
        if (m % 2) {
            random.fillRange(reinterpret_cast<quint32 *>(piece.data()), piece.size() / 4);
        } else {
            piece.clear();
            while (piece.size() < (1 << 20))
                piece += "LINE " + QByteArray::number(random.bounded(100000)) + " 0.0 12.5 AcDbEntity\n";
            piece.truncate(1 << 20);
        }
        file.write(piece);
    }
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return "<unreadable>";
    return hash.result();
}

void run(const QString &program, const QStringList &arguments)
{
    if (QProcess::execute(program, arguments) != 0)
        qFatal("%s %s failed", qPrintable(program), qPrintable(arguments.join(u' ')));
}

// The form's side first in even rounds, the bare side first in odd ones: neither always
// pays for a cold cache.
void inTurns(int round, const std::function<void()> &form, const std::function<void()> &bare)
{
    (round % 2 ? bare : form)();
    (round % 2 ? form : bare)();
}

struct Figures {
    double ms = 1e300;
    double peak = 0;
    void take(double time, double megabytes)
    {
        if (time < ms) {
            ms = time;
            peak = megabytes;
        }
    }
};

void measure(const char *name, const std::shared_ptr<host::SqlHostDatabase> &db,
             const QString &drawing, QTemporaryDir &folder, QTextStream &out)
{
    QString error;
    if (!host::createSchema(*db, &error))
        qFatal("%s", qPrintable(error));
    QSqlQuery(db->connection()).exec(QStringLiteral("DELETE FROM PDMZEVADraw"));
    const QString archiver = QCoreApplication::applicationDirPath() + QStringLiteral("/zeva-archive");

    ScriptedDesktopServices desktop;
    host::KitHostServices services(desktop);
    auto system = std::make_shared<host::KitHostSystem>(db);
    DrawingControl form(&services);
    form.IFormUI_Init(system, 200008);
    FormState &state = form.state();
    state.controls.lbl[0]->setText(QStringLiteral("10"));
    const DrawingStore store{state.controls, form, services, *system, *state.keyAllocator, 0};

    Figures formUp, bareUp, formDown, bareDown;
    const QByteArray wanted = digest(drawing);
    const QString out1 = folder.filePath(QStringLiteral("down-form"));
    const QString out2 = folder.filePath(QStringLiteral("down-bare"));
    QDir().mkpath(out1);
    QDir().mkpath(out2);
    for (int round = 0; round < 2; ++round) {
        const auto formUpload = [&] {
            desktop.answerFile(drawing);
            resetPeak();
            const double ms = bench::elapsedMs([&] { uploadDrawing(store); });
            formUp.take(ms, peakMegabytes());   // the peak read after the work, not as an argument beside it
        };
        const auto bareUpload = [&] {
            const QString container = folder.filePath(QStringLiteral("bare.zlc"));
            resetPeak();
            const double ms = bench::elapsedMs([&] {
                run(archiver, {QStringLiteral("pack"), container, drawing});
                QFile file(container);
                file.open(QIODevice::ReadOnly);
                QSqlQuery insert(db->connection());
                insert.prepare(QStringLiteral("INSERT INTO PDMZEVADraw (rowIndex, cpID, fileName, fileImage) VALUES (?, 11, 'bare', ?)"));
                insert.addBindValue(1000000 + round);
                insert.addBindValue(file.readAll());
                if (!insert.exec())
                    qFatal("bare insert: %s", qPrintable(insert.lastError().text()));
            });
            bareUp.take(ms, peakMegabytes());
        };
        inTurns(round, formUpload, bareUpload);
        QTreeWidget *list = state.controls.lvDraw;
        if (list->topLevelItemCount() != round + 1)
            qFatal("the upload did not list its row");
        list->setCurrentItem(list->topLevelItem(round));

        const auto formDownload = [&] {
            desktop.answerFile(out1 + QStringLiteral("/any.dwg"));
            resetPeak();
            const double ms = bench::elapsedMs([&] { downloadDrawing(store); });
            formDown.take(ms, peakMegabytes());
        };
        const auto bareDownload = [&] {
            const QString container = folder.filePath(QStringLiteral("bare-down.zlc"));
            resetPeak();
            const double ms = bench::elapsedMs([&] {
                QSqlQuery select(db->connection());
                select.setForwardOnly(true);
                select.prepare(QStringLiteral("SELECT fileImage FROM PDMZEVADraw WHERE rowIndex = ?"));
                select.addBindValue(1000000 + round);
                if (!select.exec() || !select.next())
                    qFatal("bare select: %s", qPrintable(select.lastError().text()));
                QFile file(container);
                file.open(QIODevice::WriteOnly);
                file.write(select.value(0).toByteArray());
                file.close();
                select.finish();
                run(archiver, {QStringLiteral("unpack"), container, out2});
            });
            bareDown.take(ms, peakMegabytes());
        };
        inTurns(round, formDownload, bareDownload);
        const QString name = QFileInfo(drawing).fileName();
        if (digest(out1 + u'/' + name) != wanted || digest(out2 + u'/' + name) != wanted)
            qFatal("a download differs from the drawing");
    }
    out << QStringLiteral("%1 upload:   %2 ms / %3 ms bare = %4x; adds %5 MB (bare %6 MB)\n")
               .arg(QString::fromLatin1(name)).arg(formUp.ms, 0, 'f', 0).arg(bareUp.ms, 0, 'f', 0)
               .arg(formUp.ms / bareUp.ms, 0, 'f', 2).arg(formUp.peak, 0, 'f', 0).arg(bareUp.peak, 0, 'f', 0);
    out << QStringLiteral("%1 download: %2 ms / %3 ms bare = %4x; adds %5 MB (bare %6 MB)\n")
               .arg(QString::fromLatin1(name)).arg(formDown.ms, 0, 'f', 0).arg(bareDown.ms, 0, 'f', 0)
               .arg(formDown.ms / bareDown.ms, 0, 'f', 2).arg(formDown.peak, 0, 'f', 0).arg(bareDown.peak, 0, 'f', 0);
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int megabytes = bench::intOption(argc, argv, "--megabytes", 100, 1);
    QTemporaryDir folder;
    const QString drawing = folder.filePath(QStringLiteral("drawing.dwg"));
    makeDrawing(drawing, megabytes);
    out << QStringLiteral("a drawing of %1 MB; memory figures are what a step adds to the resident memory at its peak\n")
               .arg(megabytes);
    out.flush();

    QString error;
    auto sqlite = host::SqlHostDatabase::openSqlite(folder.filePath(QStringLiteral("documents.sqlite")), &error);
    if (!sqlite)
        qFatal("%s", qPrintable(error));
    measure("SQLite", sqlite, drawing, folder, out);

    host::ScratchPostgres scratch;
    auto pg = bench::openPostgres(scratch, &error);
    if (!pg) {
        out << "PostgreSQL: not measured (" << error << ")\n";
        return 0;
    }
    measure("PostgreSQL", pg, drawing, folder, out);
    return 0;
}
