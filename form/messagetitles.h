#pragma once
// The titles the form's messages carry: one text each, wherever a routine reports.

#include <QString>

namespace zeva {

inline const QString kTitle = QStringLiteral("产品目录");               // errors and the host's log
inline const QString kPrompt = QStringLiteral("提示：");                 // message boxes telling the user why
inline const QString kApplicationTitle = QStringLiteral("zeva产品目录"); // where the component names itself

} // namespace zeva
