#pragma once
// What the host gives its controls beyond pcSystem: the desktop services, and a creator
// for every host object a control makes itself (the control never sees the host).

#include "binarystream.h"
#include "coderule.h"
#include "commandlineargs.h"
#include "desktopservices.h"
#include "fieldfocus.h"
#include "keyallocator.h"
#include "namevaluecollection.h"
#include "valueconverter.h"
#include "zevaplatform_export.h"

#include <memory>

namespace zeva {

class ZEVA_PLATFORM_EXPORT HostServices {
public:
    virtual ~HostServices();

    virtual DesktopServices &desktop() = 0;

    virtual std::unique_ptr<FieldFocus> createFieldFocus() = 0;
    virtual std::unique_ptr<ValueConverter> createValueConverter() = 0;
    virtual std::unique_ptr<CodeRule> createCodeRule() = 0;
    virtual std::unique_ptr<KeyAllocator> createKeyAllocator() = 0;
    virtual std::unique_ptr<CommandLineArgs> createCommandLineArgs() = 0;
    virtual std::shared_ptr<NameValueCollection> createNameValueCollection() = 0;
    virtual std::unique_ptr<BinaryStream> createBinaryStream() = 0;
};

} // namespace zeva
