#include "desktopservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QSettings>

namespace zeva {

struct DesktopServices::MemorySettings {
    QHash<QString, QString> values;   // "application\nsection\nkey" -> value
};

namespace {

QString memoryKey(const QString &application, const QString &section, const QString &key)
{
    return application + u'\n' + section + u'\n' + key;
}

// Application names become file names: keep them inside the settings folder.
QString settingsFile(const QString &folder, const QString &application)
{
    QString safe = application;
    for (QChar &c : safe) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20)
            c = u'_';
    }
    if (safe == u"." || safe == u"..")
        safe.replace(u'.', u'_');
    return QDir(folder).filePath(safe + QStringLiteral(".ini"));
}

constexpr qint64 kEventInterval = 10;   // ms of work between two event runs

} // namespace

DesktopServices::DesktopServices(QString settingsFolder)
    : m_settingsFolder(std::move(settingsFolder)), m_memory(std::make_unique<MemorySettings>())
{
    m_sinceEvents.start();
}

DesktopServices::~DesktopServices() = default;

QString DesktopServices::setting(const QString &application, const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    if (application.isEmpty())
        return defaultValue;
    if (m_settingsFolder.isEmpty())
        return m_memory->values.value(memoryKey(application, section, key), defaultValue);
    QSettings store(settingsFile(m_settingsFolder, application), QSettings::IniFormat);
    return store.value(section + u'/' + key, defaultValue).toString();
}

void DesktopServices::setSetting(const QString &application, const QString &section, const QString &key,
                                 const QString &value)
{
    if (application.isEmpty())
        return;
    if (m_settingsFolder.isEmpty()) {
        m_memory->values.insert(memoryKey(application, section, key), value);
        return;
    }
    QDir().mkpath(m_settingsFolder);
    QSettings store(settingsFile(m_settingsFolder, application), QSettings::IniFormat);
    store.setValue(section + u'/' + key, value);
}

void DesktopServices::letEventsRun()
{
    if (m_sinceEvents.elapsed() < kEventInterval)
        return;
    doProcessEvents();
    m_sinceEvents.restart();
}

void DesktopServices::doProcessEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

QList<int> DesktopServices::buttonsOf(int style)
{
    switch (style & 0x0F) {
    case OkCancel: return {Ok, Cancel};
    case AbortRetryIgnore: return {Abort, Retry, Ignore};
    case YesNoCancel: return {Yes, No, Cancel};
    case YesNo: return {Yes, No};
    case RetryCancel: return {Retry, Cancel};
    default: return {Ok};
    }
}

int DesktopServices::defaultButtonOf(int style)
{
    const QList<int> buttons = buttonsOf(style);
    const int which = (style & 0x300) >> 8;   // 0 first, 1 second, 2 third
    return buttons.value(which, buttons.first());
}

QString DesktopServices::buttonName(int button)
{
    switch (button) {
    case Ok: return QStringLiteral("ok");
    case Cancel: return QStringLiteral("cancel");
    case Abort: return QStringLiteral("abort");
    case Retry: return QStringLiteral("retry");
    case Ignore: return QStringLiteral("ignore");
    case Yes: return QStringLiteral("yes");
    case No: return QStringLiteral("no");
    default: return QString::number(button);
    }
}

int DesktopServices::buttonFromName(const QString &name)
{
    for (int b = Ok; b <= No; ++b) {
        if (name.compare(buttonName(b), Qt::CaseInsensitive) == 0)
            return b;
    }
    return 0;
}

QString DesktopServices::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts).join(u' ');
        entries << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace zeva
