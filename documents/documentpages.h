#pragma once
// The document pages of the form: the product's picture (page 5) and its drawing list
// (page 7), loaded for the product whose key is in lbl(0).

namespace zeva {

struct FormState;

void loadPictures(FormState &state);
void loadDrawingList(FormState &state);

} // namespace zeva
