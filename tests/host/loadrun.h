#pragma once
// Several hosts at once on one database, as many users work: each zeva-host process runs a
// batch that saves copies of one product under codes of its own, deletes every third it
// saved and moves every third to another category. Afterwards the database must hold
// exactly what the hosts reported done, and every failure a host met must have been shown
// to its user. Shared by the load test (small) and the load benchmark (large).

#include "hostdatabase.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

namespace zeva::host::load {

inline const QString kSource = QStringLiteral("w0101001003");   // the product copied
inline const QString kTarget = QStringLiteral("k0101002");      // where moves go

inline QString codeOf(int host, int operation)
{
    return QStringLiteral("L%1-%2").arg(host).arg(operation, 4, 10, QLatin1Char('0'));
}

inline QString script(int host, int operations)
{
    QString s = QStringLiteral("refresh\nselect %1\ncheck chk(3) 1\ncheck chk(2) 1\n").arg(kSource);
    for (int i = 0; i < operations; ++i) {
        const QString code = codeOf(host, i);
        s += QStringLiteral("new\nset kvT(0) %1\nset kvT(10) D-%1\nsave\ndump selection\n").arg(code);
        if (i % 3 == 1)
            s += QStringLiteral("answer yes\ndelete\n");
        else if (i % 3 == 2)
            s += QStringLiteral("answer yes\ndrag w%1 %2\nselect %3\n").arg(code, kTarget, kSource);   // copies start from the source again
    }
    return s;
}

struct HostOutcome {
    QSet<QString> kept;       // codes saved and neither deleted nor failed
    int saves = 0;            // saves that answered true
    int failures = 0;         // saves and deletes that answered false
    int unreported = 0;       // of those, the ones with nothing shown to the user
    int errors = 0;           // error records of the batch itself
    QString stderrText;
};

// Reads one host's records: what it saved, deleted and moved, and whether each failure
// was shown (an ErrMessage of level 8 or a message box between the command and its result).
inline HostOutcome readOutcome(const QStringList &records, const QString &stderrText)
{
    HostOutcome o;
    o.stderrText = stderrText;
    QString selected;          // the host's product after its last save: the one a delete takes
    bool saved = false;        // the last save answered true, and its selection is next
    bool shown = false;
    for (const QString &r : records) {
        const QStringList f = r.split(u'\t');
        // A message box with one button tells; the Yes/No questions of delete and move ask.
        const int style = f.value(2).toInt();
        if (f.value(0) == u"dialog" && f.value(1) == u"MsgBox" && (style & 7) == 0)
            shown = true;
        else if (f.value(0) == u"event" && f.value(1) == u"ErrMessage" && f.value(2) == u"8")
            shown = true;
        else if (f.value(0) == u"error")
            ++o.errors;
        else if (f.value(0) == u"selection") {
            selected = f.value(1).startsWith(u"wL") ? f.value(1).mid(1) : QString();
            if (saved && !selected.isEmpty())
                o.kept.insert(selected);
            saved = false;
        }
        if (f.value(0) != u"result")
            continue;
        const QString member = f.value(1);
        const bool ok = f.value(2) == u"true";
        if (member == u"IFormUI_FileSave") {
            saved = ok;
            o.saves += ok ? 1 : 0;
        } else if (member == u"IFormUI_FileDelete" && ok) {
            o.kept.remove(selected);
        }
        if (!ok && (member == u"IFormUI_FileSave" || member == u"IFormUI_FileDelete")) {
            ++o.failures;
            if (!shown)
                ++o.unreported;
        }
        shown = false;
    }
    return o;
}

// Runs `hosts` zeva-host processes at once, each with its batch, bounded by `timeoutMs`.
inline std::vector<HostOutcome> runHosts(const QString &hostBinary, const QStringList &databaseArguments, int hosts,
                                         int operations, int timeoutMs, double *seconds)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer clock;
    clock.start();
    for (int h = 0; h < hosts; ++h) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->start(hostBinary, databaseArguments + QStringList{QStringLiteral("--user"), QStringLiteral("user%1").arg(h),
                                                             QStringLiteral("--batch"), QStringLiteral("-")});
        p->write(script(h, operations).toUtf8());
        p->closeWriteChannel();
        processes.push_back(std::move(p));
    }
    std::vector<HostOutcome> outcomes;
    for (auto &p : processes) {
        const qint64 left = std::max<qint64>(1000, timeoutMs - clock.elapsed());
        if (!p->waitForFinished(int(left))) {
            p->kill();
            p->waitForFinished();
        }
        const QStringList records = QString::fromUtf8(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        outcomes.push_back(readOutcome(records, QString::fromUtf8(p->readAllStandardError())));
    }
    *seconds = clock.elapsed() / 1000.0;
    return outcomes;
}

inline QString scalarText(HostDatabase &db, const QString &sql)
{
    return db.Prepare(sql, 1)->GetValue().toText();
}

// What the database disagrees with: every kept code once, nothing else of the hosts',
// moves where they were reported, and no row left of a product that is gone.
inline QStringList checkDatabase(HostDatabase &db, const std::vector<HostOutcome> &outcomes)
{
    QStringList problems;
    QSet<QString> kept;
    for (const HostOutcome &o : outcomes)
        kept += o.kept;
    QSet<QString> stored;
    auto rs = db.Prepare(QStringLiteral("SELECT 物品编码, count(*) AS n FROM pdmzeva WHERE 物品编码 LIKE 'L%' GROUP BY 物品编码"), 1)
                  ->OpenRecordset();
    for (; !rs->IsEOF(); rs->MoveNext()) {
        const QString code = rs->Fields(QStringLiteral("物品编码")).Value().toText();
        stored << code;
        if (rs->Fields(QStringLiteral("n")).Value().toInteger() != 1)
            problems << QStringLiteral("%1 is stored more than once").arg(code);
    }
    for (const QString &code : kept - stored)
        problems << QStringLiteral("%1 was saved but is gone").arg(code);
    for (const QString &code : stored - kept)
        problems << QStringLiteral("%1 is stored but was deleted or never reported saved").arg(code);
    for (const char *table : {"PDMZEVAB", "pubwlprice", "PDMZEVAAttach"}) {
        const QString orphans = scalarText(db, QStringLiteral("SELECT count(*) FROM %1 WHERE 产品ID NOT IN (SELECT 产品ID FROM pdmzeva)")
                                                   .arg(QString::fromLatin1(table)));
        if (orphans != u"0")
            problems << QStringLiteral("%1 rows of %2 belong to no product: a delete was half done").arg(orphans, QString::fromLatin1(table));
    }
    const QString keys = scalarText(db, QStringLiteral("SELECT count(*) - count(DISTINCT 产品ID) FROM pdmzeva"));
    if (keys != u"0")
        problems << QStringLiteral("%1 duplicate product keys").arg(keys);
    return problems;
}

} // namespace zeva::host::load
