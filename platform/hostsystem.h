#pragma once
// The host's system object (`pcSystem`), handed to the form by IFormUI_Init: the
// database, rights, parameters and login of the session, and the relays of field
// events. Operations are in the host's member order.

#include "hostdatabase.h"
#include "hostlogin.h"
#include "hostparameter.h"
#include "operationrights.h"
#include "zevaplatform_export.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace zeva {

class HostWindowService;
class PreloadedForm;

class ZEVA_PLATFORM_EXPORT HostSystem {
public:
    virtual ~HostSystem();

    // A handle to the session's one connection; fetched afresh for every use.
    virtual std::shared_ptr<HostDatabase> Database() = 0;
    virtual OperationRights GetRights(int plCzID) = 0;
    // Kind 11: an option by name; kind 12: by number. Unknown keys give empty text.
    virtual HostParameter GetParameter(int kind, const QVariant &key) = 0;
    // A coded field's event: its value as text, its three numbers, and -1.
    virtual void RelayFieldEvent(const QString &value, int first, int second, int third, int marker) = 0;
    // A coded field's lookup event: its three texts, the field's text, its two numbers.
    virtual void RelayFieldLookup(const QString &first, const QString &second, const QString &third,
                                  const QVariant &fieldText, int firstNumber, int secondNumber) = 0;
    // Null when the host keeps no such form.
    virtual std::shared_ptr<PreloadedForm> GetPreloadedForm(const QString &name) = 0;
    virtual HostLogin Login() = 0;
    virtual std::shared_ptr<HostWindowService> WindowService() = 0;
};

} // namespace zeva
