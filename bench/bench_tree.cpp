// The tree with 100,000, 200,000 and 1,000,000 nodes (1,000 categories, products under
// them), filled through cTreeView::NodeAdd with repaint suspended as the catalogue fills
// it; then a key look-up per node, a NodeFind that visits every node, and ClearTreeView.
// The yardstick is the same inserts into a bare QStandardItemModel under a QTreeView, in
// the same run. Each figure is the best of five rounds, the sizes taking turns. Targets:
// every figure grows linearly (200,000 costs at most 2.3x 100,000; adding 1,000,000 at
// most 11x 100,000) and adding costs at most the bare inserts.
//
// The tree's own key index is then set beside QHash and std::unordered_map over the same
// nodes' keys (adding with the test for a taken key, looking every key up, clearing): it
// is kept only while it costs less than either.

#include "benchprocess.h"
#include "ctreeview.h"
#include "scripteddesktopservices.h"
#include "treekeyindex_p.h"

#include <QApplication>
#include <QHash>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>

using namespace zeva;

namespace {

constexpr int kCategories = 1000;
constexpr int kRounds = 5;
constexpr int kFindRepeats = 10;   // one search takes a few milliseconds

// Products come ordered by category, as the catalogue's query returns them.
int categoryOf(int product, int products) { return int(qint64(product) * kCategories / products); }

QString categoryKey(int c) { return QStringLiteral("k%1").arg(c, 4, 10, QLatin1Char('0')); }
QString productKey(int p) { return QStringLiteral("w%1").arg(p, 7, 10, QLatin1Char('0')); }

// The CPU time of this thread: the machine is shared, and time spent waiting for a core
// is no cost of the tree's.
class CpuTimer {
public:
    void start() { m_start = now(); }
    double elapsedMs() const { return (now() - m_start) / 1e6; }

private:
    static double now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
    }
    double m_start = 0;
};

struct Figures {
    double add = std::numeric_limits<double>::max(), lookup = add, find = add, clear = add, bare = add;
};

double best(const std::function<double()> &round)
{
    double result = std::numeric_limits<double>::max();
    for (int i = 0; i < kRounds; ++i)
        result = std::min(result, round());
    return result;
}

// One size of tree: the fill through the helper, and the same inserts into a bare model.
class TreeRun {
public:
    explicit TreeRun(int nodes) : m_nodes(nodes), m_products(nodes - kCategories - 1), m_helper(m_services)
    {
        m_tree.resize(300, 600);
        m_tree.show();
        m_helper.HookCtrl(&m_tree);
    }

    double fill()
    {
        m_helper.ClearTreeView();
        m_timer.start();
        m_helper.Redraw(false);
        m_helper.NodeAdd({}, tvwLast, QStringLiteral("k"), QStringLiteral("产品类别"), {}, {}, 1, false, false,
                         false, true);
        for (int c = 0; c < kCategories; ++c)
            m_helper.NodeAdd(QStringLiteral("k"), tvwChild, categoryKey(c), QStringLiteral("%1  类别").arg(c), 1, 2, c);
        for (int p = 0; p < m_products; ++p)
            m_helper.NodeAdd(categoryKey(categoryOf(p, m_products)), tvwChild, productKey(p),
                             QStringLiteral("P%1  产品").arg(p), 5, {}, p);
        m_helper.Redraw(true);
        return m_timer.elapsedMs();
    }

    double bare()
    {
        QStandardItemModel model;
        QTreeView view;
        view.setModel(&model);
        view.setUniformRowHeights(true);
        view.resize(300, 600);
        view.show();
        m_timer.start();
        view.setUpdatesEnabled(false);
        auto *root = new QStandardItem(QStringLiteral("产品类别"));
        model.appendRow(root);
        std::vector<QStandardItem *> categories;
        for (int c = 0; c < kCategories; ++c) {
            auto *item = new QStandardItem(QStringLiteral("%1  类别").arg(c));
            item->setData(categoryKey(c), Qt::UserRole + 1);
            root->appendRow(item);
            categories.push_back(item);
        }
        for (int p = 0; p < m_products; ++p) {
            auto *item = new QStandardItem(QStringLiteral("P%1  产品").arg(p));
            item->setData(productKey(p), Qt::UserRole + 1);
            categories[size_t(categoryOf(p, m_products))]->appendRow(item);
        }
        view.setUpdatesEnabled(true);
        const double ms = m_timer.elapsedMs();
        view.setModel(nullptr);
        return ms;
    }

    // Look-ups, searches and clearing, on the tree as the last fill left it.
    void measureTheRest(Figures &f)
    {
        f.lookup = best([&] {
            m_timer.start();
            int found = 0;
            for (int p = 0; p < m_products; ++p)
                found += m_tree.Nodes().item(productKey(p)) != nullptr;
            for (int c = 0; c < kCategories; ++c)
                found += m_tree.Nodes().item(categoryKey(c)) != nullptr;
            if (found != m_nodes - 1)
                std::fprintf(stderr, "look-up found %d of %d\n", found, m_nodes - 1);
            return m_timer.elapsedMs();
        });
        f.find = best([&] {
            // Shorter than every text and found in none: each text is really searched.
            QString text = QStringLiteral("产品9");
            m_timer.start();
            for (int i = 0; i < kFindRepeats; ++i) {
                if (m_helper.NodeFind(nullptr, &text))
                    std::fprintf(stderr, "NodeFind found a node it should not\n");
            }
            return m_timer.elapsedMs() / kFindRepeats;
        });
        f.clear = best([&] {
            if (m_tree.Nodes().count() == 0)
                fill();
            m_timer.start();
            m_helper.ClearTreeView();
            return m_timer.elapsedMs();
        });
    }

private:
    int m_nodes;
    int m_products;
    ScriptedDesktopServices m_services;
    TreeControl m_tree;
    cTreeView m_helper;
    CpuTimer m_timer;
};

// Every size's fill and bare inserts take turns round by round, so that a busy spell of
// the machine falls on all of them alike rather than on one size's rounds.
std::vector<Figures> measure(const std::vector<int> &sizes)
{
    std::vector<std::unique_ptr<TreeRun>> runs;
    for (int nodes : sizes)
        runs.push_back(std::make_unique<TreeRun>(nodes));
    std::vector<Figures> figures(sizes.size());
    for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < runs.size(); ++i) {
            figures[i].add = std::min(figures[i].add, runs[i]->fill());
            figures[i].bare = std::min(figures[i].bare, runs[i]->bare());
        }
    }
    for (size_t i = 0; i < runs.size(); ++i)
        runs[i]->measureTheRest(figures[i]);
    return figures;
}

// The three key indexes behind one face.
struct OwnIndex {
    TreeKeyIndex index{[](const TreeNode *node) -> const QString & { return node->key(); }};
    void insert(TreeNode *node)
    {
        bool taken = false;
        const std::size_t slot = index.prepare(node->key(), &taken);
        if (!taken)
            index.fill(slot, node);
    }
    TreeNode *find(const QString &key) const { return index.find(key); }
    void clear() { index.clear(); }
};

struct QtHashIndex {
    QHash<QString, TreeNode *> map;
    void insert(TreeNode *node)
    {
        TreeNode *&slot = map[node->key()];
        if (!slot)
            slot = node;
    }
    TreeNode *find(const QString &key) const { return map.value(key); }
    void clear() { map.clear(); }
};

struct StdMapIndex {
    std::unordered_map<QString, TreeNode *> map;
    void insert(TreeNode *node) { map.try_emplace(node->key(), node); }
    TreeNode *find(const QString &key) const
    {
        const auto it = map.find(key);
        return it == map.end() ? nullptr : it->second;
    }
    void clear() { map.clear(); }
};

struct IndexFigures {
    double add = std::numeric_limits<double>::max(), lookup = add, clear = add;
    double total() const { return add + lookup + clear; }
};

template <typename Index>
IndexFigures measureIndex(const std::vector<TreeNode *> &nodes)
{
    IndexFigures f;
    CpuTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        Index index;
        timer.start();
        for (TreeNode *node : nodes)
            index.insert(node);
        f.add = std::min(f.add, timer.elapsedMs());
        timer.start();
        std::size_t found = 0;
        for (TreeNode *node : nodes)
            found += index.find(node->key()) == node;
        f.lookup = std::min(f.lookup, timer.elapsedMs());
        if (found != nodes.size())
            std::fprintf(stderr, "key index found %zu of %zu\n", found, nodes.size());
        timer.start();
        index.clear();
        f.clear = std::min(f.clear, timer.elapsedMs());
    }
    return f;
}

struct IndexComparison {
    IndexFigures own, qhash, stdmap;
};

// The keys of the fill above, held by real nodes as in the tree.
IndexComparison compareIndexes(int nodes)
{
    const int products = nodes - kCategories - 1;
    TreeModel model;
    std::vector<TreeNode *> keyed;
    keyed.push_back(model.add({}, tvwLast, QStringLiteral("k"), QStringLiteral("产品类别")));
    for (int c = 0; c < kCategories; ++c)
        keyed.push_back(model.add(QStringLiteral("k"), tvwChild, categoryKey(c), QString()));
    for (int p = 0; p < products; ++p)
        keyed.push_back(model.add(categoryKey(categoryOf(p, products)), tvwChild, productKey(p), QString()));
    return {measureIndex<OwnIndex>(keyed), measureIndex<QtHashIndex>(keyed), measureIndex<StdMapIndex>(keyed)};
}

void printIndex(const char *name, const IndexFigures &small, const IndexFigures &large)
{
    std::printf("  %-20s %7.1f %7.1f   %7.1f %7.1f   %7.1f %7.1f\n", name, small.add, large.add, small.lookup,
                large.lookup, small.clear, large.clear);
}

bool check(const char *what, double ratio, double limit)
{
    const bool ok = ratio <= limit;
    std::printf("  %-34s %6.2fx  (target <= %.1fx)  %s\n", what, ratio, limit, ok ? "ok" : "MISSED");
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);

    const std::vector<Figures> figures = measure({100000, 200000, 1000000});
    const Figures &small = figures[0], &large = figures[1], &million = figures[2];
    std::printf("tree, best of %d rounds, milliseconds\n", kRounds);
    std::printf("  %-28s %10s %10s\n", "", "100,000", "200,000");
    std::printf("  %-28s %10.1f %10.1f\n", "NodeAdd (repaint suspended)", small.add, large.add);
    std::printf("  %-28s %10.1f %10.1f\n", "key look-up per node", small.lookup, large.lookup);
    std::printf("  %-28s %10.1f %10.1f\n", "NodeFind over every node", small.find, large.find);
    std::printf("  %-28s %10.1f %10.1f\n", "ClearTreeView", small.clear, large.clear);
    std::printf("  %-28s %10.1f %10.1f\n", "bare QStandardItemModel", small.bare, large.bare);
    bool ok = true;
    ok &= check("NodeAdd 200k / 100k", large.add / small.add, 2.3);
    ok &= check("look-up 200k / 100k", large.lookup / small.lookup, 2.3);
    ok &= check("NodeFind 200k / 100k", large.find / small.find, 2.3);
    ok &= check("ClearTreeView 200k / 100k", large.clear / small.clear, 2.3);
    ok &= check("NodeAdd 100k / bare inserts 100k", small.add / small.bare, 1.0);
    std::printf("  1,000,000 nodes: NodeAdd %.1f, bare QStandardItemModel %.1f, ClearTreeView %.1f\n", million.add,
                million.bare, million.clear);
    ok &= check("NodeAdd 1M / 100k", million.add / small.add, 11.0);
    ok &= check("NodeAdd 1M / bare inserts 1M", million.add / million.bare, 1.0);

    const IndexComparison small2 = compareIndexes(100000);
    const IndexComparison large2 = compareIndexes(200000);
    std::printf("key index, best of %d rounds, milliseconds, 100,000 and 200,000 keys\n", kRounds);
    std::printf("  %-20s %15s   %15s   %15s\n", "", "add", "look-up", "clear");
    printIndex("TreeKeyIndex", small2.own, large2.own);
    printIndex("QHash", small2.qhash, large2.qhash);
    printIndex("std::unordered_map", small2.stdmap, large2.stdmap);
    ok &= check("TreeKeyIndex / QHash 200k", large2.own.total() / large2.qhash.total(), 1.0);
    ok &= check("TreeKeyIndex / unordered_map 200k", large2.own.total() / large2.stdmap.total(), 1.0);
    return ok ? 0 : 1;
}
