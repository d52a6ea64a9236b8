#pragma once
// The host's parser of a program record's command line (named arguments).

#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

class ZEVA_PLATFORM_EXPORT CommandLineArgs {
public:
    virtual ~CommandLineArgs();
    // Answers false when the text is not a valid command line; arguments parsed
    // before the fault stay available.
    virtual bool Parse(const QString &commandLine) = 0;
    // Whether the argument exists (names compare without case); its text into `text`.
    virtual bool Item(const QString &name, QString &text) const = 0;
};

} // namespace zeva
