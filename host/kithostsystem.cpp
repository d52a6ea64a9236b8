#include "kithostsystem.h"

namespace zeva::host {

KitHostSystem::KitHostSystem(std::shared_ptr<HostDatabase> database, HostOptions options)
    : m_database(std::move(database)), m_options(std::move(options)),
      m_preloaded(std::make_shared<RecordingPreloadedForm>()), m_windows(std::make_shared<WindowRegistry>())
{
}

std::shared_ptr<HostDatabase> KitHostSystem::Database()
{
    return m_database;
}

OperationRights KitHostSystem::GetRights(int)
{
    return m_options.rights;
}

HostParameter KitHostSystem::GetParameter(int kind, const QVariant &key)
{
    if (kind == 11)
        return {m_options.namedParameters.value(key.toString().trimmed().toLower())};
    if (kind == 12) {
        bool ok = false;
        const int number = key.toInt(&ok);
        if (!ok)
            return {};
        if (number == 16)
            return {m_options.codeRule};
        if (number == 4)
            return {m_options.currency};
        return {m_options.numberedParameters.value(number)};
    }
    return {};
}

void KitHostSystem::RelayFieldEvent(const QString &value, int first, int second, int third, int marker)
{
    m_relayed << QStringLiteral("RelayFieldEvent\t%1\t%2\t%3\t%4\t%5").arg(value).arg(first).arg(second).arg(third).arg(marker);
}

void KitHostSystem::RelayFieldLookup(const QString &first, const QString &second, const QString &third,
                                     const QVariant &fieldText, int firstNumber, int secondNumber)
{
    m_relayed << QStringLiteral("RelayFieldLookup\t%1\t%2\t%3\t%4\t%5\t%6")
                     .arg(first, second, third, fieldText.toString())
                     .arg(firstNumber)
                     .arg(secondNumber);
    if (secondNumber == kPickListAsked && m_pickHandler)
        m_pickHandler(first, fieldText.toString());
}

std::shared_ptr<PreloadedForm> KitHostSystem::GetPreloadedForm(const QString &name)
{
    if (name.compare(QStringLiteral("zeva"), Qt::CaseInsensitive) == 0)
        return m_preloaded;
    return nullptr;
}

HostLogin KitHostSystem::Login()
{
    return m_options.login();
}

std::shared_ptr<HostWindowService> KitHostSystem::WindowService()
{
    return m_windows;
}

} // namespace zeva::host
