#include "scratchpostgres.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace zeva::host {

namespace {

// Runs a PostgreSQL tool, as the postgres user when we are root.
bool runTool(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + arguments);
    else
        process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    *output = QString::fromLocal8Bit(process.readAll());
    if (!finished && output->isEmpty())
        *output = process.errorString();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

ScratchPostgres::ScratchPostgres() = default;

ScratchPostgres::~ScratchPostgres()
{
    if (!m_connection.isEmpty()) {
        QString output;
        runTool(m_bin + QStringLiteral("/pg_ctl"),
                {QStringLiteral("-D"), m_folder->filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("fast"),
                 QStringLiteral("-w"), QStringLiteral("stop")},
                &output);
    }
}

bool ScratchPostgres::start(QString *error)
{
    QString scratch;
    QString &why = error ? *error : scratch;
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    if (versions.isEmpty() || !QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(versions.last()))) {
        why = QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb).");
        return false;
    }
    m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(versions.last());
    m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zeva-pg-XXXXXX"));
    if (!m_folder->isValid()) {
        why = QStringLiteral("Cannot make a temporary folder: %1").arg(m_folder->errorString());
        return false;
    }
    QString output;
    if (::geteuid() == 0) {
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres:"), m_folder->path()});
        QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                    | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                                    | QFileDevice::ExeGroup);
    }
    const QString data = m_folder->filePath(QStringLiteral("data"));
    if (!runTool(m_bin + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                  QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres")},
                 &output)) {
        why = QStringLiteral("initdb failed: %1").arg(output);
        return false;
    }
    if (!runTool(m_bin + QStringLiteral("/pg_ctl"),
                 {QStringLiteral("-D"), data, QStringLiteral("-l"), m_folder->filePath(QStringLiteral("server.log")),
                  QStringLiteral("-w"), QStringLiteral("-o"),
                  QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off").arg(m_folder->path()), QStringLiteral("start")},
                 &output)) {
        why = QStringLiteral("The PostgreSQL server did not start: %1").arg(output);
        return false;
    }
    m_connection = QStringLiteral("host=%1 port=5432 dbname=postgres user=postgres").arg(m_folder->path());
    return true;
}

} // namespace zeva::host
