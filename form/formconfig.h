#pragma once
// What the form reads from its host at Init: the program record's title and category
// filter, the code rule and the upload limits.

#include <QString>

namespace zeva {

struct FormConfig {
    int plCzID = 0;
    QString formTitle = QStringLiteral("产品类别");
    QString filterList;        // empty, or 'a','b': the category filter, quoted for SQL
    QString codeRuleText;
    int limitPicture = 0;      // kilobytes, 0: no limit
    int limitDrawing = 0;
};

} // namespace zeva
