#pragma once
// One of a control's Left, Top, Width or Height set alone, in twips, as the system's
// arranging code sets them. A null control or a negative size is an error that those
// callers ignore: nothing changes.

#include "hostunits.h"

#include <QWidget>

namespace zeva {

inline void setPlace(QWidget *control, int TwipsRect::*field, int value)
{
    if (!control)
        return;
    TwipsRect place = twipsGeometry(control);
    place.*field = value;
    setTwipsGeometry(control, place);
}

} // namespace zeva
