#pragma once
// `name=value` pairs separated by blanks; a value may be double-quoted ("a b"), with ""
// standing for one quote inside. Parse answers false at a word without "=", an empty
// name or an unterminated quote; the pairs before it stay. A later pair of the same name
// replaces the earlier one.

#include "commandlineargs.h"

#include <QHash>
#include <QString>

namespace zeva::host {

class NamedCommandLineArgs final : public CommandLineArgs {
public:
    bool Parse(const QString &commandLine) override;
    bool Item(const QString &name, QString &text) const override;

private:
    QHash<QString, QString> m_items;   // lower-cased name -> value
};

} // namespace zeva::host
