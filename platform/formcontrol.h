#pragma once
// A form control as the host drives it: the host's form commands (IFormUI, in member
// order), its design-time hooks (IDesignUI) and the four events. Commands answer true
// for done and false for refused or failed; nothing throws to the host.
//
// A control library exports one factory, for the drawing control:
//   extern "C" FormControl *zeva_create_drawing(HostServices *, QWidget *parent);

#include "hostsystem.h"
#include "namevaluecollection.h"
#include "zevaplatform_export.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

namespace zeva {

class HostServices;

class ZEVA_PLATFORM_EXPORT FormControl : public QWidget {
    Q_OBJECT
public:
    explicit FormControl(QWidget *parent = nullptr);
    ~FormControl() override;

    // IFormUI
    virtual bool IFormUI_Init(std::shared_ptr<HostSystem> pcSystem, int plCzID, std::optional<int> plID = {}) = 0;
    virtual bool IFormUI_Clear() = 0;
    virtual bool IFormUI_FileNew() = 0;
    virtual bool IFormUI_FileNewNext() = 0;
    virtual bool IFormUI_FileEdit() = 0;
    virtual bool IFormUI_FileDelete() = 0;
    virtual bool IFormUI_FileSave() = 0;
    virtual bool IFormUI_FileCancel() = 0;
    virtual bool IFormUI_Find(const QVariant &pvData) = 0;
    virtual bool IFormUI_FindNext() = 0;
    virtual bool IFormUI_Filter(const QVariant &pvData) = 0;
    virtual bool IFormUI_Refresh() = 0;
    virtual bool IFormUI_RecordTop() = 0;
    virtual bool IFormUI_RecordPrevious() = 0;
    virtual bool IFormUI_RecordNext() = 0;
    virtual bool IFormUI_RecordBottom() = 0;
    virtual bool IFormUI_Check() = 0;
    virtual bool IFormUI_UnCheck() = 0;
    virtual bool IFormUI_PrintPreview() = 0;
    virtual bool IFormUI_DoPrint() = 0;
    virtual bool IFormUI_PrintSetup() = 0;
    virtual bool IFormUI_Help() = 0;
    virtual bool IFormUI_DoSetStatus(const QString &psStatusName, bool pbStatus) = 0;
    virtual int IFormUI_GetID() const = 0;
    virtual bool IFormUI_CheckStatus(const QString &psStatusName) const = 0;
    virtual QString IFormUI_ReturnPrintName() const = 0;
    virtual bool IFormUI_IsDirty() const = 0;
    virtual void IFormUI_DoGetFormStatus() = 0;
    virtual void IFormUI_DoSaveFormStatus() = 0;
    virtual QString IFormUI_Attributes(int psName) const = 0;

    // IDesignUI
    virtual QList<QWidget *> IDesignUI_Controls() const = 0;
    virtual std::shared_ptr<NameValueCollection> IDesignUI_Parameters() const = 0;
    virtual void IDesignUI_SetParameters(std::shared_ptr<NameValueCollection> parameters) = 0;

signals:
    void Message(const QString &psMsg);
    void ErrMessage(const QString &psMsg, int plLevel, const QString &psTitle);
    void FormRefreshed();
    void Property(const QString &psParameterName, const QVariant &psParameterValue, bool pbAutoUpdate);
};

} // namespace zeva

// The factory's type, as the host resolves it from the control library.
using ZevaCreateDrawing = zeva::FormControl *(*)(zeva::HostServices *services, QWidget *parent);
