#pragma once
// One session of the host with the drawing control: the login, rights, parameters and
// settings of the command line, the database, and the control loaded and initialised
// once. The host window and the batch mode both drive the control through it.

#include "hostoptions.h"
#include "formcontrol.h"
#include "kithostservices.h"
#include "kithostsystem.h"
#include "sqlhostdatabase.h"

#include <QCommandLineParser>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace zeva::host {

struct SessionOptions {
    HostOptions host;
    int czid = 200008;                      // the form's operation ID (plCzID)
    std::optional<int> id;                  // plID
    QString settingsFolder;                 // per-user settings, one INI file per application
    QList<QPair<QString, QString>> settings;   // --setting KEY=VALUE, stored before the form starts
};

// Adds --user, --login-date, --rights, --param, --code-rule, --czid, --id, --setting,
// --settings-dir and --settings-key.
void addSessionOptions(QCommandLineParser &parser);
// False, with the reason in `error`, for a malformed option.
bool readSessionOptions(const QCommandLineParser &parser, SessionOptions &options, QString *error);
// ~/.config/zeva-host/settings unless --settings-dir says otherwise.
QString defaultSettingsFolder();

class HostSession {
public:
    // `desktop` outlives the session; the --setting values are stored into it here.
    HostSession(std::shared_ptr<SqlHostDatabase> database, SessionOptions options, DesktopServices &desktop);
    ~HostSession();

    // Loads the control from its library under `parent`; false with the reason.
    bool load(QWidget *parent, QString *error);
    FormControl *control() const { return m_control; }
    // IFormUI_Init with the session's system object, operation ID and product ID.
    bool init();
    bool initialized() const { return m_initialized; }

    KitHostSystem &system() { return *m_system; }
    // The form holds no reference to the system object (before Init, after Clear).
    bool systemReleased() const { return m_system.use_count() == 1; }
    DesktopServices &desktop() { return m_services.desktop(); }
    SqlHostDatabase &database() { return *m_database; }
    const SessionOptions &options() const { return m_options; }

private:
    std::shared_ptr<SqlHostDatabase> m_database;
    SessionOptions m_options;
    KitHostServices m_services;
    std::shared_ptr<KitHostSystem> m_system;
    QPointer<FormControl> m_control;
    bool m_initialized = false;
};

} // namespace zeva::host
