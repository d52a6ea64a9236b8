#pragma once
// The three low-level tree services the helper needs, done on TreeControl directly:
// removing every node at once, marking a node as cut, and suspending repaint.

namespace zeva {

class TreeControl;
class TreeNode;

namespace mTreeView {

// Removes every node in one model reset, not node by node. Nothing for a null tree.
void ClearAllNodes(TreeControl *tree);
// Draws `node` ghosted (cut) or normally; false for a null tree or node, or a node of
// another tree.
bool SetNodeCut(TreeControl *tree, TreeNode *node, bool cut);
// Suspends (false) or resumes (true) the tree's repainting; see TreeControl::setRedraw.
void SetRedraw(TreeControl *tree, bool enabled);

} // namespace mTreeView
} // namespace zeva
