#pragma once
// Persisted design-time properties, read and written by name as a form designer stores
// them. A property missing from the bag reads as its default; one that cannot be read
// (a value of the wrong kind) reads as nothing, and the caller skips it.

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace zeva {

class PropertyBag {
public:
    virtual ~PropertyBag() = default;

    virtual std::optional<QVariant> readProperty(const QString &name, const QVariant &defaultValue) const = 0;
    // A value equal to its default need not be stored.
    virtual void writeProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) = 0;
};

// A bag in memory: what a designer would serialise, and what tests inspect.
class MemoryPropertyBag : public PropertyBag {
public:
    std::optional<QVariant> readProperty(const QString &name, const QVariant &defaultValue) const override
    {
        return m_values.value(name, defaultValue);
    }
    void writeProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override
    {
        if (value == defaultValue)
            m_values.remove(name);
        else
            m_values.insert(name, value);
    }

    QVariantMap &values() { return m_values; }
    const QVariantMap &values() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace zeva
