#pragma once
// The drawing control: the product catalogue form a host embeds. It answers the host's
// form commands, shows the category and product tree and the product record on four
// pages, and reports back through Message, ErrMessage, FormRefreshed and Property.

#include "cataloguetree.h"
#include "drawingstore.h"
#include "formcontrol.h"
#include "formstate.h"
#include "picturestore.h"
#include "recorddisplay.h"

#include <functional>

namespace zeva {

class DrawingControl final : public FormControl {
    Q_OBJECT
public:
    // Runs the first property set-up (UserControl_InitProperties) before it returns.
    DrawingControl(HostServices *services, QWidget *parent = nullptr);
    ~DrawingControl() override;

    bool IFormUI_Init(std::shared_ptr<HostSystem> pcSystem, int plCzID, std::optional<int> plID = {}) override;
    bool IFormUI_Clear() override;
    bool IFormUI_FileNew() override;
    bool IFormUI_FileNewNext() override;
    bool IFormUI_FileEdit() override;
    bool IFormUI_FileDelete() override;
    bool IFormUI_FileSave() override;
    bool IFormUI_FileCancel() override;
    bool IFormUI_Find(const QVariant &pvData) override;
    bool IFormUI_FindNext() override;
    bool IFormUI_Filter(const QVariant &pvData) override;
    bool IFormUI_Refresh() override;
    bool IFormUI_RecordTop() override;
    bool IFormUI_RecordPrevious() override;
    bool IFormUI_RecordNext() override;
    bool IFormUI_RecordBottom() override;
    bool IFormUI_Check() override;
    bool IFormUI_UnCheck() override;
    bool IFormUI_PrintPreview() override;
    bool IFormUI_DoPrint() override;
    bool IFormUI_PrintSetup() override;
    bool IFormUI_Help() override;
    bool IFormUI_DoSetStatus(const QString &psStatusName, bool pbStatus) override;
    int IFormUI_GetID() const override;
    bool IFormUI_CheckStatus(const QString &psStatusName) const override;
    QString IFormUI_ReturnPrintName() const override;
    bool IFormUI_IsDirty() const override;
    void IFormUI_DoGetFormStatus() override;
    void IFormUI_DoSaveFormStatus() override;
    QString IFormUI_Attributes(int psName) const override;

    QList<QWidget *> IDesignUI_Controls() const override;
    std::shared_ptr<NameValueCollection> IDesignUI_Parameters() const override;
    void IDesignUI_SetParameters(std::shared_ptr<NameValueCollection> parameters) override;

    // Puts every control into edit (true) or browse mode.
    void SetEditMode(bool edit);
    // The toolbar's handler: shows the page of the button at `position`.
    void Toolbar1_ButtonClick(int position);

    QSize sizeHint() const override;

    const FormState &state() const { return m_state; }
    FormState &state() { return m_state; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The host resized the form: every control in proportion, the panes snapped.
    void resizeEvent(QResizeEvent *event) override;

private:
    void UserControl_InitProperties();
    // Creates the tree helper and hooks it to TV (set-up, and Init after a Clear).
    void hookTree();
    // Runs a load that lets events run; answers false when another is under way.
    bool whileBusy(const std::function<bool()> &work);
    void configureCodedFields();
    // What the tree load and the record display need of the form, fresh for each use.
    CatalogueTree catalogue();
    RecordDisplay recordDisplay();
    // The picture or drawing page for the selected product, when one of them is shown.
    void loadShownPage();
    // The picture and drawing pages' commands (documentcommands.cpp).
    void hookDocuments();
    void loadPicturePage();
    void loadDrawingPage();
    PictureStore pictureStore(HostDatabase &db);
    DrawingStore drawingStore();
    // Runs a document command on the session's database, once the host has handed over
    // its system object.
    void withSystem(const std::function<void(HostDatabase &)> &command);
    // The tree's collapse event.
    void categoryCollapsed(TreeNode *node);
    void readConfiguration();
    void setUpDrawingList();
    // The precondition of FileNew: a detail-level category is selected (or a product in one).
    bool CanCreateNew();

    FormState m_state;
};

} // namespace zeva
