#include "windowregistry.h"

namespace zeva::host {

void WindowRegistry::RegisterWindow(QWidget *window)
{
    if (!window)
        return;
    m_windows.removeIf([window](const QPointer<QWidget> &w) { return w.isNull() || w == window; });
    m_windows.append(window);
}

QList<QWidget *> WindowRegistry::windows() const
{
    QList<QWidget *> alive;
    for (const QPointer<QWidget> &w : m_windows) {
        if (w)
            alive.append(w);
    }
    return alive;
}

} // namespace zeva::host
