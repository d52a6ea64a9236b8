#pragma once
// The statements that write a product, from the record on the form: the product row
// (insert for a new product, update for an existing one, which leaves its category alone)
// and the supplementary row's insert. Text values are trimmed (the units are not) and
// placed between single quotes with their quotes doubled, so no entry changes a
// statement's shape; numbers are the leading numbers of their texts in plain decimals
// ("" -> 0, "12.50" -> 12.5); check marks are 0, 1 or 2; coded fields give their key.

#include "productrecord.h"

#include <QString>

namespace zeva {

QString productInsert(const ProductRecord &record, int productId, int categoryId);
QString productUpdate(const ProductRecord &record, int productId);
QString supplementInsert(const ProductRecord &record, int productId);

// A field's value as the statements write it: text (quoted or not), number, key.
QString textValue(const ProductRecord &record, Field field);   // trimmed, quotes doubled
QString numberValue(const ProductRecord &record, Field field);

} // namespace zeva
