#pragma once
// The host's window registry: dialogs announce themselves on activation so the host can
// keep them in front of its own windows.

#include "zevaplatform_export.h"

class QWidget;

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostWindowService {
public:
    virtual ~HostWindowService();
    virtual void RegisterWindow(QWidget *window) = 0;
};

} // namespace zeva
