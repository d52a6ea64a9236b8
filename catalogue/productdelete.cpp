#include "productdelete.h"

#include "ctreeview.h"
#include "desktopservices.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "hostsystem.h"
#include "messagetitles.h"
#include "treecontrol.h"
#include "values.h"

namespace zeva {

namespace {


struct Failed {
    QString description;
};

struct Use {
    const char *sql;
    const char *warning;
    const char *logLine;
};

const Use kUses[] = {
    {"SELECT 产品ID FROM PdmBom Where 产品ID = ", "在物料清单（BOM）的组成中，已经有该产品的BOM结构，删除后可能引起错误！",
     "物料清单中，已经有产品物料清单，但被强制删除,用户名："},
    {"SELECT count(配件ID) FROM PdmBommx Where 配件ID = ", "在物料清单（BOM）的组成中，已经有产品使用了该物料，删除后可能引起BOM混乱！",
     "物料清单中，已经有产品使用了该物料，但被强制删除,用户名："},
    {"SELECT top 1 产品ID FROM jxcgoodszztz Where 产品ID = ", "在物料总帐中，已经有产品使用了该物料，删除后可能引起物品总帐数据丢失！",
     "物料总帐中，已经有产品使用了该物料，但被强制删除,用户名："},
};

struct Deletion {
    const char *sql;
    const char *failure;
    const char *success;     // + ID caption + separator + count
    const char *separator;
};

const Deletion kDeletions[] = {
    {"DELETE FROM pubWLPrice WHERE 产品ID =", "删除往来单价数据时出错：", "成功删除往来单价数据,产品ID号=", "记录数："},
    {"DELETE FROM pdmZevaAttach WHERE 产品ID = ", "删除数据时出错：", "成功删除数据的附属图片,产品ID号=", "记录数："},
    {"delete from pdmzevaB where 产品ID=", "删除数据时出错：", "成功删除数据附表(PDMZEVAB,产品ID号=", " 记录数="},
    {"delete from pdmzeva where 产品ID=", "删除数据时出错：", "成功删除数据,产品ID号=", " 记录数="},
};

bool confirmed(const ProductDelete &d, const QString &text, const QString &title)
{
    return d.desktop.messageBox(text, DesktopServices::YesNo | DesktopServices::Question, title) == DesktopServices::Yes;
}

void log(const ProductDelete &d, const QString &line, const QString &title)
{
    emit d.events.ErrMessage(line, 1, title);
}

bool run(const ProductDelete &d)
{
    TreeControl *tree = d.tree.ctrl();
    TreeNode *node = tree ? tree->selectedItem() : nullptr;
    if (!d.tree.IsSelected() || !node) {
        d.desktop.messageBox(QStringLiteral("无选择项目,不能进行删除!    "), DesktopServices::Information, kPrompt);
        return false;
    }
    if (d.selection.kind != Selection::Kind::Product) {
        d.desktop.messageBox(QStringLiteral("该节点为分类节点,不能删除!"), DesktopServices::Information, kPrompt);
        return false;
    }
    HostDatabase &db = *d.db;
    const QString id = QString::number(d.selection.productId);
    for (const Use &use : kUses) {
        const double found = leadingNumber(db.Prepare(QString::fromUtf8(use.sql) + id, 1)->GetValue().toText());
        if (const QString error = db.LastError().Description(); !error.isEmpty())
            throw Failed{error};
        if (found <= 0)
            continue;
        if (!confirmed(d, QString::fromUtf8(use.warning) + QStringLiteral("\n\n确认删除此记录？"), QStringLiteral("确认删除？")))
            return false;
        log(d, QString::fromUtf8(use.logLine) + d.system.Login().UserName, kApplicationTitle);
    }
    if (!confirmed(d, QStringLiteral("是否删除当前记录:") + node->text(), kApplicationTitle))
        return false;

    if (!db.BeginTrans())
        throw Failed{db.LastError().Description()};
    for (const Deletion &deletion : kDeletions) {
        qint64 count = 0;
        (void)db.Prepare(QString::fromUtf8(deletion.sql) + id, 1)->Execute(&count);
        if (const QString error = db.LastError().Description(); !error.isEmpty()) {
            db.RollbackTrans();
            log(d, QString::fromUtf8(deletion.failure) + error, kTitle);
            return false;
        }
        log(d, QString::fromUtf8(deletion.success) + id + QString::fromUtf8(deletion.separator) + QString::number(count),
            kApplicationTitle);
    }
    if (!db.CommitTrans()) {
        const QString error = db.LastError().Description();
        db.RollbackTrans();   // nothing of the four tables half gone
        throw Failed{error};
    }
    d.tree.NodeDelete(node, true);
    d.tree.ReSelectItem();
    return true;
}

} // namespace

bool deleteProduct(const ProductDelete &d)
{
    try {
        return run(d);
    } catch (const Failed &failure) {
        emit d.events.ErrMessage(QStringLiteral("删除时出错，请检查,原因:") + failure.description, 8, kTitle);
        return false;
    }
}

} // namespace zeva
