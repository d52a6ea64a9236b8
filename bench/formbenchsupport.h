#pragma once
// What the form's benchmarks share: the first category of a lazy tree still waiting for its
// products, and the statements that show a product's record, run bare.

#include "hostdatabase.h"
#include "recorddisplay.h"
#include "treecontrol.h"

namespace zeva::bench {

inline TreeNode *firstWaitingCategory(TreeControl &tree)
{
    for (TreeNode *node : tree.Nodes()) {
        if (node->children() == 1 && node->child()->tag().toString() == QStringLiteral("waiting"))
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
