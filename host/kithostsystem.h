#pragma once
// The host's system object (`pcSystem`) for the form: one database session, the rights,
// parameters and login of HostOptions, the preloaded form "zeva" and the window registry.
// The relayed field events are recorded, for tests and the host window to read.

#include "hostoptions.h"
#include "hostsystem.h"
#include "recordingpreloadedform.h"
#include "windowregistry.h"

#include <QStringList>

#include <functional>
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
    // One line per relayed event, tab-separated: "RelayFieldEvent", the value and the four
    // numbers, or "RelayFieldLookup", the three texts, the field's text and the two numbers.
    QStringList relayed() const { return m_relayed; }

    // A coded field asks for its pick list by relaying a lookup whose second number is -1:
    // its help_code first, its text as the filter. The window shows a list, the batch takes a
    // row; the answer is typed into the field as a user would.
    static constexpr int kPickListAsked = -1;
    using PickHandler = std::function<void(const QString &helpCode, const QString &filter)>;
    void setPickHandler(PickHandler handler) { m_pickHandler = std::move(handler); }
    std::shared_ptr<RecordingPreloadedForm> preloadedForm() const { return m_preloaded; }
    std::shared_ptr<WindowRegistry> windowRegistry() const { return m_windows; }

private:
    std::shared_ptr<HostDatabase> m_database;
    HostOptions m_options;
    QStringList m_relayed;
    PickHandler m_pickHandler;
    std::shared_ptr<RecordingPreloadedForm> m_preloaded;
    std::shared_ptr<WindowRegistry> m_windows;
};

} // namespace zeva::host
