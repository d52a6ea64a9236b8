#pragma once
// The category and product tree of the catalogue: categories of pdmcplb nested by the
// code rule, products under their categories, loaded in full or, past the per-user
// limit, category by category when the user expands one.

#include <QString>

namespace zeva {

struct FormState;
class TreeNode;

// Rebuilds the whole tree (IFormUI_Refresh). False after a reported error.
bool refreshTree(FormState &state);

// The tree's expand event: loads a category's products in place of its placeholder, or
// reports how many products it has.
void expandCategory(FormState &state, TreeNode *node);

// True when a node of the tree has exactly this key (case-sensitive).
bool FindNodeByKey(const FormState &state, const QString &key);

// The full-load limit: the per-user setting "zeva" in section "settings" of the login's
// settings key, 1000 by default and without a key.
int fullLoadLimit(const FormState &state);

} // namespace zeva
