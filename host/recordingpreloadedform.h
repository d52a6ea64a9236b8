#pragma once
// Keeps every parameter collection it is given, for tests and the host window to read.

#include "namevaluecollection.h"
#include "preloadedform.h"

#include <QList>
#include <memory>

namespace zeva::host {

class RecordingPreloadedForm final : public PreloadedForm {
public:
    void SetParameters(std::shared_ptr<NameValueCollection> parameters) override { m_received.append(std::move(parameters)); }
    QList<std::shared_ptr<NameValueCollection>> received() const { return m_received; }

private:
    QList<std::shared_ptr<NameValueCollection>> m_received;
};

} // namespace zeva::host
