// The host's system object, its services and its options.
#include "desktopfieldfocus.h"
#include "hostoptions.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "levelcoderule.h"
#include "memorybinarystream.h"
#include "namedcommandlineargs.h"
#include "standardvalueconverter.h"
#include "tablekeyallocator.h"

namespace zeva::host {

bool HostOptions::setParameter(const QString &assignment, QString *error)
{
    const qsizetype eq = assignment.indexOf(u'=');
    const QString name = assignment.left(eq).trimmed();
    if (eq < 0 || name.isEmpty()) {
        if (error)
            *error = QStringLiteral("A parameter is NAME=VALUE or NUMBER=VALUE, not \"%1\".").arg(assignment);
        return false;
    }
    const QString value = assignment.mid(eq + 1);
    bool numbered = false;
    const int number = name.toInt(&numbered);
    if (!numbered)
        namedParameters.insert(name.toLower(), value);
    else if (number == 16)
        codeRule = value;
    else if (number == 4)
        currency = value;
    else
        numberedParameters.insert(number, value);
    return true;
}

bool HostOptions::setRights(const QString &letters, QString *error)
{
    OperationRights granted;
    if (letters.compare(QStringLiteral("none"), Qt::CaseInsensitive) != 0) {
        for (QChar c : letters) {
            switch (c.toUpper().unicode()) {
            case u'A': granted.RightA = true; break;
            case u'B': granted.RightB = true; break;
            case u'C': granted.RightC = true; break;
            default:
                if (error)
                    *error = QStringLiteral("Rights are letters of A, B and C (or \"none\"), not \"%1\".").arg(letters);
                return false;
            }
        }
    }
    rights = granted;
    return true;
}

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
    m_relayed << QStringLiteral("event\t%1\t%2\t%3\t%4\t%5").arg(value).arg(first).arg(second).arg(third).arg(marker);
}

void KitHostSystem::RelayFieldLookup(const QString &first, const QString &second, const QString &third,
                                     const QVariant &fieldText, int firstNumber, int secondNumber)
{
    m_relayed << QStringLiteral("lookup\t%1\t%2\t%3\t%4\t%5\t%6")
                     .arg(first, second, third, fieldText.toString())
                     .arg(firstNumber)
                     .arg(secondNumber);
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
    return std::make_unique<MemoryBinaryStream>();
}

} // namespace zeva::host
