#pragma once
// The host's list of dialogs that announced themselves; closed ones drop out.

#include "hostwindowservice.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace zeva::host {

class WindowRegistry final : public HostWindowService {
public:
    void RegisterWindow(QWidget *window) override;
    QList<QWidget *> windows() const;

private:
    QList<QPointer<QWidget>> m_windows;
};

} // namespace zeva::host
