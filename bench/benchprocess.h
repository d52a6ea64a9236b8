#pragma once
// What every benchmark program does around its measurements: the offscreen platform unless
// one was asked for, numeric options, and the process's own memory figures.

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <cstdlib>

namespace zeva::bench {

// Before the QApplication: no window reaches a screen unless QT_QPA_PLATFORM says so.
inline void defaultToOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The number after `name` on the command line, at least `minimum`; `fallback` without it.
inline int intOption(int argc, char **argv, const char *name, int fallback, int minimum)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return std::max(minimum, std::atoi(argv[i + 1]));
    }
    return fallback;
}

// A figure of /proc/self/status in megabytes ("VmRSS:", "VmHWM:"); 0 where there is none.
inline double statusMegabytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const qsizetype length = qsizetype(std::strlen(field));
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(length).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

} // namespace zeva::bench
