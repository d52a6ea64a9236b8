#include "namevaluecollection.h"

namespace zeva {

NameValueCollection::~NameValueCollection() = default;

void NameValueCollection::Add(const QString &name, const QVariant &value)
{
    for (auto &entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    m_entries.append({name, value});
}

bool NameValueCollection::Exists(const QString &name) const
{
    for (const auto &entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QVariant NameValueCollection::Item(const QString &name) const
{
    for (const auto &entry : m_entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return {};
}

} // namespace zeva
