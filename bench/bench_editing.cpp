// Saving products through the form against the same statements run bare through the host
// database object, on SQLite and PostgreSQL: 500 new products, then 500 edits of them (only
// the FileSave calls are timed; a save ends by showing the record again, so the bare run
// reads it too). Then the host's pick list over 100,000 suppliers: the
// first page after each key of a typed filter. Usage: bench_editing [--sqlite]
#include "benchprocess.h"
#include "benchsupport.h"
#include "demodata.h"
#include "formbenchsupport.h"
#include "drawingcontrol.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "kvtxts.h"
#include "picklist.h"
#include "productstatements.h"
#include "recordview.h"
#include "scratchpostgres.h"
#include "scripteddesktopservices.h"
#include "sqlhostdatabase.h"
#include "treecontrol.h"
#include "ctreeview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace zeva;

namespace {

constexpr int kSaves = 500;

QString code(int i)
{
    return QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
}

// The time of the calls it was given, added up.
struct Timer {
    double total = 0;
    void time(const std::function<void()> &work) { total += bench::elapsedMs(work); }
    double ms() const { return total; }
};

// The form's saves: new products beside the first product, then an edit of each.
bool formSaves(host::SqlHostDatabase &db, host::KitHostServices &services, Timer &news, Timer &edits)
{
    auto system = std::make_shared<host::KitHostSystem>(std::shared_ptr<HostDatabase>(&db, [](HostDatabase *) {}));
    DrawingControl form(&services);
    // A save that fails says why here, beside the benchmark's own line.
    QObject::connect(&form, &FormControl::ErrMessage, [](const QString &m, int level, const QString &) {
        if (level > 1)
            qWarning("%s", qPrintable(m));
    });
    if (!form.IFormUI_Init(system, 200008) || !form.IFormUI_Refresh())
        return false;
    FormState &state = form.state();
    TreeControl *tree = state.controls.TV;
    const auto show = [&](TreeNode *node) {
        tree->setSelectedItem(node);
        state.m_Tv->ReSelectItem(node);
    };
    TreeNode *first = nullptr;
    for (TreeNode *node : tree->Nodes()) {
        if (node->key().startsWith(u'w')) {
            first = node;
            break;
        }
    }
    if (!first)
        return false;
    show(first);
    for (int i = 0; i < kSaves; ++i) {
        if (!form.IFormUI_FileNew())
            return false;
        state.controls.field(Field::Code)->setText(code(i));
        state.controls.field(Field::Name)->setText(QStringLiteral("测试件%1").arg(i));
        state.controls.field(Field::PurchasePrice)->setText(QStringLiteral("12.5"));
        bool saved = false;
        news.time([&] { saved = form.IFormUI_FileSave(); });
        if (!saved)
            return false;
    }
    for (int i = 0; i < kSaves; ++i) {
        show(tree->Nodes().item(QStringLiteral("w") + code(i)));
        if (!form.IFormUI_FileEdit())
            return false;
        state.controls.field(Field::Name)->setText(QStringLiteral("改件%1").arg(i));
        bool saved = false;
        edits.time([&] { saved = form.IFormUI_FileSave(); });
        if (!saved)
            return false;
    }
    return true;
}

bool run(HostDatabase &db, const QString &sql)
{
    (void)db.Prepare(sql, 1)->Execute();
    return db.LastError().Description().isEmpty();
}

bool exists(HostDatabase &db, const QString &sql)
{
    auto rs = db.Prepare(sql, 1)->OpenRecordset();
    const bool found = !rs->IsEOF();
    rs->Close();
    return found;
}

// The same statements, in the same order, without the form.
bool bareSaves(host::SqlHostDatabase &db, host::KitHostServices &services, Timer &news, Timer &edits)
{
    auto keys = services.createKeyAllocator();
    keys->Attach(std::shared_ptr<HostDatabase>(&db, [](HostDatabase *) {}));
    ProductRecord record;
    record[Field::StockUnit].text = QStringLiteral("个");
    record[Field::PurchasePrice].text = QStringLiteral("12.5");
    record.checks = {1, 0, 0};
    const QString priceSwitch = QStringLiteral("select text from xt_billattribute where ProgID=200008 and attribute "
                                               "='参考进价' and caption='是否保存到往来价格库'");
    // The category the form saves into: that of the first product, the first detail category.
    const int category = db.Prepare(QStringLiteral("SELECT min(类别ID) FROM pdmcplb WHERE 是否明细=1"), 1)
                             ->GetValue().toText().toInt();
    QList<int> ids;
    bool ok = category > 0;
    for (int i = 0; i < kSaves && ok; ++i) {
        record[Field::Code].text = QStringLiteral("F%1").arg(i, 5, 10, QLatin1Char('0'));
        record[Field::Name].text = QStringLiteral("测试件%1").arg(i);
        news.time([&] {
            ok = !exists(db, QStringLiteral(" Select * From pdmzeva Where 物品编码='") + record[Field::Code].text + u'\'');
            int key = 0;
            ok = ok && keys->Allocate(QStringLiteral("pdmzeva"), QStringLiteral("产品ID"), key).isEmpty();
            ok = ok && run(db, productInsert(record, key, category));
            ok = ok && !exists(db, QStringLiteral("SELECT * From PDMZEVAB Where 产品ID=") + QString::number(key));
            ok = ok && run(db, supplementInsert(record, key));
            (void)db.Prepare(priceSwitch, 1)->GetValue();
            bench::readShownProduct(db, key);
            ids << key;
        });
    }
    for (int i = 0; i < kSaves && ok; ++i) {
        record[Field::Code].text = QStringLiteral("F%1").arg(i, 5, 10, QLatin1Char('0'));
        record[Field::Name].text = QStringLiteral("改件%1").arg(i);
        const QString id = QString::number(ids.value(i));
        edits.time([&] {
            ok = !exists(db, QStringLiteral(" Select * From pdmzeva Where 产品ID <> ") + id
                                 + QStringLiteral(" and 物品编码='") + record[Field::Code].text + u'\'');
            ok = ok && run(db, productUpdate(record, ids.value(i)));
            auto rs = db.Prepare(QStringLiteral("SELECT * From PDMZEVAB Where 产品ID=") + id, 1)->OpenRecordset();
            for (const char *column : {"采购方式", "建议备库量", "最高采购价", "最低销售价", "业务员ID"})
                rs->Fields(QString::fromUtf8(column)) = HostValue(qint64(0));
            ok = ok && rs->Update();
            rs->Close();
            (void)db.Prepare(priceSwitch, 1)->GetValue();
            bench::readShownProduct(db, ids.value(i));
        });
    }
    return ok;
}

// Best of three rounds on a fresh catalogue each, form and bare taking turns going first:
// every autocommitted statement waits for the disk, whose pace drifts.
void saves(QTextStream &out, const QString &backend, host::SqlHostDatabase &db, host::KitHostServices &services)
{
    double form = 1e300, bare = 1e300;
    Timer bestForm[2], bestBare[2];
    for (int round = 0; round < 3; ++round) {
        QString error;
        if (!host::installGeneratedCatalogue(db, 1000, 20, &error)) {
            out << backend << ": " << error << "\n";
            return;
        }
        Timer formNew, formEdit, bareNew, bareEdit;
        const auto formRun = [&] {
            if (formSaves(db, services, formNew, formEdit))
                return true;
            out << backend << ": a save through the form failed: " << db.LastError().Description() << "\n";
            return false;
        };
        const auto bareRun = [&] {
            if (bareSaves(db, services, bareNew, bareEdit))
                return true;
            out << backend << ": a bare save failed: " << db.LastError().Description() << "\n";
            return false;
        };
        if (!(round % 2 == 0 ? formRun() && bareRun() : bareRun() && formRun()))
            return;
        if (formNew.ms() + formEdit.ms() < form) {
            form = formNew.ms() + formEdit.ms();
            bestForm[0] = formNew, bestForm[1] = formEdit;
        }
        if (bareNew.ms() + bareEdit.ms() < bare) {
            bare = bareNew.ms() + bareEdit.ms();
            bestBare[0] = bareNew, bestBare[1] = bareEdit;
        }
    }
    out << QStringLiteral("%1, %2 saves, best of 3 (new %3 + edit %4 ms; bare %5 + %6 ms): %7 ms / %8 ms = %9x "
                          "(target <= 1.5)\n")
               .arg(backend).arg(2 * kSaves).arg(bestForm[0].ms(), 0, 'f', 0).arg(bestForm[1].ms(), 0, 'f', 0)
               .arg(bestBare[0].ms(), 0, 'f', 0).arg(bestBare[1].ms(), 0, 'f', 0).arg(form, 0, 'f', 0)
               .arg(bare, 0, 'f', 0).arg(form / bare, 0, 'f', 2);
}

// 100,000 suppliers; the filter typed a key at a time, each key fetching the first page.
void pickList(QTextStream &out, const QString &backend, host::SqlHostDatabase &db)
{
    db.BeginTrans();
    for (int i = 0; i < 100000; ++i) {
        const QString number = QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0'));
        (void)db.Prepare(QStringLiteral("INSERT INTO PDMWLDW (往来ID, 公司编号, 助忆词, 公司名称, 属性, 是否明细, 是否停用) "
                                        "VALUES (%1, '%2', 'gys%1', '供应商%1有限公司', 1, 1, 0)")
                             .arg(100 + i).arg(number), 1)
            ->Execute();
    }
    db.CommitTrans();
    // Statistics now, rather than an automatic analysis competing with the measurement.
    if (db.dialect() == host::SqlDialect::Postgres)
        (void)db.Prepare(QStringLiteral("ANALYZE PDMWLDW"), 1)->Execute();
    std::vector<double> times;
    const QString typed = QStringLiteral("S04213");
    for (int k = 1; k <= typed.size(); ++k) {
        double best = 1e300;
        for (int pass = 0; pass < 3; ++pass) {   // best of three: the machine's own noise is tens of ms
            QList<host::PickRow> rows;
            best = std::min(best, bench::elapsedMs([&] { rows = host::pickRows(db, QStringLiteral("hp_provide"), typed.left(k), 50); }));
            if (rows.isEmpty())
                out << backend << ": the pick list found nothing for " << typed.left(k) << "\n";
        }
        times.push_back(best);
    }
    std::sort(times.begin(), times.end());
    out << QStringLiteral("%1, pick list of 100,000 suppliers: first page after a key in %2 ms median, %3 ms for the "
                          "slowest key (best of 3 each; target < 50)\n")
               .arg(backend).arg(times[times.size() / 2], 0, 'f', 1).arg(times.back(), 0, 'f', 1);
}

} // namespace

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    ScriptedDesktopServices desktop;
    host::KitHostServices services(desktop);
    // The whole tree loads, also once a round has added its products.
    desktop.setSetting(QStringLiteral("zeva"), QStringLiteral("settings"), QStringLiteral("zeva"), QStringLiteral("100000"));
    QString error;
    {
        QTemporaryDir folder;
        auto sqlite = host::SqlHostDatabase::openSqlite(folder.filePath(QStringLiteral("bench.sqlite")), &error);
        if (!sqlite)
            qFatal("SQLite: %s", qPrintable(error));
        saves(out, QStringLiteral("SQLite"), *sqlite, services);
        pickList(out, QStringLiteral("SQLite"), *sqlite);
    }
    if (argc > 1 && qstrcmp(argv[1], "--sqlite") == 0)
        return 0;
    host::ScratchPostgres scratch;
    auto postgres = bench::openPostgres(scratch, &error);
    if (!postgres) {
        out << "PostgreSQL: " << error << "\n";
        return 1;
    }
    saves(out, QStringLiteral("PostgreSQL"), *postgres, services);
    pickList(out, QStringLiteral("PostgreSQL"), *postgres);
    return 0;
}
