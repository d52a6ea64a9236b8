#pragma once
// The picture step of saving a product: the host hears which picture file is being saved
// (and that the product is new), then the picture's container is stored with the product.
//
// Raises, through `events`: ErrMessage "图片保存处理，图片文件名…" and, for a new product,
// "是在新建中" (level 1, title "图片").

#include "formdesign.h"

namespace zeva {

class FormControl;
class HostDatabase;

struct PictureSave {
    FormControls &controls;   // txtFileName, chk(4) "数据库是否有图片", chk(6) "图片是否已更改"
    FormControl &events;
    HostDatabase &db;
    int productId;
    bool isNew;
};

// False when the picture could not be stored (reported); the product's rows stay written.
bool savePicture(const PictureSave &save);

} // namespace zeva
