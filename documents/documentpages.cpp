#include "documentpages.h"

namespace zeva {

// The picture and drawing stores arrive with the documents work; until then the pages
// show nothing for a product.
void loadPictures(FormControls &, int)
{
}

void loadDrawingList(FormControls &, int)
{
}

} // namespace zeva
