#pragma once
// The category and product tree of the catalogue: categories of pdmcplb nested by the
// code rule, products under their categories, loaded in full or, past the per-user
// limit, category by category when the user expands one.
//
// Needs: the tree helper hooked to TV, the session's database, the host's code rule and
// the form's configuration. Raises, through `events`: ErrMessage for every failure and
// duplicate code, Message with the count of an expansion, FormRefreshed after a refresh.

#include "formconfig.h"

#include <QString>

namespace zeva {

class CodeRule;
class DesktopServices;
class FormControl;
class HostDatabase;
class TreeNode;
class cTreeView;

struct CatalogueTree {
    cTreeView &tree;
    CodeRule &codeRule;
    const FormConfig &config;
    DesktopServices &desktop;   // lets events run between rows
    FormControl &events;
};

// Rebuilds the whole tree (IFormUI_Refresh) with at most `fullLoadLimit` products loaded
// at once. False after a reported error.
bool refreshTree(const CatalogueTree &catalogue, HostDatabase &db, int fullLoadLimit);

// The tree's expand event: loads a category's products in place of its placeholder, or
// reports how many products it has.
void expandCategory(const CatalogueTree &catalogue, HostDatabase &db, TreeNode *node);

// True when a node of the tree has exactly this key (case-sensitive).
bool FindNodeByKey(const cTreeView &tree, const QString &key);

// The full-load limit: the per-user setting "zeva" in section "settings" of the login's
// settings key, 1000 by default and without a key.
int fullLoadLimit(DesktopServices &desktop, const QString &settingsKey);

} // namespace zeva
