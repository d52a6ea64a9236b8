#pragma once
// The host's system object (`pcSystem`) for the form: one database session, the rights,
// parameters and login of HostOptions, the preloaded form "zeva" and the window registry.
// The relayed field events are recorded, for tests and the host window to read.

#include "hostoptions.h"
#include "hostsystem.h"
#include "recordingpreloadedform.h"
#include "windowregistry.h"

#include <QStringList>

#include <memory>

namespace zeva::host {

class KitHostSystem final : public HostSystem {
public:
    // `database` is the session's one connection; Database() hands out this same handle.
    explicit KitHostSystem(std::shared_ptr<HostDatabase> database, HostOptions options = {});

    std::shared_ptr<HostDatabase> Database() override;
    OperationRights GetRights(int plCzID) override;
    // Kind 11 by name (without case), kind 12 by number: 16 the code rule, 4 the currency.
    HostParameter GetParameter(int kind, const QVariant &key) override;
    void RelayFieldEvent(const QString &value, int first, int second, int third, int marker) override;
    void RelayFieldLookup(const QString &first, const QString &second, const QString &third,
                          const QVariant &fieldText, int firstNumber, int secondNumber) override;
    // The form "zeva" (any case); null for other names.
    std::shared_ptr<PreloadedForm> GetPreloadedForm(const QString &name) override;
    HostLogin Login() override;
    std::shared_ptr<HostWindowService> WindowService() override;

    HostOptions &options() { return m_options; }
    // One line per relayed event: "event<TAB>value<TAB>1<TAB>2<TAB>3<TAB>-1" or
    // "lookup<TAB>a<TAB>b<TAB>c<TAB>text<TAB>1<TAB>2".
    QStringList relayed() const { return m_relayed; }
    std::shared_ptr<RecordingPreloadedForm> preloadedForm() const { return m_preloaded; }
    std::shared_ptr<WindowRegistry> windowRegistry() const { return m_windows; }

private:
    std::shared_ptr<HostDatabase> m_database;
    HostOptions m_options;
    QStringList m_relayed;
    std::shared_ptr<RecordingPreloadedForm> m_preloaded;
    std::shared_ptr<WindowRegistry> m_windows;
};

} // namespace zeva::host
