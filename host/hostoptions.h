#pragma once
// What the host's command line decides about a session: the login, the code rule, the
// system parameters and the rights the form is given. The defaults fit the demo catalogue:
// every right granted, the code rule "2-2-3", currency 1.

#include "hostlogin.h"
#include "operationrights.h"

#include <QDate>
#include <QHash>
#include <QString>

namespace zeva::host {

struct HostOptions {
    QString userName = QStringLiteral("admin");
    QDate loginDate = QDate::currentDate();
    QString settingsKey = QStringLiteral("zeva");
    QString codeRule = QStringLiteral("2-2-3");
    QString currency = QStringLiteral("1");
    QHash<QString, QString> namedParameters;   // kind 11; lower-cased name -> value
    QHash<int, QString> numberedParameters;    // kind 12, besides 16 (code rule) and 4 (currency)
    OperationRights rights{true, true, true};

    // "NAME=VALUE" sets a kind-11 parameter; "NUMBER=VALUE" a kind-12 one. False with the
    // reason in `error` for text without "=" or an empty name.
    bool setParameter(const QString &assignment, QString *error = nullptr);
    // The rights granted, as letters: "ABC" all, "A" only prices, "" or "none" nothing.
    // False for any other letter.
    bool setRights(const QString &letters, QString *error = nullptr);

    HostLogin login() const { return {userName, loginDate, settingsKey}; }
};

} // namespace zeva::host
