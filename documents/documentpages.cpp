#include "documentpages.h"

#include "formstate.h"

namespace zeva {

// The picture and drawing stores arrive with the documents work; until then the pages
// show nothing for a product.
void loadPictures(FormState &)
{
}

void loadDrawingList(FormState &)
{
}

} // namespace zeva
