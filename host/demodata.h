#pragma once
// The demo catalogue of a small machine maker, and a generator of large catalogues for
// benchmarks. Both start from an empty schema: they drop and recreate it first.

#include "sqlhostdatabase.h"

namespace zeva::host {

// Categories on three levels (code rule "2-2-3", some not detail-level), about 300
// products with units, suppliers (disabled, non-detail and non-supplier partners among
// them), salesmen, standard and non-standard routings, product sources and purchase modes,
// BOM heads and lines, stock-ledger rows, program records and the upload limits.
[[nodiscard]] bool installDemoData(SqlHostDatabase &db, QString *error = nullptr);

// `products` products spread evenly over `categories` detail-level categories (two levels),
// with the demo's reference tables. Answers false with the reason in `error`.
[[nodiscard]] bool installGeneratedCatalogue(SqlHostDatabase &db, int products, int categories,
                                             QString *error = nullptr);

// The number of products of the demo catalogue.
int demoProductCount();

} // namespace zeva::host
