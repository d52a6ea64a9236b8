#pragma once
// A form the host keeps loaded between uses; the catalogue asks it to reset on leaving.

#include "zevaplatform_export.h"

#include <memory>

namespace zeva {

class NameValueCollection;

class ZEVA_PLATFORM_EXPORT PreloadedForm {
public:
    virtual ~PreloadedForm();
    virtual void SetParameters(std::shared_ptr<NameValueCollection> parameters) = 0;
};

} // namespace zeva
