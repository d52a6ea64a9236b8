#include "desktopfieldfocus.h"

#include <QStackedWidget>
#include <QTabWidget>

namespace zeva::host {

void DesktopFieldFocus::SetFocusTo(QWidget *field)
{
    if (!field)
        return;
    // Bring forward every page that holds the field. A tab widget's pages sit in its
    // own stacked widget; asking the tab widget keeps its tab bar in step.
    for (QWidget *page = field; page->parentWidget(); page = page->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
        if (!stack)
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
        else
            stack->setCurrentWidget(page);
    }
    field->setFocus(Qt::OtherFocusReason);
}

void DesktopFieldFocus::ShowMessage(const QString &, const QString &, const QString &message, int style,
                                    const QString &title, int *result)
{
    const int button = m_desktop.messageBox(message, style, title);
    if (result)
        *result = button;
}

} // namespace zeva::host
