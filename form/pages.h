#pragma once
// The record's four pages, by the position of their button on Toolbar1 (2, 4 and 6 are
// separators).

#include <array>

namespace zeva {

enum class Page {
    Basic = 1,      // 基本属性, frame fra(2)
    Further = 3,    // 其他属性, frame fra(3)
    Picture = 5,    // 产品图片, frame fra(0)
    Documents = 7,  // 相关文档, frame fra(4)
};

inline constexpr std::array<Page, 4> kPages = {Page::Basic, Page::Further, Page::Picture, Page::Documents};

// The index of a page's frame in the fra() control array.
constexpr int pageFrameIndex(Page page)
{
    switch (page) {
    case Page::Basic: return 2;
    case Page::Further: return 3;
    case Page::Picture: return 0;
    case Page::Documents: return 4;
    }
    return 2;
}

} // namespace zeva
