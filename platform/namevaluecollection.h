#pragma once
// An ordered collection of named values, as the host passes parameters to forms
// (IDesignUI_Parameters, the preloaded form's reset). Names compare without case.

#include "zevaplatform_export.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace zeva {

class ZEVA_PLATFORM_EXPORT NameValueCollection {
public:
    virtual ~NameValueCollection();

    // Adds an entry, or replaces the value of an entry with that name.
    void Add(const QString &name, const QVariant &value);
    bool Exists(const QString &name) const;
    // The value of the entry; an invalid QVariant when there is none.
    QVariant Item(const QString &name) const;
    int Count() const { return int(m_entries.size()); }
    QString nameAt(int index) const { return m_entries.value(index).first; }

private:
    QList<QPair<QString, QVariant>> m_entries;
};

} // namespace zeva
