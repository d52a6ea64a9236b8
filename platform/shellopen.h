#pragma once
// Opening a file with the program the desktop associates with it, answering as the
// Windows shell does: a refusal is recorded with its number and text for the caller to
// inspect, and nothing is shown.

#include "desktopservices.h"
#include "filefield.h"
#include "zevaplatform_export.h"

#include <QString>

namespace zeva {

// True when the shell took the request. `showValue` is the window state asked for (0 for
// programs, whose ".EXE" the shell starts hidden); parameters and folder are passed on to
// the program when given. `failure`, when given, receives the refusal.
ZEVA_PLATFORM_EXPORT bool ShellOpen(DesktopServices &desktop, const QString &fileName, int showValue,
                                    const QString &parameters, const QString &folder, const QString &operation,
                                    RoutineFailure *failure = nullptr);
// The refusal a shell result of 0 to 32 stands for.
ZEVA_PLATFORM_EXPORT RoutineFailure shellFailure(int result);

} // namespace zeva
