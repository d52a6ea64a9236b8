// The control library's one export: the factory of the drawing control.
#include "drawingcontrol.h"

extern "C" Q_DECL_EXPORT zeva::FormControl *zeva_create_drawing(zeva::HostServices *services, QWidget *parent)
{
    if (!services)
        return nullptr;
    return new zeva::DrawingControl(services, parent);
}
