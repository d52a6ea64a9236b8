#include "kithostservices.h"

#include "desktopfieldfocus.h"
#include "levelcoderule.h"
#include "hostbinarystream.h"
#include "namedcommandlineargs.h"
#include "standardvalueconverter.h"
#include "tablekeyallocator.h"

namespace zeva::host {

std::unique_ptr<FieldFocus> KitHostServices::createFieldFocus()
{
    return std::make_unique<DesktopFieldFocus>(m_desktop);
}

std::unique_ptr<ValueConverter> KitHostServices::createValueConverter()
{
    return std::make_unique<StandardValueConverter>();
}

std::unique_ptr<CodeRule> KitHostServices::createCodeRule()
{
    return std::make_unique<LevelCodeRule>();
}

std::unique_ptr<KeyAllocator> KitHostServices::createKeyAllocator()
{
    return std::make_unique<TableKeyAllocator>();
}

std::unique_ptr<CommandLineArgs> KitHostServices::createCommandLineArgs()
{
    return std::make_unique<NamedCommandLineArgs>();
}

std::shared_ptr<NameValueCollection> KitHostServices::createNameValueCollection()
{
    return std::make_shared<NameValueCollection>();
}

std::unique_ptr<BinaryStream> KitHostServices::createBinaryStream()
{
    return std::make_unique<HostBinaryStream>();
}

} // namespace zeva::host
