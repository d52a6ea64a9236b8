#include "mtreeview.h"

#include "treecontrol.h"

namespace zeva::mTreeView {

void ClearAllNodes(TreeControl *tree)
{
    if (tree)
        tree->Nodes().clear();
}

bool SetNodeCut(TreeControl *tree, TreeNode *node, bool cut)
{
    if (!tree || !tree->Nodes().contains(node))
        return false;
    tree->Nodes().setCut(node, cut);
    return true;
}

void SetRedraw(TreeControl *tree, bool enabled)
{
    if (tree)
        tree->setRedraw(enabled);
}

} // namespace zeva::mTreeView
