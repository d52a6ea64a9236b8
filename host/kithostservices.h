#pragma once
// HostServices of the host stand-in: the desktop services it is given and a creator for
// each host object a control makes itself.

#include "hostservices.h"

namespace zeva::host {

class KitHostServices final : public HostServices {
public:
    // `desktop` must outlive this object (the Qt services in the host window, the
    // scripted ones in tests and the batch mode).
    explicit KitHostServices(DesktopServices &desktop) : m_desktop(desktop) {}

    DesktopServices &desktop() override { return m_desktop; }
    std::unique_ptr<FieldFocus> createFieldFocus() override;
    std::unique_ptr<ValueConverter> createValueConverter() override;
    std::unique_ptr<CodeRule> createCodeRule() override;
    // Not attached: the form attaches it to Database of pcSystem.
    std::unique_ptr<KeyAllocator> createKeyAllocator() override;
    std::unique_ptr<CommandLineArgs> createCommandLineArgs() override;
    std::shared_ptr<NameValueCollection> createNameValueCollection() override;
    std::unique_ptr<BinaryStream> createBinaryStream() override;

private:
    DesktopServices &m_desktop;
};

} // namespace zeva::host
