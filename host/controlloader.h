#pragma once
// Loads the drawing control as a foreign host would: the shared library from the host's
// own folder (or the path in ZEVA_DRAWING_LIBRARY), its one exported factory, nothing else.

#include "formcontrol.h"
#include "hostservices.h"

#include <QString>

namespace zeva::host {

// The library path the host loads: ZEVA_DRAWING_LIBRARY when set, else libzeva_drawing.so
// beside the executable.
QString drawingLibraryPath();

// Creates the control under `parent` (which owns it). Null, with the reason in `error`,
// when the library or its factory cannot be loaded, or the factory made nothing.
FormControl *createDrawing(HostServices &services, QWidget *parent, QString *error = nullptr);

} // namespace zeva::host
