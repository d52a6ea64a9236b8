#pragma once
// The category code rule: level lengths such as "2-2-3" (codes of 2, 4 and 7 characters).
// A partial level counts as a level, a code longer than the rule has one more level ending
// at its full length, and an empty rule means a single level.

#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

class ZEVA_PLATFORM_EXPORT CodeRule {
public:
    virtual ~CodeRule();
    // How many levels `code` reaches under `rule` ("010" under "2-2-3": 2); 0 for "".
    virtual int LevelCount(const QString &code, const QString &rule) = 0;
    // The total code length at `level` (counted from 1) under `rule`; 0 outside the rule.
    virtual int LevelLength(int level, const QString &rule) = 0;
    // The code of the level before; empty for a first-level code.
    virtual QString ParentCode(const QString &code, const QString &rule) = 0;
};

} // namespace zeva
