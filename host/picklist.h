#pragma once
// The host's pick lists for coded fields, by the field's help_code: (code, name) rows of
// the lookup table in code order, restricted as the field's own query restricts (only
// enabled detail suppliers, only standard routings, the purchase modes of the catalogue's
// attribute set), filtered by a text that the code or the name contains, without regard to
// case. A page at a time: the list is fetched as the user types, never all at once.

#include "sqlhostdatabase.h"

#include <QList>
#include <QString>

namespace zeva::host {

struct PickRow {
    QString code;   // what is typed into the field: its query finds the row by it
    QString name;
};

// Whether the host has a list for `helpCode` (gy_jldw, zeva_lx, zeva_cg, hp_provide,
// gy_srlxname, hp_ywy).
bool hasPickList(const QString &helpCode);

// At most `limit` rows; an empty list, and the database's last error set, on failure.
QList<PickRow> pickRows(SqlHostDatabase &db, const QString &helpCode, const QString &filter, int limit = 200);

} // namespace zeva::host
