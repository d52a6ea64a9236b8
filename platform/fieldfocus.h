#pragma once
// The host's focus and message services for a form's fields.

#include "zevaplatform_export.h"

#include <QString>

class QWidget;

namespace zeva {

class ZEVA_PLATFORM_EXPORT FieldFocus {
public:
    virtual ~FieldFocus();
    // Puts the keyboard focus on the field (or the form), bringing its page forward.
    virtual void SetFocusTo(QWidget *field) = 0;
    // A modal message box with the given style number and title; `result` receives the
    // button number when given (callers in this system do not read it).
    virtual void ShowMessage(const QString &first, const QString &second, const QString &message,
                             int style, const QString &title, int *result = nullptr) = 0;
};

} // namespace zeva
