// The commands that create, save and delete a record: FileNew (with its copy of the shown
// record), FileSave, which runs the catalogue's save around the documents' picture step, and
// FileDelete.

#include "drawingcontrol.h"

#include "ctreeview.h"
#include "formtoolbar.h"
#include "kvtxts.h"
#include "messagetitles.h"
#include "picturestore.h"
#include "productdelete.h"
#include "productsave.h"
#include "recordview.h"
#include "values.h"

#include <QCheckBox>
#include <QLabel>

namespace zeva {

bool DrawingControl::CanCreateNew()
{
    const Selection &selection = m_state.selection;
    if (selection.categoryId <= 0) {
        if (!m_state.newRecord && selection.productId != 0)
            return true;
        m_state.desktop().messageBox(QStringLiteral("非明细级的产品类别，请选择后重试!"), DesktopServices::Information,
                                     kPrompt);
        return false;
    }
    auto db = m_state.database();
    if (!db)
        return false;
    auto rs = db->Prepare(QStringLiteral("SELECT 是否明细 FROM pdmcplb WHERE 类别ID=")
                              + QString::number(selection.categoryId), 1)->OpenRecordset();
    const QString error = db->LastError().Description();
    const bool detail = !rs->IsEOF() && leadingNumber(rs->Fields(QStringLiteral("是否明细")).Value().toText()) != 0;
    rs->Close();
    db->Release();
    if (!error.isEmpty()) {
        emit ErrMessage(QStringLiteral("判断是否允许新建时出错，原因：") + error, 8, kTitle);
        return false;
    }
    if (!detail) {
        m_state.desktop().messageBox(QStringLiteral("非明细级的产品类别，不能新建!"), DesktopServices::Information,
                                     kPrompt);
        return false;
    }
    return true;
}

bool DrawingControl::IFormUI_FileNew()
{
    if (!m_state.pcSystem || !CanCreateNew())
        return false;
    FormControls &c = m_state.controls;
    if (!c.chk[3]->isChecked()) {
        const QString unit = c.field(Field::StockUnit)->text();
        clearRecord(c);
        c.field(Field::StockUnit)->setText(unit);
    } else {
        c.field(Field::Mnemonic)->setText(QString());
        c.ImgBom->hide();
        c.ImgSr->hide();
        if (!m_state.pcSystem->GetRights(m_state.config.plCzID).RightA) {
            for (const Field f : {Field::PurchasePrice, Field::RetailPrice, Field::WholesalePrice, Field::TaxAmount})
                c.field(f)->setText(QString());
        }
    }
    SetEditMode(true);
    c.lbl[0]->setText(QStringLiteral("0"));
    m_state.newRecord = true;
    if (c.Toolbar1->value(int(Page::Basic)) != 1)
        Toolbar1_ButtonClick(int(Page::Basic));
    if (m_state.fieldFocus)
        m_state.fieldFocus->SetFocusTo(c.field(Field::Code));
    c.field(Field::Category)->setText(trimSpaces(m_state.selection.categoryName));
    c.check(Check::InUse)->setChecked(true);
    return true;
}

bool DrawingControl::IFormUI_FileDelete()
{
    auto db = m_state.database();
    if (!db || !m_state.pcSystem || !m_state.m_Tv)
        return false;
    return deleteProduct({*this, m_state.desktop(), *m_state.pcSystem, db, *m_state.m_Tv, m_state.selection});
}

bool DrawingControl::IFormUI_FileSave()
{
    auto db = m_state.database();
    if (!db || !m_state.pcSystem || !m_state.m_Tv || !m_state.keyAllocator)
        return false;
    ProductSave save{m_state.controls, *this,  m_state.desktop(), m_state.fieldFocus.get(), *m_state.pcSystem, db,
                     *m_state.keyAllocator, *m_state.m_Tv, m_state.selection, m_state.currentProductId,
                     m_state.newRecord};
    try {
        if (!writeProduct(save))
            return false;
        if (!savePicture({pictureStore(*db), m_state.currentProductId, save.isNew}))
            return false;
        showSavedProduct(save);
    } catch (const SaveFailure &failure) {
        emit ErrMessage(QStringLiteral("save中出错，原因：") + failure.description, 8, kTitle);
        return false;
    }
    m_state.newRecord = false;
    SetEditMode(false);
    emit Message(QStringLiteral("保存产品目录成功"));
    return true;
}

} // namespace zeva
