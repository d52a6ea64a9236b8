#pragma once
// Focus goes to the field after every tab page and stacked page on its way is brought
// forward; messages go through the desktop services.

#include "desktopservices.h"
#include "fieldfocus.h"

namespace zeva::host {

class DesktopFieldFocus final : public FieldFocus {
public:
    explicit DesktopFieldFocus(DesktopServices &desktop) : m_desktop(desktop) {}
    void SetFocusTo(QWidget *field) override;
    void ShowMessage(const QString &first, const QString &second, const QString &message, int style,
                     const QString &title, int *result = nullptr) override;

private:
    DesktopServices &m_desktop;
};

} // namespace zeva::host
