#pragma once
// What the user has selected in the tree, as the form's routines read it: the kind of
// node, the shown product's key, its category, and the node's key. The form holds one;
// the hidden labels lbl(0), lbl(1), lbl(2) and lbl(4) are written from it for hosts
// that read them.

#include <QString>

namespace zeva {

struct Selection {
    enum class Kind { None, Root, Category, Product };

    Kind kind = Kind::None;
    int productId = 0;        // the shown product's 产品ID; 0 for none, and while a new record is unsaved
    int categoryId = 0;       // the selected category, or the shown product's
    QString categoryName;
    QString nodeKey;

    // "r", "k", "w", or "" before the first selection: the letter lbl(2) shows.
    QString kindLetter() const
    {
        switch (kind) {
        case Kind::Root: return QStringLiteral("r");
        case Kind::Category: return QStringLiteral("k");
        case Kind::Product: return QStringLiteral("w");
        case Kind::None: break;
        }
        return {};
    }
    bool isProduct() const { return kind == Kind::Product; }
};

} // namespace zeva
