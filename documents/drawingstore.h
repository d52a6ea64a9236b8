#pragma once
// The drawing page: a product's documents, each packed into a one-entry container and
// kept as one row of PDMZEVADraw, listed in lvDraw. Upload packs a chosen file on
// zLibControl3 and stores it; download restores the selected document into a chosen
// folder under the name it was uploaded with; delete removes its row after a question;
// annotate edits its two descriptions in the "文档说明" dialog.
//
// The product is the number at the start of lbl(0). Every command finds its document
// through the row's hidden "行号" column.
//
// Raises, through `events`: ErrMessage "数据库错误，原因:…" (level 8, title "附加图片") when
// a key or the table cannot be had, ErrMessage "程序错误，原因:…" (level 8, the application
// title) for any other failure of upload and download, Message "删除文档成功!".

#include "formdesign.h"

namespace zeva {

class FormControl;
class HostServices;
class HostSystem;
class KeyAllocator;

struct DrawingStore {
    FormControls &controls;
    FormControl &events;
    HostServices &services;
    HostSystem &system;
    KeyAllocator &keys;
    int limitKilobytes;   // 0 or less: no limit
};

// Fills lvDraw with the product's documents, numbered from 1 in the order of their keys.
void loadDrawingList(FormControls &controls, HostSystem &system);

void uploadDrawing(const DrawingStore &store);
void downloadDrawing(const DrawingStore &store);
void deleteDrawing(const DrawingStore &store);
void annotateDrawing(const DrawingStore &store);

// lvDraw's column of each document field, in the list's order.
enum class DrawingColumn { Number, FileName, FileSize, Contents, Marker, MarkDate, Validity, RowId };

} // namespace zeva
