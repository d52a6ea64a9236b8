#include "cataloguetree.h"

#include "ctreeview.h"
#include "coderule.h"
#include "desktopservices.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "messagetitles.h"
#include "treecontrol.h"
#include "values.h"

#include <QScrollBar>
#include <QStringBuilder>

namespace zeva {

namespace {

const QString kRefreshFailed = QStringLiteral("刷新数据时出错：");
const QString kExpandFailed = QStringLiteral("操作时出现错误：");
const QString kWaiting = QStringLiteral("waiting");
constexpr int kCategoryImage = 1;
constexpr int kCategorySelectedImage = 2;
constexpr int kProductImage = 5;

QString productBaseQuery(const QString &filterList)
{
    QString q = QStringLiteral("SELECT PDMZEVA.产品ID, PDMZEVA.物品编码, PDMZEVA.物品名称,")
        + QStringLiteral("PDMZEVA.产品类别ID , PDMCPLB.类别编码")
        + QStringLiteral(" FROM PDMZEVA ")
        + QStringLiteral(" INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID");
    if (!filterList.isEmpty())
        q += QStringLiteral(" WHERE PDMCPLB.对应科目编号 IN (") + filterList + u')';
    return q;
}

// The columns of a product result, looked up once per result rather than once per row.
struct ProductColumns {
    explicit ProductColumns(HostRecordset &rs)
        : category(rs.Fields(QStringLiteral("类别编码"))), code(rs.Fields(QStringLiteral("物品编码"))),
          name(rs.Fields(QStringLiteral("物品名称"))), id(rs.Fields(QStringLiteral("产品ID")))
    {
    }
    HostField category, code, name, id;

    // Rows come grouped by category: the parent's key is made once per group.
    const QVariant &parentKey()
    {
        const QString raw = category.Value().toText();
        if (raw != m_lastCategory || !m_parentKey.isValid()) {
            m_lastCategory = raw;
            m_parentKey = QString(QStringLiteral("k") + trimSpaces(raw));
        }
        return m_parentKey;
    }

private:
    QString m_lastCategory;
    QVariant m_parentKey;
};

// Adds the product of the current row under its category. A code whose key is taken is
// reported and tried again with "****" in front, as often as it takes.
bool addProduct(const CatalogueTree &state, ProductColumns &row, const QString &failurePrefix)
{
    const QVariant &category = row.parentKey();
    QString code = trimSpaces(row.code.Value().toText());
    const QString name = row.name.Value().toText();
    const QVariant id = row.id.Value().toVariant();
    for (;;) {
        // Built with QStringBuilder: one allocation per text on a path taken for every row.
        QString key = QLatin1Char('w') % code, text = code % QLatin1String("  ") % name;
        if (state.tree.NodeAdd(category, tvwChild, std::move(key), std::move(text),
                                kProductImage, QVariant(), id))
            return true;
        if (state.tree.NodeAddError() != TreeModel::KeyNotUnique) {
            emit state.events.ErrMessage(failurePrefix + state.tree.NodeAddErrorText(), 8, kTitle);
            return false;
        }
        emit state.events.ErrMessage(failurePrefix + QStringLiteral("物品编码[") + code
                                        + QStringLiteral("]有重复,加载的物品编码改为：[****") + code + u']',
                                    8, kTitle);
        code.prepend(QStringLiteral("****"));
    }
}

// Suspends the tree's repaint and input for a bulk load, and gives both back on every way
// out, as they were: a load in edit mode leaves the tree disabled.
class BulkLoad {
public:
    explicit BulkLoad(const CatalogueTree &state) : m_state(state), m_wasEnabled(state.tree.ctrl()->isEnabled())
    {
        m_state.tree.ctrl()->setEnabled(false);
        m_state.tree.Redraw(false);
    }
    ~BulkLoad()
    {
        m_state.tree.Redraw(true);
        m_state.tree.ctrl()->setEnabled(m_wasEnabled);
    }

private:
    const CatalogueTree &m_state;
    bool m_wasEnabled;
};

// A user's expansion leaves the tree as the user had it: the same node selected, the
// same rows in view and the keyboard in the tree. Loading adds each product as NodeAdd
// does, selecting it, and the bulk load's end would show the last one.
class KeepPlace {
public:
    explicit KeepPlace(TreeControl &tree)
        : m_tree(tree), m_selectedKey(tree.selectedItem() ? tree.selectedItem()->key() : QString()),
          m_scroll(tree.verticalScrollBar()->value()), m_hadFocus(tree.hasFocus())
    {
    }
    ~KeepPlace()
    {
        // A node without a key (a placeholder) cannot be found again, and is gone anyway.
        if (TreeNode *selected = m_selectedKey.isEmpty() ? nullptr : m_tree.Nodes().item(m_selectedKey))
            m_tree.setSelectedItem(selected);
        m_tree.verticalScrollBar()->setValue(m_scroll);
        if (m_hadFocus)
            m_tree.setFocus(Qt::OtherFocusReason);
    }

private:
    TreeControl &m_tree;
    QString m_selectedKey;
    int m_scroll;
    bool m_hadFocus;
};

bool refreshWith(const CatalogueTree &state, HostDatabase &db, int limit)
{
    state.tree.ClearTreeView();
    // One bulk load for the whole tree: selections and scrolls that adding nodes asks
    // for are deferred to its end, where only the root is selected, so the refreshed
    // tree shows its categories collapsed.
    BulkLoad bulk(state);
    state.tree.NodeAdd(QVariant(), tvwNext, QStringLiteral("k"), state.config.formTitle, QVariant(), QVariant(), 1,
                        false, false, false, true);

    const QString categories = state.config.filterList.isEmpty()
        ? QStringLiteral("select * from pdmcplb  order by 级次,类别编码")
        : QStringLiteral("select * from pdmcplb where 对应科目编号 IN (") + state.config.filterList
            + QStringLiteral(") order by 级次,类别编码");
    auto rs = db.Prepare(categories, 1)->OpenRecordset();
    if (const QString error = db.LastError().Description(); !error.isEmpty()) {
        emit state.events.ErrMessage(error, 8, kTitle);
        return false;
    }
    const TreeModel &nodes = state.tree.ctrl()->Nodes();
    for (; !rs->IsEOF(); rs->MoveNext()) {
        const QString code = rs->Fields(QStringLiteral("类别编码")).Value().toText();
        const QString name = rs->Fields(QStringLiteral("类别名称")).Value().toText();
        const QVariant tag = rs->Fields(QStringLiteral("类别ID")).Value().toText();
        const int levels = state.codeRule.LevelCount(code, state.config.codeRuleText);
        for (int i = 1; i <= levels; ++i) {
            // A code longer than the rule has one more level, ending at its full length;
            // the rule itself knows no length for it.
            const int length = state.codeRule.LevelLength(i, state.config.codeRuleText);
            const QString prefix = length > 0 ? code.left(length) : code;
            if (nodes.item(QStringLiteral("k") + prefix))
                continue;
            const QString parent = state.codeRule.ParentCode(prefix, state.config.codeRuleText);
            if (!state.tree.NodeAdd(QStringLiteral("k") + parent, tvwChild, QStringLiteral("k") + prefix,
                                     prefix + QStringLiteral("  ") + name, kCategoryImage, kCategorySelectedImage,
                                     tag)) {
                emit state.events.ErrMessage(kRefreshFailed + state.tree.NodeAddErrorText(), 8, kTitle);
                return false;
            }
        }
    }
    rs->Close();

    const QString q = productBaseQuery(state.config.filterList);
    const qint64 count =
        db.Prepare(QStringLiteral("SELECT Count(产品ID) From (") + q + QStringLiteral(") a "), 1)->GetValue().toInteger();
    if (const QString error = db.LastError().Description(); !error.isEmpty()) {
        emit state.events.ErrMessage(kRefreshFailed + error, 8, kTitle);
        return false;
    }
    if (count > limit) {
        auto codes = db.Prepare(QStringLiteral(" select distinct 类别编码 FROM (") + q
                                    + QStringLiteral(") a ORDER BY 类别编码 "), 1)->OpenRecordset();
        if (const QString error = db.LastError().Description(); !error.isEmpty()) {
            emit state.events.ErrMessage(error, 8, kTitle);
            return false;
        }
        for (; !codes->IsEOF(); codes->MoveNext()) {
            const QString code = trimSpaces(codes->Fields(QStringLiteral("类别编码")).Value().toText());
            if (!state.tree.NodeAdd(QStringLiteral("k") + code, tvwChild, QString(),
                                     QStringLiteral("正在加载数据中,请稍等..."), kProductImage, QVariant(), kWaiting)) {
                emit state.events.ErrMessage(kRefreshFailed + state.tree.NodeAddErrorText(), 8, kTitle);
                return false;
            }
            state.desktop.letEventsRun();
        }
    } else {
        auto products = db.Prepare(QStringLiteral(" SELECT 类别编码,物品编码,物品名称,产品ID FROM (") + q
                                       + QStringLiteral(") a ORDER BY 类别编码, 物品编码 "), 1)->OpenRecordset();
        if (const QString error = db.LastError().Description(); !error.isEmpty()) {
            emit state.events.ErrMessage(error, 8, kTitle);
            return false;
        }
        ProductColumns row(*products);
        for (; !products->IsEOF(); products->MoveNext()) {
            if (!addProduct(state, row, kRefreshFailed))
                return false;
            state.desktop.letEventsRun();
        }
    }
    if (TreeNode *root = nodes.item(QStringLiteral("k")))
        state.tree.ctrl()->setSelectedItem(root);
    return true;
}

} // namespace

int fullLoadLimit(DesktopServices &desktop, const QString &settingsKey)
{
    if (settingsKey.isEmpty())
        return 1000;
    const QString text = desktop.setting(settingsKey, QStringLiteral("settings"), QStringLiteral("zeva"),
                                         QStringLiteral("1000"));
    return int(leadingInteger(text));
}

bool refreshTree(const CatalogueTree &state, HostDatabase &db, int fullLoadLimit)
{
    const bool ok = refreshWith(state, db, fullLoadLimit);
    if (ok) {
        state.tree.ReSelectItem();
        emit state.events.FormRefreshed();
    }
    db.Release();
    return ok;
}

void expandCategory(const CatalogueTree &state, HostDatabase &db, TreeNode *node)
{
    if (!node)
        return;
    if (node->children() == 1 && node->child()->tag().toString() == kWaiting) {
        state.tree.ctrl()->repaint();
        KeepPlace place(*state.tree.ctrl());   // restored after the bulk load ends
        BulkLoad bulk(state);
        state.tree.ctrl()->Nodes().remove(node->child());
        auto rs = db.Prepare(QStringLiteral("SELECT 类别编码,物品编码,物品名称,产品ID FROM vtPDMZEVAX  WHERE 产品类别ID =")
                                 + sqlNumber(leadingNumber(node->tag().toString()))
                                 + QStringLiteral("  ORDER BY 物品编码 "), 1)->OpenRecordset();
        if (const QString error = db.LastError().Description(); !error.isEmpty()) {
            emit state.events.ErrMessage(error, 8, kTitle);
        } else {
            ProductColumns row(*rs);
            bool loaded = true;
            for (; loaded && !rs->IsEOF(); rs->MoveNext())
                loaded = addProduct(state, row, kExpandFailed);
            // A failure other than a taken code ends the routine where it stands.
            if (loaded)
                emit state.events.Message(QStringLiteral("共加载") + QString::number(rs->RecordCount())
                                          + QStringLiteral("条记录"));
        }
    } else {
        const qint64 count = db.Prepare(QStringLiteral("SELECT count(*) FROM vtPDMZEVAX  WHERE 产品类别ID =")
                                            + sqlNumber(leadingNumber(node->tag().toString())), 1)
                                 ->GetValue().toInteger();
        emit state.events.Message(count < 1 ? QString()
                                            : QStringLiteral("共加载") + QString::number(count) + QStringLiteral("条记录"));
    }
    db.Release();
}

bool FindNodeByKey(const cTreeView &tree, const QString &key)
{
    // Keys are unique and indexed: the answer of a walk over every node, at the cost of one look-up.
    return tree.ctrl()->Nodes().item(key) != nullptr;
}

} // namespace zeva
