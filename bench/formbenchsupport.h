#pragma once
// What the form's benchmarks share: the first category of a lazy tree (other than one) still
// waiting for its products, and the statements that show a product's record, run bare.

#include "hostdatabase.h"
#include "recorddisplay.h"
#include "treecontrol.h"

namespace zeva::bench {

// Runs a query and reads every value of every row, as the limit of any loader.
inline void readAllRows(HostDatabase &db, const QString &sql)
{
    auto rs = db.Prepare(sql, 1)->OpenRecordset();
    for (; !rs->IsEOF(); rs->MoveNext()) {
        for (int c = 0; c < rs->fieldCount(); ++c)
            (void)rs->Fields(rs->fieldName(c)).Value().toText();
    }
    db.Release();
}

inline const QString kProductsWithCategories = QStringLiteral(
    "SELECT PDMZEVA.产品ID, PDMZEVA.物品编码, PDMZEVA.物品名称,PDMZEVA.产品类别ID , PDMCPLB.类别编码 FROM PDMZEVA "
    "  INNER JOIN PDMCPLB ON PDMZEVA.产品类别ID = PDMCPLB.类别ID");

// A lazy refresh's statements: the categories, the count of products, the categories that hold some.
inline void bareLazyRefresh(HostDatabase &db)
{
    readAllRows(db, QStringLiteral("select * from pdmcplb  order by 级次,类别编码"));
    readAllRows(db, QStringLiteral("SELECT Count(产品ID) From (") + kProductsWithCategories + QStringLiteral(") a "));
    readAllRows(db, QStringLiteral(" select distinct 类别编码 FROM (") + kProductsWithCategories
                        + QStringLiteral(") a ORDER BY 类别编码 "));
}

// An expansion's statement: the category's products in code order.
inline void bareExpansion(HostDatabase &db, const QString &categoryId)
{
    readAllRows(db, QStringLiteral("SELECT 类别编码,物品编码,物品名称,产品ID FROM vtPDMZEVAX  WHERE 产品类别ID =") + categoryId
                        + QStringLiteral("  ORDER BY 物品编码 "));
}

inline TreeNode *firstWaitingCategory(TreeControl &tree, const TreeNode *except = nullptr)
{
    for (TreeNode *node : tree.Nodes()) {
        if (node != except && node->children() == 1 && node->child()->tag().toString() == QStringLiteral("waiting"))
            return node;
    }
    return nullptr;
}

// The product with its looked-up names, then its BOM and routing marks, as a selection
// shows them.
inline void readShownProduct(HostDatabase &db, int productId)
{
    (void)readProduct(db, productId);
    const QString id = QString::number(productId);
    (void)db.Prepare(QStringLiteral("select top 1 BomID FROM PDMbom where smark='02' and 是否标准=1 and 是否失效=0 and 产品ID=")
                         + id, 1)->GetValue();
    (void)db.Prepare(QStringLiteral("select top 1 ID FROM PDMSRLX where 是否标准=1 and 是否失效=0 and 产品ID=") + id, 1)->GetValue();
}

} // namespace zeva::bench
