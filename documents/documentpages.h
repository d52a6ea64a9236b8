#pragma once
// The document pages of the record: the product's picture and its drawing list, loaded
// for the product the selection shows.
//
// Needs: the page's controls and the product's key. Raises nothing yet.

#include "formdesign.h"

namespace zeva {

void loadPictures(FormControls &controls, int productId);
void loadDrawingList(FormControls &controls, int productId);

} // namespace zeva
