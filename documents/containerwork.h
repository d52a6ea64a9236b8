#pragma once
// A page's document packed into a one-entry container, and a container restored into a
// folder, on the page's archive control, which shows only while it works.

#include <QString>

namespace zeva {

class zLibControl;

// Packs `file` into `container`, replacing it; false with the reason in `failure` (the
// control has already shown an unexpected failure of its own).
bool packDocument(zLibControl &archive, const QString &file, const QString &container, QString *failure);

// Restores the container's entry into `folder` under its stored name (no paths, CRC
// checked, a corrupted file kept, an existing file replaced); false with the reason when
// the control reported a result code rather than a failure it showed itself.
bool restoreDocument(zLibControl &archive, const QString &container, const QString &folder, QString *failure);

} // namespace zeva
