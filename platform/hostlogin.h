#pragma once
// Who is logged in to the host, and the application name of their per-user settings.

#include <QDate>
#include <QString>

namespace zeva {

struct HostLogin {
    QString UserName;
    QDate LoginDate;
    QString SettingsKey;   // empty: no per-user settings are read
};

} // namespace zeva
