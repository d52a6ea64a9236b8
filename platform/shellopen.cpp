#include "shellopen.h"

namespace zeva {

RoutineFailure shellFailure(int r)
{
    const int fallback = r - 2147220456;
    const auto failure = [](int number, const char *text) {
        return RoutineFailure{number, QStringLiteral("zeva_drawing.GShell"), QString::fromLatin1(text)};
    };
    switch (r) {
    case 0:
    case 8: return failure(7, "Out of memory");
    case 2: return failure(53, "File not found");
    case 3: return failure(76, "Path not found");
    case 5: return failure(75, "Path/file access error");
    case 11: return failure(fallback, "The executable file is invalid or corrupt");
    case 26: return failure(75, "A sharing violation occurred.");
    case 27: return failure(fallback, "This file type does not have a valid file association.");
    case 28: return failure(286, "The file could not be opened due to time out.  Please try again in a moment.");
    case 29: return failure(285, "The file could not be opened because the DDE transaction failed.  Please try again in a moment.");
    case 30: return failure(285, "The file could not be opened because the target application is busy.  Please try again in a moment.");
    case 31: return failure(fallback, "No application is associated with this file type.");
    case 32: return failure(48, "The specified dynamic-link library was not found.");
    default: return failure(fallback, "An error occurred occurred whilst trying to open or print the selected file.");
    }
}

bool ShellOpen(DesktopServices &desktop, const QString &fileName, int showValue, const QString &parameters,
               const QString &folder, const QString &operation, RoutineFailure *failure)
{
    // The window state and the operation mean nothing to the desktop's opener: it opens
    // with the associated program, the only operation the form asks for.
    Q_UNUSED(showValue);
    Q_UNUSED(parameters);
    Q_UNUSED(folder);
    Q_UNUSED(operation);
    const int r = desktop.shellOpen(fileName);
    if (r > 32 || r < 0)
        return true;
    if (failure)
        *failure = shellFailure(r);
    return false;
}

} // namespace zeva
