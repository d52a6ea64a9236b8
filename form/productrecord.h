#pragma once
// One product as the record shows it: every field's text and key value, the check marks
// and the ABC class. Read from the database by the record display, put into the form's
// controls by one function, and read back from them by the editing routines.

#include "recordfields.h"

#include <QString>

#include <array>

namespace zeva {

struct FieldValue {
    QString text;
    QString key;   // coded fields: the ID behind the text; empty where the record has none
};

struct ProductRecord {
    int productId = 0;
    int categoryId = 0;
    QString categoryName;
    std::array<FieldValue, kFieldCount> fields;
    std::array<int, 3> checks{};   // check values (0 off, 1 on, 2 greyed), in recordChecks() order
    QString abc;                   // "A", "B", "C", or anything else for none
    bool hasSupplement = false;    // the PDMZEVAB row exists; without it those fields stay as they are

    FieldValue &operator[](Field field) { return fields[fieldIndex(field)]; }
    const FieldValue &operator[](Field field) const { return fields[fieldIndex(field)]; }
};

} // namespace zeva
