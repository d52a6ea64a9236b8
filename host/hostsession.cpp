#include "hostsession.h"

#include "controlloader.h"

#include <QDir>
#include <QStandardPaths>

namespace zeva::host {

namespace {
const QString kUser = QStringLiteral("user");
const QString kLoginDate = QStringLiteral("login-date");
const QString kRights = QStringLiteral("rights");
const QString kParam = QStringLiteral("param");
const QString kCodeRule = QStringLiteral("code-rule");
const QString kCzid = QStringLiteral("czid");
const QString kId = QStringLiteral("id");
const QString kSetting = QStringLiteral("setting");
const QString kSettingsDir = QStringLiteral("settings-dir");
const QString kSettingsKey = QStringLiteral("settings-key");
}

void addSessionOptions(QCommandLineParser &parser)
{
    parser.addOption({kUser, QStringLiteral("The logged-in user (default: admin)."), QStringLiteral("NAME")});
    parser.addOption({kLoginDate, QStringLiteral("The login date, yyyy-MM-dd (default: today)."), QStringLiteral("DATE")});
    parser.addOption({kRights, QStringLiteral("The rights granted: any of A (prices), B (download, delete drawings), "
                                              "C (upload, show picture), or none (default: ABC)."),
                      QStringLiteral("LETTERS")});
    parser.addOption({kParam, QStringLiteral("A system parameter: NAME=VALUE (kind 11) or NUMBER=VALUE (kind 12); repeatable."),
                      QStringLiteral("ASSIGNMENT")});
    parser.addOption({kCodeRule, QStringLiteral("The category code rule, level lengths such as 2-2-3 (default)."),
                      QStringLiteral("RULE")});
    parser.addOption({kCzid, QStringLiteral("The form's operation ID (default: 200008)."), QStringLiteral("ID")});
    parser.addOption({kId, QStringLiteral("The product ID handed to the form at start."), QStringLiteral("ID")});
    parser.addOption({kSetting, QStringLiteral("A per-user setting stored before the form starts: KEY=VALUE; repeatable."),
                      QStringLiteral("ASSIGNMENT")});
    parser.addOption({kSettingsDir, QStringLiteral("The folder of the per-user settings (default: %1).").arg(defaultSettingsFolder()),
                      QStringLiteral("DIR")});
    parser.addOption({kSettingsKey, QStringLiteral("The login's settings key, the application name of the settings "
                                                   "(default: zeva; empty reads none)."),
                      QStringLiteral("NAME")});
}

QString defaultSettingsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QStringLiteral("/zeva-host/settings");
}

bool readSessionOptions(const QCommandLineParser &parser, SessionOptions &options, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (parser.isSet(kUser))
        options.host.userName = parser.value(kUser);
    if (parser.isSet(kLoginDate)) {
        const QDate date = QDate::fromString(parser.value(kLoginDate), Qt::ISODate);
        if (!date.isValid())
            return fail(QStringLiteral("--login-date takes a date as yyyy-MM-dd, not \"%1\"").arg(parser.value(kLoginDate)));
        options.host.loginDate = date;
    }
    if (parser.isSet(kRights) && !options.host.setRights(parser.value(kRights), error))
        return false;
    for (const QString &assignment : parser.values(kParam)) {
        if (!options.host.setParameter(assignment, error))
            return false;
    }
    if (parser.isSet(kCodeRule))
        options.host.codeRule = parser.value(kCodeRule);
    if (parser.isSet(kSettingsKey))
        options.host.settingsKey = parser.value(kSettingsKey);
    bool ok = true;
    if (parser.isSet(kCzid) && (options.czid = parser.value(kCzid).toInt(&ok), !ok))
        return fail(QStringLiteral("--czid takes a whole number"));
    if (parser.isSet(kId)) {
        const int id = parser.value(kId).toInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--id takes a whole number"));
        options.id = id;
    }
    for (const QString &assignment : parser.values(kSetting)) {
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq <= 0)
            return fail(QStringLiteral("--setting takes KEY=VALUE, not \"%1\"").arg(assignment));
        options.settings.append({assignment.left(eq), assignment.mid(eq + 1)});
    }
    options.settingsFolder = parser.isSet(kSettingsDir) ? parser.value(kSettingsDir) : defaultSettingsFolder();
    return true;
}

HostSession::HostSession(std::shared_ptr<SqlHostDatabase> database, SessionOptions options, DesktopServices &desktop)
    : m_database(std::move(database)), m_options(std::move(options)), m_services(desktop),
      m_system(std::make_shared<KitHostSystem>(m_database, m_options.host))
{
    for (const auto &[key, value] : m_options.settings)
        desktop.setSetting(m_options.host.settingsKey, QStringLiteral("settings"), key, value);
}

HostSession::~HostSession() = default;

bool HostSession::load(QWidget *parent, QString *error)
{
    m_control = createDrawing(m_services, parent, error);
    return m_control != nullptr;
}

bool HostSession::init()
{
    if (!m_control)
        return false;
    m_initialized = true;
    return m_control->IFormUI_Init(m_system, m_options.czid, m_options.id);
}

} // namespace zeva::host
