#pragma once
// What the picture frame shows for a file this platform cannot read as a picture (a
// Windows metafile, a damaged image, a document that is no picture at all).

#include <QPixmap>

namespace zeva {

QPixmap placeholderPicture();

} // namespace zeva
