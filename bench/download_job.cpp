// A download job as a user runs it, imported to finished: four files with a
// PAR2 set of about 10 % (index and volumes), posted as yEnc articles of
// 700 KiB, fetched over 20 connections from the scripted news server on
// 127.0.0.1, written, verified (and repaired) and moved on by the engine as
// the program wires it. Prints per job: the wall time from the import to the
// job's end, the time from the last article in to the last file in place,
// the download rate, the peak resident set and the CPU seconds of the
// program side.
//
// The program side runs in a process of its own, and so does the server,
// which makes each article when it is asked for it from files prepared
// once: the peak resident set is the download's alone.
//
//   bench_download_job                 200 MB, 2 GB, and 2 GB with 5 articles missing
//   bench_download_job MB [MISSING]    one job
//
// The prepared files (data, PAR2 set, articles) are kept between runs in
// $BINORAMA_BENCH_CACHE, by default <tmp>/binorama-bench-download; a 2 GB job
// takes about 4.5 GB there and a minute or more to prepare.

#include "engine/EngineControllers.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/NzbFixture.h"
#include "support/Par2SetMaker.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>

#include "queue/ArticleDecodePool.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kArticleBytes = 700 * 1024;
constexpr int kDataFiles = 4;
constexpr int kConnections = 20;
// The busy writer's file, written over again from its start once full.
constexpr qint64 kBusyFileBytes = qint64(4) << 30;
// What it writes before the job is imported.
constexpr qint64 kBusyLeadBytes = qint64(1) << 30;

QString cacheFolder(qint64 megabytes)
{
    QString base = qEnvironmentVariable("BINORAMA_BENCH_CACHE");
    if (base.isEmpty()) base = QDir::tempPath() + QStringLiteral("/binorama-bench-download");
    return base + QStringLiteral("/MB%1").arg(megabytes);
}

QString dataName(int i)
{
    return QStringLiteral("holiday.part%1.bin").arg(i + 1);
}

QByteArray midOf(const QString& file, qint64 article)
{
    return QStringLiteral("%1.part%2@bench.test").arg(file).arg(article + 1).toUtf8();
}

// The articles made missing: spread over the first data file.
QSet<QByteArray> missingMids(int count)
{
    QSet<QByteArray> mids;
    for (int i = 0; i < count; ++i)
        mids.insert(midOf(dataName(0), 10 + 20 * i));
    return mids;
}

bool writeDataFile(const QString& path, qint64 bytes, quint64 seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    quint64 state = seed;
    for (qint64 written = 0; written < bytes; written += chunk.size()) {
        auto* words = reinterpret_cast<quint64*>(chunk.data());
        for (qsizetype i = 0; i < chunk.size() / 8; ++i) {
            // splitmix64
            quint64 z = (state += 0x9E3779B97F4A7C15ULL);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            words[i] = z ^ (z >> 31);
        }
        const qint64 n = std::min<qint64>(chunk.size(), bytes - written);
        if (f.write(chunk.constData(), n) != n) return false;
    }
    return true;
}

// Data files, PAR2 set, every article in its transfer form in one file with
// an index ("mid offset length" lines), and the NZB (index first, then the
// data files, then the volumes). Made once per size.
bool prepare(const QString& folder, qint64 megabytes)
{
    if (QFile::exists(folder + QStringLiteral("/ready"))) return true;
    QDir().mkpath(folder);
    const qint64 total = megabytes * 1000 * 1000;
    QStringList data;
    for (int i = 0; i < kDataFiles; ++i) {
        data << dataName(i);
        if (!writeDataFile(folder + QLatin1Char('/') + data.last(), total / kDataFiles, 1000 + quint64(i)))
            return false;
    }
    // About 280 slices whatever the size, so that making the set takes time
    // in proportion to the size only; 10 % of them as recovery blocks.
    const qint64 slice = std::max<qint64>(1, (total + 280 * kArticleBytes - 1) / (280 * kArticleBytes)) * kArticleBytes;
    const int blocks = int((total / slice + 9) / 10);
    QString output;
    const QStringList par2 =
        Par2SetMaker::create(folder, QStringLiteral("holiday"), data, slice, blocks, &output, 3600 * 1000);
    if (par2.isEmpty()) {
        std::fprintf(stderr, "par2: %s\n", qPrintable(output));
        return false;
    }
    QStringList posted{QFileInfo(par2.first()).fileName()};
    posted += data;
    for (qsizetype i = 1; i < par2.size(); ++i)
        posted << QFileInfo(par2[i]).fileName();

    QFile articles(folder + QStringLiteral("/articles.bin"));
    QFile index(folder + QStringLiteral("/articles.idx"));
    if (!articles.open(QIODevice::WriteOnly) || !index.open(QIODevice::WriteOnly)) return false;
    NzbFixture nzb;
    for (qsizetype f = 0; f < posted.size(); ++f) {
        QFile in(folder + QLatin1Char('/') + posted[f]);
        if (!in.open(QIODevice::ReadOnly)) return false;
        const qint64 size = in.size();
        const int count = int(std::max<qint64>(1, (size + kArticleBytes - 1) / kArticleBytes));
        NzbFixture::File file;
        file.subject = NzbFixture::subjectFor(posted[f], int(f + 1), int(posted.size()), count);
        for (int a = 0; a < count; ++a) {
            const QByteArray bytes = in.read(kArticleBytes);
            ArticleFixtures::YencPart part;
            part.name = posted[f].toUtf8();
            part.fileSize = size;
            part.part = a + 1;
            part.total = count;
            part.begin = qint64(a) * kArticleBytes + 1;
            const QByteArray block = ArticleFixtures::yencBody(bytes, part);
            const QByteArray mid = midOf(posted[f], a);
            index.write(mid + ' ' + QByteArray::number(articles.pos()) + ' ' +
                        QByteArray::number(block.size()) + '\n');
            articles.write(block);
            file.articles.append({block.size(), a + 1, QString::fromUtf8(mid)});
        }
        nzb.addFile(file);
    }
    if (!nzb.write(folder + QStringLiteral("/holiday.nzb"))) return false;
    QFile ready(folder + QStringLiteral("/ready"));
    return ready.open(QIODevice::WriteOnly);
}

// The server process: prepares the files, serves them, and says
// "ready <port> <nzb>" on its standard output.
int serve(qint64 megabytes, int missing)
{
    const QString folder = cacheFolder(megabytes);
    QElapsedTimer prepared;
    prepared.start();
    if (!prepare(folder, megabytes)) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(folder));
        return 1;
    }
    QHash<QByteArray, QPair<qint64, qint64>> where;
    QFile index(folder + QStringLiteral("/articles.idx"));
    if (!index.open(QIODevice::ReadOnly)) return 1;
    while (!index.atEnd()) {
        const QList<QByteArray> fields = index.readLine().trimmed().split(' ');
        if (fields.size() == 3) where.insert('<' + fields[0] + '>', {fields[1].toLongLong(), fields[2].toLongLong()});
    }
    QSet<QByteArray> gone;
    for (const QByteArray& mid : missingMids(missing))
        gone.insert('<' + mid + '>');
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/articles.bin")).constData(), O_RDONLY);
    if (fd < 0) return 1;

    ScriptedNntpServer server;
    server.setArticleSource([&where, gone, fd](const QByteArray& mid) -> std::optional<QByteArray> {
        const auto it = where.constFind(mid);
        if (it == where.constEnd() || gone.contains(mid)) return std::nullopt;
        QByteArray block(qsizetype(it->second), Qt::Uninitialized);
        if (::pread(fd, block.data(), size_t(block.size()), off_t(it->first)) != it->second) return std::nullopt;
        return block;
    });
    if (!server.start()) return 1;
    std::printf("ready %u %s %.1f\n", unsigned(server.port()),
                qPrintable(folder + QStringLiteral("/holiday.nzb")), double(prepared.elapsed()) / 1000.0);
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// The program side: times taken from the file parts' statuses as the
// scheduler is told of them.
class TimingQueueController : public QueueController
{
public:
    void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue) override
    {
        const qint64 now = clock.nsecsElapsed();
        if (toValue == FilePartStatus::Downloaded) lastArticle = std::max(lastArticle, now);
        if (toValue == FilePartStatus::WriteFinished) lastWritten = std::max(lastWritten, now);
        QueueController::statusChangedForFilepart(filepart, fromValue, toValue);
    }
    QElapsedTimer clock;
    qint64 lastArticle = 0;
    qint64 lastWritten = 0;
};

// The resident set now, in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong()) * double(::sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

// The /proc folder of this process ("self") or of another one.
QString procFolder(qint64 pid = 0)
{
    return pid > 0 ? QStringLiteral("/proc/%1").arg(pid) : QStringLiteral("/proc/self");
}

// A field of a /proc status file in kB ("RssAnon:"), 0 when absent.
qint64 statusKiB(const QString& proc, const char* key)
{
    QFile file(proc + QStringLiteral("/status"));
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray status = file.readAll();
    const qsizetype at = status.indexOf(key);
    if (at < 0) return 0;
    const qsizetype end = status.indexOf('\n', at);
    return status.mid(at + qsizetype(std::strlen(key)), end - at - qsizetype(std::strlen(key)))
        .trimmed()
        .split(' ')
        .first()
        .toLongLong();
}

// The largest anonymous part of a process's resident set, read every few
// milliseconds on a thread of its own until it is destroyed.
class AnonymousPeak
{
public:
    explicit AnonymousPeak(QString proc)
        : proc_(std::move(proc)), thread_([this] {
              while (!stop_.load()) {
                  const qint64 anon = statusKiB(proc_, "RssAnon:");
                  if (anon > peakKiB_.load()) peakKiB_.store(anon);
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {}
    ~AnonymousPeak()
    {
        stop_.store(true);
        thread_.join();
    }
    double peakMiB() const { return double(peakKiB_.load()) / 1024.0; }

private:
    const QString proc_;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> peakKiB_{0};
    std::thread thread_;
};

// User and system seconds of a process's threads named `name`.
QPair<double, double> threadSeconds(const QString& proc, const QByteArray& name)
{
    const double tick = double(::sysconf(_SC_CLK_TCK));
    double user = 0, system = 0;
    const QString tasks = proc + QStringLiteral("/task/");
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + tid + QStringLiteral("/comm"));
        QFile stat(tasks + tid + QStringLiteral("/stat"));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name) continue;
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        // Fields after the name in parentheses: state is the 3rd, utime the
        // 14th and stime the 15th of the whole line.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13) continue;
        user += double(fields[11].toLongLong()) / tick;
        system += double(fields[12].toLongLong()) / tick;
    }
    return {user, system};
}

// The busy writer's process body: writes `path` over and over with 1 MiB
// blocks until it is killed, and says "busy" on its standard output once
// the first kBusyLeadBytes are written.
int writeBusily(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 1;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char(i * 131 + 7);
    bool said = false;
    for (qint64 at = 0;; at = (at + block.size()) % kBusyFileBytes) {
        if (::pwrite(fd, block.constData(), size_t(block.size()), off_t(at)) != block.size()) return 1;
        if (!said && at >= kBusyLeadBytes) {
            std::printf("busy\n");
            std::fflush(stdout);
            said = true;
        }
    }
}

// The busy writer, in a process of its own, writing into `folder` from the
// start() until it is destroyed; its file is removed then.
class BusyWriter
{
public:
    explicit BusyWriter(const QString& folder) : file_(folder + QStringLiteral("/busy-writer.bin")) {}
    ~BusyWriter()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
        QFile::remove(file_);
    }
    // Returns once the writer has written its lead.
    bool start()
    {
        process_.setReadChannel(QProcess::StandardOutput);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--busy-writer"), file_});
        QByteArray said;
        while (!said.contains("busy") && process_.waitForReadyRead(600 * 1000))
            said += process_.readAll();
        if (!said.contains("busy")) std::fprintf(stderr, "the busy writer did not start\n");
        return said.contains("busy");
    }

private:
    const QString file_;
    QProcess process_;
};

// The server process for the job, started at once, killed when destroyed.
class ServerProcess
{
public:
    ServerProcess(qint64 megabytes, int missing)
    {
        process_.setReadChannel(QProcess::StandardOutput);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--serve"), QString::number(megabytes), QString::number(missing)});
        QByteArray line;
        while (!line.endsWith('\n') && process_.waitForReadyRead(3600 * 1000))
            line += process_.readLine();
        const QList<QByteArray> ready = line.trimmed().split(' ');
        if (ready.size() != 4 || ready[0] != "ready") {
            std::fprintf(stderr, "the server did not start: %s\n", line.constData());
            return;
        }
        port_ = quint16(ready[1].toUInt());
        nzb_ = QString::fromUtf8(ready[2]);
    }
    ~ServerProcess()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool isReady() const { return port_ != 0; }
    quint16 port() const { return port_; }
    QString nzb() const { return nzb_; }

private:
    QProcess process_;
    quint16 port_ = 0;
    QString nzb_;
};

double cpuSeconds(const rusage& u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int client(qint64 megabytes, int missing, bool busy)
{
    const ServerProcess server(megabytes, missing);
    if (!server.isReady()) return 1;
    const quint16 port = server.port();
    const QString nzb = server.nzb();

    int rc = 0;
    {
        TempHome home;
        ScriptedDialogAnswerer dialogs;
        UserDefaults::standard().setObject(home.makeFolder(QStringLiteral("incoming")),
                                           QStringLiteral("downloadPath"));
        EngineControllers engine;
        TimingQueueController* scheduler = nullptr;
        EngineControllers::Hooks hooks;
        hooks.makeQueueController = [&scheduler] {
            auto timing = std::make_unique<TimingQueueController>();
            scheduler = timing.get();
            return std::unique_ptr<QueueController>(std::move(timing));
        };
        engine.initControllers(hooks);
        NNTPServersController* list = engine.nntpServersController();
        addScriptedServerEntry(*list, port, QStringLiteral("Bench"), kConnections);
        list->buildLocalArrays();

        // The busy writer writes beside the download folder, on its disk.
        BusyWriter writer(home.path());
        if (busy && !writer.start()) rc = 1;

        const double idle = residentMiB();
        const QPair<double, double> poolBefore = threadSeconds(procFolder(), ArticleDecodePool::kThreadName);
        std::unique_ptr<AnonymousPeak> anonymous = std::make_unique<AnonymousPeak>(procFolder());
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        scheduler->clock.start();
        engine.nzbController()->parseFileUrl(nzb, false);
        QueuePtr job;
        // Finished, or stopped: errors, not enough blocks, paused.
        const QSet<qint64> ends{JobStatus::Finished,
                                JobStatus::CorruptFileOrWrongPassword,
                                JobStatus::NoRepairFiles,
                                JobStatus::NotEnoughRepairBlocks,
                                JobStatus::FilePartFailed,
                                JobStatus::PausedPossiblyIncomplete};
        const bool ended = waitUntil(
            [&] {
                if (!job)
                    for (const QueuePtr& q : engine.queueController()->queueArray())
                        if (q->nzbFile() == nzb) job = q;
                return job && (ends.contains(job->status()) || job->isPaused());
            },
            3600 * 1000);
        const double wall = double(scheduler->clock.nsecsElapsed()) / 1e9;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        const QPair<double, double> poolAfter = threadSeconds(procFolder(), ArticleDecodePool::kThreadName);
        const double anonymousPeak = anonymous->peakMiB();
        anonymous.reset();

        const double download = double(scheduler->lastArticle) / 1e9;
        std::printf("%5lld MB, %d missing%s: status %lld%s  wall %.2f s  last article at %.2f s (%.0f MB/s)  "
                    "last file in place %.3f s after it  peak RSS %.1f MiB (%.1f MiB anonymous; %.1f MiB before "
                    "the import)  CPU %.1f s (+%.1f s in tools)  decode pool user %.2f s system %.2f s\n",
                    (long long)megabytes, missing, busy ? ", busy disk" : "", job ? (long long)job->status() : -1LL,
                    ended && job && job->status() == JobStatus::Finished ? "" : " (NOT FINISHED)", wall, download,
                    download > 0 ? double(megabytes) / download : 0.0,
                    double(scheduler->lastWritten - scheduler->lastArticle) / 1e9,
                    double(after.ru_maxrss) / 1024.0, anonymousPeak, idle, cpuSeconds(after) - cpuSeconds(before),
                    cpuSeconds(children), poolAfter.first - poolBefore.first, poolAfter.second - poolBefore.second);
        std::fflush(stdout);
        if (!ended || !job || job->status() != JobStatus::Finished) rc = 1;
    }
    return rc;
}

// The whole program: the built executable, started on the NZB with no
// window shown (offscreen) in a temporary home whose settings and server
// store are prepared as a user leaves them. Its figures are read from /proc
// once its log says the job is finished, before it is asked to quit; the
// wall time counts from its start.
int programClient(qint64 megabytes, int missing, bool busy)
{
    const ServerProcess server(megabytes, missing);
    if (!server.isReady()) return 1;
    int rc = 0;
    {
        TempHome home;
        // This process's own log lines go elsewhere: the log is the program's.
        UserDefaults& d = UserDefaults::standard();
        d.registerDefaults({{QStringLiteral("logFilePath"), home.path() + QStringLiteral("/bench-process.log")}});
        d.setObject(home.makeFolder(QStringLiteral("incoming")), QStringLiteral("downloadPath"));
        d.setBool(false, QStringLiteral("showDialogMakeDefaultForNZB"));
        d.setDouble(50e6, QStringLiteral("minFreeSpace"));
        d.setBool(false, QStringLiteral("checkForUpdates"));
        d.synchronize();
        {
            NNTPServersController list;
            addScriptedServerEntry(list, server.port(), QStringLiteral("Bench"), kConnections);
            if (!list.saveNNTPServers()) return 1;
        }
        BusyWriter writer(home.path());
        if (busy && !writer.start()) rc = 1;

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setStandardOutputFile(home.path() + QStringLiteral("/program.out"));
        QElapsedTimer clock;
        clock.start();
        // Another build of the program may be measured instead.
        const QString executable =
            qEnvironmentVariable("BINORAMA_BENCH_PROGRAM", QStringLiteral(BINORAMA_BINARY_DIR "/src/binorama"));
        program.start(executable, {server.nzb()});
        if (!program.waitForStarted(20000)) return 1;
        const QString proc = procFolder(program.processId());
        std::unique_ptr<AnonymousPeak> anonymous = std::make_unique<AnonymousPeak>(proc);

        // The log is read as it grows.
        QFile log(home.logFilePath());
        QByteArray tail;
        const bool finished = waitUntil(
            [&] {
                if (!log.isOpen() && !log.open(QIODevice::ReadOnly)) return false;
                tail = tail.right(64) + log.readAll();
                return tail.contains("Queue Finished ") || program.state() == QProcess::NotRunning;
            },
            3600 * 1000) &&
                              program.state() == QProcess::Running;
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const QPair<double, double> pool = threadSeconds(proc, ArticleDecodePool::kThreadName);
        const double peak = double(statusKiB(proc, "VmHWM:")) / 1024.0;
        const double anonymousPeak = anonymous->peakMiB();
        anonymous.reset();
        double cpu = 0;
        {
            QFile stat(proc + QStringLiteral("/stat"));
            if (stat.open(QIODevice::ReadOnly)) {
                const QByteArray line = stat.readAll();
                const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
                if (fields.size() > 12)
                    cpu = double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
            }
        }
        ::kill(pid_t(program.processId()), SIGTERM);
        if (!program.waitForFinished(120000)) {
            program.kill();
            program.waitForFinished();
        }
        std::printf("%5lld MB, %d missing%s, the whole program: %s  wall %.2f s from its start  peak RSS %.1f MiB "
                    "(%.1f MiB anonymous)  CPU %.1f s  decode pool user %.2f s system %.2f s\n",
                    (long long)megabytes, missing, busy ? ", busy disk" : "",
                    finished ? "finished" : "NOT FINISHED", wall, peak, anonymousPeak, cpu, pool.first,
                    pool.second);
        std::fflush(stdout);
        if (!finished) rc = 1;
    }
    return rc;
}

int runInProcess(const QStringList& arguments)
{
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), arguments);
    run.waitForFinished(-1);
    return run.exitCode();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--serve")) return serve(args[1].toLongLong(), args[2].toInt());
    if (args.size() == 5 && args[0] == QLatin1String("--client")) {
        const bool busy = args[3] == QLatin1String("busy");
        return args[4] == QLatin1String("program") ? programClient(args[1].toLongLong(), args[2].toInt(), busy)
                                                   : client(args[1].toLongLong(), args[2].toInt(), busy);
    }
    if (args.size() == 2 && args[0] == QLatin1String("--busy-writer")) return writeBusily(args[1]);

    struct Job
    {
        qint64 megabytes;
        int missing;
        bool busy;
        bool program;
    };
    QList<Job> jobs;
    const bool busy = args.removeAll(QStringLiteral("--busy")) > 0;
    const bool program = args.removeAll(QStringLiteral("--program")) > 0;
    if (!args.isEmpty())
        jobs.append({args[0].toLongLong(), args.size() > 1 ? args[1].toInt() : 0, busy, program});
    else
        jobs = {{200, 0, false, false}, {2000, 0, false, false}, {2000, 5, false, false},
                {2000, 0, true, false},  {2000, 0, false, true},  {2000, 0, true, true}};
    std::printf("articles of %lld KiB, %d connections, %d data files with a 10 %% PAR2 set\n",
                (long long)(kArticleBytes / 1024), kConnections, kDataFiles);
    std::fflush(stdout);
    int rc = 0;
    for (const Job& job : jobs) {
        const int one = runInProcess({QStringLiteral("--client"), QString::number(job.megabytes),
                                      QString::number(job.missing),
                                      job.busy ? QStringLiteral("busy") : QStringLiteral("quiet"),
                                      job.program ? QStringLiteral("program") : QStringLiteral("engine")});
        rc = rc ? rc : one;
    }
    // Figures only: a benchmark never fails a run.
    (void)rc;
    return 0;
}
