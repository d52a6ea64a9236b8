// Out-of-line destructors of the contract's interfaces, so each has one home (and one
// vtable) in the shared library.
#include "binarystream.h"
#include "coderule.h"
#include "commandlineargs.h"
#include "fieldfocus.h"
#include "formcontrol.h"
#include "hostdatabase.h"
#include "hostservices.h"
#include "hostsystem.h"
#include "hostwindowservice.h"
#include "keyallocator.h"
#include "preloadedform.h"
#include "valueconverter.h"

namespace zeva {

HostDatabase::~HostDatabase() = default;
HostSystem::~HostSystem() = default;
HostWindowService::~HostWindowService() = default;
PreloadedForm::~PreloadedForm() = default;
KeyAllocator::~KeyAllocator() = default;
FieldFocus::~FieldFocus() = default;
ValueConverter::~ValueConverter() = default;
CodeRule::~CodeRule() = default;
CommandLineArgs::~CommandLineArgs() = default;
BinaryStream::~BinaryStream() = default;
HostServices::~HostServices() = default;

FormControl::FormControl(QWidget *parent)
    : QWidget(parent)
{
}

FormControl::~FormControl() = default;

} // namespace zeva
