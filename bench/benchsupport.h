#pragma once
// What the benchmarks share: timing, and the PostgreSQL server they measure on (the one of
// ZEVA_TEST_PG, or a scratch cluster started for the run).

#include "scratchpostgres.h"
#include "sqlhostdatabase.h"

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace zeva::bench {

inline double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

inline double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(elapsedMs(work));
    return median(std::move(times));
}

// Null, with the reason in `error`, when no server can be had. `scratch` keeps a started
// cluster alive for as long as the caller holds it.
inline std::shared_ptr<host::SqlHostDatabase> openPostgres(host::ScratchPostgres &scratch, QString *error)
{
    QString connection = qEnvironmentVariable("ZEVA_TEST_PG");
    if (connection.isEmpty()) {
        if (!scratch.start(error))
            return nullptr;
        connection = scratch.connectionString();
    }
    return host::SqlHostDatabase::openPostgres(connection, error);
}

} // namespace zeva::bench
