#pragma once
// The picture page: a product's one picture, kept in PDMZEVAAttach as a packed container
// (or, in rows written elsewhere with isCompress 0, as the picture's own bytes). Loading
// restores it into the session's private folder and shows it scaled into picZeva; the user
// may choose another file, clear it (its rows are deleted at once) or open it with the
// desktop's program. A chosen picture reaches the database with the product's save.
//
// chk(4) "数据库是否有图片" and chk(6) "图片是否已更改" are the whole picture state:
// loading sets chk(4) to whether a picture was found and clears chk(6); choosing a file or
// editing the description sets chk(6). txtFileName names the file on disk shown.
//
// Raises, through `events`: Message "取消了选择图片"; ErrMessage "图片保存处理，图片文件名…"
// and, for a new product, "是在新建中" (level 1, title "图片"); ErrMessage
// "数据库错误，原因:…" (level 8, title "附加图片") when the picture cannot be stored.

#include "formdesign.h"

namespace zeva {

class FormControl;
class HostDatabase;
class HostServices;

struct PictureStore {
    FormControls &controls;   // picZeva, imgZeva, pic, txtFileName, txt, chk(4), chk(5), chk(6), zLibControl1
    FormControl &events;
    HostServices &services;
    HostDatabase &db;
};

// The product of lbl(0): its picture restored and shown, or nothing.
void loadPicture(const PictureStore &store);
// Shows the file in imgZeva, fitted into picZeva (empty: the display empties). A file
// that is not a picture shows the placeholder.
void showPictureFile(FormControls &controls, DesktopServices &desktop, const QString &path);
// CmdOpenFile. `folder` is the folder of the last chosen picture, kept by the caller.
void choosePicture(const PictureStore &store, int limitKilobytes, QString &folder);
// CmdClear: the product's picture rows are deleted now, without a question.
void clearPicture(const PictureStore &store);
// CmdShow, and a double-click on the picture.
void openPicture(FormControls &controls, DesktopServices &desktop);

struct PictureSave {
    const PictureStore &store;
    int productId;
    bool isNew;
};

// The picture step of saving a product. False when the picture could not be stored
// (reported); the product's rows stay written.
bool savePicture(const PictureSave &save);

} // namespace zeva
