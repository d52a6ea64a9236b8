#pragma once
// Where Find looks when the tree cannot answer yet: the category of the first product,
// in category and code order, whose code or name contains the search text. Products are
// loaded category by category, so a product may be in the database and not in the tree.
//
// The text goes into the statement as one literal, its single quotes doubled: no text
// can change the statement's shape. `%` and `_` in it keep their LIKE meaning (a wider
// match, as the catalogue has always searched).

#include <QString>

namespace zeva {

class HostDatabase;

// The statement, with the form's category filter list (values as they go inside IN ( ),
// empty for all categories): with a list the product condition extends its WHERE clause,
// without one it joins the ON clause.
QString productCategoryQuery(const QString &filterList, const QString &text);

// The category code (类别编码) of that product: empty when no product matches. On a failing
// statement empty as well, with the database's description in `error` (cleared otherwise).
QString findProductCategory(HostDatabase &db, const QString &filterList, const QString &text, QString &error);

} // namespace zeva
