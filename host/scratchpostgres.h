#pragma once
// A throwaway PostgreSQL cluster: initdb into a temporary folder (as the postgres user
// when run as root, which initdb refuses), reachable only through a Unix socket in that
// folder, stopped and removed with the object. For benchmarks and hand-run tests when no
// server is given.

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace zeva::host {

class ScratchPostgres {
public:
    ScratchPostgres();
    ~ScratchPostgres();
    ScratchPostgres(const ScratchPostgres &) = delete;
    ScratchPostgres &operator=(const ScratchPostgres &) = delete;

    // Creates and starts the cluster (C.UTF-8 locale, UTF-8). False with the reason (the
    // tools' own output) in `error`: PostgreSQL not installed, initdb or the server failing.
    [[nodiscard]] bool start(QString *error = nullptr);
    // "host=<folder> port=5432 dbname=postgres user=postgres"; empty before start.
    QString connectionString() const { return m_connection; }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_bin;
    QString m_connection;
};

} // namespace zeva::host
