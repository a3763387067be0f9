// Name correction of a large job: 1,000 obfuscated files of 20 KiB in the
// temporary folder and 50 PAR2 files, each describing 20 of them. Prints the
// time of the first run (every file renamed) and of a second run over the
// corrected folder (nothing to do), and the files renamed.
#include "postprocess/ObfuscatedController.h"
#include "queue/Queue.h"

#include "support/HandMadePar2Set.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {

bool write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

double timeRun(const QueuePtr& job)
{
    const auto start = std::chrono::steady_clock::now();
    ObfuscatedController(job).main();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    const QString folder = home.downloadsPath() + "/Job";
    const QString temp = folder + "/temp";
    QDir().mkpath(temp);
    constexpr int kPar2Files = 50;
    constexpr int kFilesPerSet = 20;
    for (int set = 0; set < kPar2Files; ++set) {
        QList<HandMadePar2Set::Member> members;
        for (int i = 0; i < kFilesPerSet; ++i) {
            const int n = set * kFilesPerSet + i;
            const QByteArray data = seededPattern(20480, n);
            members.append({QStringLiteral("proper-%1.bin").arg(n, 4, 10, QLatin1Char('0')).toUtf8(), data});
            if (!write(temp + QStringLiteral("/x%1").arg(n * 7919), data)) return 1;
        }
        if (!write(temp + QStringLiteral("/set%1.par2").arg(set), HandMadePar2Set::index(4096, members)))
            return 1;
    }
    QueuePtr job = Queue::create();
    job->setDownloadUrl(folder);

    const double first = timeRun(job);
    const int renamed = int(QDir(temp).entryList({"proper-*.bin"}, QDir::Files).size());
    const double second = timeRun(job);
    std::printf("name correction, %d PAR2 files x %d files of 20 KiB:\n", kPar2Files,
                kPar2Files * kFilesPerSet);
    std::printf("  first run  %8.1f ms (%d files renamed)\n", first * 1000.0, renamed);
    std::printf("  second run %8.1f ms (nothing to rename)\n", second * 1000.0);
    return renamed == kPar2Files * kFilesPerSet ? 0 : 1;
}
