// The catalogue tree against its limit: Refresh (full load of 1,000 products, lazy load of
// 200,000) and the expansion of a category of 10,000 products, each against the bare time
// of the same queries through the host database object reading every row.
#include "benchprocess.h"
#include "benchsupport.h"
#include "cataloguetree.h"
#include "demodata.h"
#include "drawingcontrol.h"
#include "formbenchsupport.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "schema.h"
#include "scripteddesktopservices.h"
#include "sqlhostdatabase.h"
#include "treecontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace zeva;
using bench::medianMs;

namespace {

struct Catalogue {
    QTemporaryDir dir;
    std::shared_ptr<host::SqlHostDatabase> db;
    std::unique_ptr<ScriptedDesktopServices> desktop;
    std::unique_ptr<host::KitHostServices> services;
    std::shared_ptr<host::KitHostSystem> system;
    std::unique_ptr<DrawingControl> form;

    Catalogue(int products, int categories)
    {
        QString error;
        db = host::SqlHostDatabase::openSqlite(dir.filePath(QStringLiteral("bench.db")), &error);
        if (!db || !host::installGeneratedCatalogue(*db, products, categories, &error))
            qFatal("cannot make the catalogue: %s", qPrintable(error));
        desktop = std::make_unique<ScriptedDesktopServices>();
        services = std::make_unique<host::KitHostServices>(*desktop);
        system = std::make_shared<host::KitHostSystem>(db);
        form = std::make_unique<DrawingControl>(services.get());
        form->IFormUI_Init(system, 200008);
    }
};

} // namespace

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    out << "catalogue tree: median ms, form / bare reading of the same queries\n";

    {
        Catalogue small(1000, 50);
        HostDatabase &db = *small.db;
        const double form = medianMs(15, [&] { small.form->IFormUI_Refresh(); });
        const double bare = medianMs(15, [&] {
            bench::readAllRows(db, QStringLiteral("select * from pdmcplb  order by 级次,类别编码"));
            bench::readAllRows(db, QStringLiteral("SELECT Count(产品ID) From (") + bench::kProductsWithCategories + QStringLiteral(") a "));
            bench::readAllRows(db, QStringLiteral(" SELECT 类别编码,物品编码,物品名称,产品ID FROM (") + bench::kProductsWithCategories
                            + QStringLiteral(") a ORDER BY 类别编码, 物品编码 "));
        });
        out << QStringLiteral("refresh, 1,000 products (full load):   %1 ms / %2 ms = %3x\n")
                   .arg(form, 0, 'f', 1).arg(bare, 0, 'f', 1).arg(form / bare, 0, 'f', 2);
    }
    if (argc > 1 && qstrcmp(argv[1], "--small") == 0)
        return 0;
    {
        Catalogue large(200000, 20);
        HostDatabase &db = *large.db;
        const double form = medianMs(3, [&] { large.form->IFormUI_Refresh(); });
        const double bare = medianMs(3, [&] { bench::bareLazyRefresh(db); });
        out << QStringLiteral("refresh, 200,000 products (lazy):      %1 ms / %2 ms = %3x\n")
                   .arg(form, 0, 'f', 1).arg(bare, 0, 'f', 1).arg(form / bare, 0, 'f', 2);

        // The first detail category holds 10,000 products: expand it after each refresh.
        TreeControl *tree = large.form->state().controls.TV;
        TreeNode *category = bench::firstWaitingCategory(*tree);
        if (!category)
            qFatal("no lazy category");
        const QString key = category->key();
        const QString tag = category->tag().toString();
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            large.form->IFormUI_Refresh();
            TreeNode *node = tree->Nodes().item(key);
            QElapsedTimer timer;
            timer.start();
            emit tree->nodeExpand(node);   // the form's handler of a user's expansion
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        const double expand = bench::median(times);
        const int loaded = tree->Nodes().item(key)->children();
        const double bareExpand = medianMs(3, [&] { bench::bareExpansion(db, tag); });
        out << QStringLiteral("expand a category of %1 products:  %2 ms / %3 ms = %4x\n")
                   .arg(loaded).arg(expand, 0, 'f', 1).arg(bareExpand, 0, 'f', 1).arg(expand / bareExpand, 0, 'f', 2);
    }
    return 0;
}
