#pragma once

// Shared by the fuzz targets: the set-up the engine's parsers expect, made
// once per process, and the clean-up after each input.

#include "codec/DecodeRequest.h"
#include "core/Logger.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// A Qt application (some parsers use its services) and a home of its own,
// so that log lines go to a throw-away folder.
inline void setUp()
{
    static QTemporaryDir* home = [] {
        auto* dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/binorama-fuzz-XXXXXX"));
        const QByteArray path = dir->path().toUtf8();
        qputenv("HOME", path);
        qputenv("XDG_DATA_HOME", path + "/data");
        qputenv("XDG_CONFIG_HOME", path + "/config");
        qputenv("XDG_CACHE_HOME", path + "/cache");
        static int argc = 1;
        static char name[] = "binorama-fuzz";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
        return dir;
    }();
    (void)home;
}

// No event loop runs to hand the log lines on to the log page: they are
// dropped after each input with the timer event that would have handed them
// on, so that an input frees what it allocated (libFuzzer looks for leaks
// only in inputs that do not) and memory stays flat over millions of runs.
inline void afterInput()
{
    Logger::shared()->resetForTesting();
    QCoreApplication::removePostedEvents(nullptr);
}

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Article bodies as the server ends them: each up to and including its
// terminating "." line; what follows the last one is one more body.
inline QList<QByteArray> splitBodies(const QByteArray& input)
{
    QList<QByteArray> bodies;
    qsizetype start = 0;
    for (qsizetype at = input.indexOf("\r\n.\r\n"); at >= 0; at = input.indexOf("\r\n.\r\n", start)) {
        bodies.append(input.mid(start, at + 5 - start));
        start = at + 5;
    }
    if (start < input.size()) bodies.append(input.mid(start));
    return bodies;
}

inline DecodeRequest request(QList<QByteArray>& bodies)
{
    DecodeRequest r;
    r.bodies = std::span<QByteArray>(bodies.data(), size_t(bodies.size()));
    r.partFilename = QStringLiteral("fuzz.bin");
    r.jobTitle = QStringLiteral("fuzz");
    return r;
}

} // namespace fuzz
