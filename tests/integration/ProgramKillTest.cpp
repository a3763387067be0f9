// The built program killed (SIGKILL, as a crash or a power cut ends it) at
// the moments a job is most exposed, then started again without arguments:
// each job comes back and goes on to the exact files, and no job is left in
// the queue that can never move. The moments are made deterministic by what
// the test holds back (the rest of an NZB file read from a pipe, an article
// behind a gate) and by what the program leaves on disk, never by a fixed
// wait.

#include "ProgramRun.h"

#include "platform/UserDefaults.h"
#include "queue/DBFOD.h"
#include "queue/DBSaveRestore.h"
#include "queue/StatusCodes.h"

#include "support/ArchiveFixtureBuilder.h"
#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/NzbFixture.h"
#include "support/Par2SetMaker.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSemaphore>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// An NZB file the program reads from a pipe: the test hands it the first
// `firstBytes` bytes, and the rest only when it says so (or never).
class PipedNzb
{
public:
    PipedNzb(const QString& path, QByteArray xml, qsizetype firstBytes)
        : path_(path), xml_(std::move(xml)), first_(firstBytes)
    {
        ok_ = ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        if (!ok_) return;
        writer_ = std::thread([this] { run(); });
    }
    ~PipedNzb()
    {
        stop_ = true;
        rest_.release();
        if (writer_.joinable()) writer_.join();
    }
    bool isMade() const { return ok_; }
    // The reader has taken the first bytes (all but what the pipe holds).
    bool firstBytesTaken() const { return firstTaken_.load(); }
    void writeTheRest() { rest_.release(); }

private:
    void run()
    {
        int fd = -1;
        // Not blocking: no reader may ever come.
        while (!stop_ && fd < 0) {
            fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) ::usleep(10000);
        }
        if (fd < 0) return;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        writeAll(fd, 0, first_);
        firstTaken_ = true;
        rest_.acquire();
        if (!stop_) writeAll(fd, first_, xml_.size());
        ::close(fd);
    }
    void writeAll(int fd, qsizetype from, qsizetype to)
    {
        while (from < to) {
            const ssize_t n = ::write(fd, xml_.constData() + from, size_t(to - from));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return; // the reader is gone
            from += n;
        }
    }

    QString path_;
    QByteArray xml_;
    qsizetype first_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> firstTaken_{false};
    QSemaphore rest_;
    std::thread writer_;
};

QByteArray nzbBytes(const QString& scratch, const QList<PostedFile>& files)
{
    return writeNzb(scratch, files) ? fileBytes(scratch) : QByteArray();
}

// The files of a job folder below `folder`, recursively, hidden ones too.
QStringList filesBelow(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

// A PAR2 set made by par2 over `data` (written to `staging`), each file of
// it as posted: the index, then the volumes.
QList<PostedFile> par2SetFor(const QString& staging, const QString& name, const QList<PostedFile>& data,
                             qint64 sliceSize, int recoveryBlocks, qsizetype partBytes)
{
    QStringList names;
    for (const PostedFile& f : data) {
        QFile out(QDir(staging).filePath(f.name));
        if (!out.open(QIODevice::WriteOnly) || out.write(f.data) != f.data.size()) return {};
        names.append(f.name);
    }
    QString output;
    const QStringList made = Par2SetMaker::create(staging, name, names, sliceSize, recoveryBlocks, &output);
    QList<PostedFile> set;
    for (const QString& path : made)
        set.append(PostedFile::fromData(QFileInfo(path).fileName(), fileBytes(path), partBytes));
    return set;
}

using ProgramKill = ProgramRun;
using ProgramKillOnInn = ProgramRunOnInn;

} // namespace

// (a) A second after the job was admitted: it is saved once its NZB file is
// read whole, never as the empty job it is at its admission.
TEST_F(ProgramKillOnInn, AJobKilledJustAfterItsAdmissionComesBackAndFinishes)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 1500000, 100000, 71);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 600000, 100000, 72);
    ASSERT_NO_FATAL_FAILURE(post({photos, notes}));
    // 100 KB/s: the job is still downloading when it is killed.
    UserDefaults& d = UserDefaults::standard();
    d.setBool(true, QStringLiteral("enableBandwidthThrottling"));
    d.setBool(false, QStringLiteral("enableBandwidthThrottlingScheduler"));
    d.setDouble(800000, QStringLiteral("maxBandwidthThroughPut"));
    d.synchronize();
    const QByteArray xml = nzbBytes(home.path() + QStringLiteral("/scratch.nzb"), {photos, notes});
    // The file is read only up to its middle until the queue has been saved
    // once with the job in it.
    PipedNzb nzb(nzbPath, xml, xml.size() / 2);
    ASSERT_TRUE(nzb.isMade());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitWhileRunning([&] { return nzb.firstBytesTaken() && savedAtLeast(1); }));
    nzb.writeTheRest();
    ASSERT_TRUE(waitWhileRunning([&] { return !log.linesContaining(QStringLiteral(" (Downloading)")).isEmpty(); }));
    // Given a moment to store the job as it is now, as a save at its
    // admission would have to.
    waitWhileRunning([&] { return storedPartStatus().size() == 2; }, 5000);
    ASSERT_FALSE(finishedLogged());
    ASSERT_NO_FATAL_FAILURE(killNow());

    d.setBool(false, QStringLiteral("enableBandwidthThrottling"));
    d.synchronize();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning([&] { return finishedLogged(); }, 60000));
    expectFilesInFinalFolder({photos, notes});
    ASSERT_NO_FATAL_FAILURE(quit());
}

// (b) While a large NZB file is being read: nothing of the half-read job is
// stored, so nothing comes back that could never move; the NZB file is
// still there to be added again.
TEST_F(ProgramKill, AProgramKilledWhileANzbIsReadBringsBackNoHalfJob)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(1));
    NzbFixture nzb;
    for (int i = 1; i <= 10; ++i)
        nzb.addFile(QStringLiteral("big.part%1.rar").arg(i, 2, 10, QLatin1Char('0')), 10000, 390000);
    const QByteArray xml = nzb.toXml();
    PipedNzb piped(nzbPath, xml, xml.size() * 3 / 5);
    ASSERT_TRUE(piped.isMade());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitWhileRunning([&] { return piped.firstBytesTaken(); }));
    ASSERT_NO_FATAL_FAILURE(killNow());
    EXPECT_TRUE(QFileInfo::exists(nzbPath));

    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning(
        [&] { return !log.linesWithMessage(QStringLiteral("Loading previous SaveState.")).isEmpty(); }));
    EXPECT_TRUE(log.linesContaining(QStringLiteral("(Parsing NZB)")).isEmpty());
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_TRUE(storedJobs().isEmpty());
}

// (c) After the first of two protected files is written, with articles of
// the second missing: after the restart the repair counts the first file's
// slices from its record in the files-on-disk index, written with the
// queue, and needs only what the second lacks.
TEST_F(ProgramKill, AFileWrittenBeforeTheKillCountsForTheRepairAfterIt)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    ASSERT_NO_FATAL_FAILURE(storeServer(3));
    const QString watch = home.makeFolder(QStringLiteral("watch"));
    UserDefaults& d = UserDefaults::standard();
    d.setBool(true, QStringLiteral("enableWatchFolder"));
    d.setObject(watch, QStringLiteral("watchFolderPath"));
    d.synchronize();

    const PostedFile first = PostedFile::make(QStringLiteral("Film.part1.bin"), 120000, 2500, 81);
    const PostedFile second = PostedFile::make(QStringLiteral("Film.part2.bin"), 120000, 2500, 82);
    // 60 slices of data, 12 recovery blocks: enough for the second file's
    // damage, far from enough when the first file's slices are not counted.
    const QList<PostedFile> par2 =
        par2SetFor(home.makeFolder(QStringLiteral("staging")), QStringLiteral("Film"), {first, second}, 4096, 12, 2500);
    ASSERT_GE(par2.size(), 2);
    QList<PostedFile> files = par2;
    files << first << second;
    for (const PostedFile& f : files)
        serve(server, f);
    auto missing = [&] {
        for (qsizetype i : {5, 23})
            server.addRule(NntpRule::on("BODY").withArgument(second.bracketedMid(i)).reply(430, "No such article"));
    };
    missing();
    const auto gate = std::make_shared<NntpGate>();
    const QByteArray lastOfSecond = second.bracketedMid(second.mids.size() - 1);
    server.addRule(NntpRule::on("BODY").withArgument(lastOfSecond).heldBy(gate));
    ASSERT_TRUE(writeNzb(nzbPath, files));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    auto partFinished = [&](const QString& name) {
        return !log.linesContaining(name + QStringLiteral(" _1010_ ")).isEmpty();
    };
    ASSERT_TRUE(waitWhileRunning([&] {
        return partFinished(first.name) && partFinished(par2[0].name) && server.bodyRequests(lastOfSecond) >= 1;
    }));
    ASSERT_TRUE(fileBytes(QDir(jobFolder()).filePath(first.name)) == first.data);
    // Another NZB dropped into the watch folder: its admission saves the
    // queue at once, with the file written.
    const PostedFile extra = PostedFile::make(QStringLiteral("extra.bin"), 30000, 10000, 83);
    serve(server, extra);
    ASSERT_TRUE(writeNzb(QDir(watch).filePath(QStringLiteral("Extra.nzb")), {extra}));
    ASSERT_TRUE(waitWhileRunning([&] {
        const QMap<QString, qint64> stored = storedPartStatus();
        return stored.value(first.name) == FilePartStatus::Finished &&
               stored.value(par2[0].name) == FilePartStatus::Finished;
    }));
    EXPECT_NE(storedPartStatus().value(second.name), FilePartStatus::Finished);
    ASSERT_NO_FATAL_FAILURE(killNow());

    server.clearRules();
    server.clearRecords();
    missing();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning([&] { return jobEnded(); }));
    ASSERT_TRUE(finishedLogged());
    const QString landed = QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures"));
    EXPECT_TRUE(fileBytes(QDir(landed).filePath(first.name)) == first.data);
    EXPECT_TRUE(fileBytes(QDir(landed).filePath(second.name)) == second.data);
    // The first file is not fetched again.
    for (qsizetype i = 0; i < first.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(first.bracketedMid(i)), 0);
    ASSERT_NO_FATAL_FAILURE(quit());
}

// (d) While par2 repairs: the download that par2 had set aside is put back
// in place of its half-written output, and the repair runs again.
TEST_F(ProgramKillOnInn, AJobKilledWhileItIsRepairedIsRepairedAgain)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    const PostedFile data = PostedFile::make(QStringLiteral("S.bin"), 2000000, 100000, 91);
    const QList<PostedFile> par2 =
        par2SetFor(home.makeFolder(QStringLiteral("staging")), QStringLiteral("S"), {data}, 16384, 24, 100000);
    ASSERT_GE(par2.size(), 2);
    // Two articles of the data never reached the server (fewer than the
    // share of missing articles at which a job is paused); par2 takes a few
    // seconds to rebuild their slices.
    const QList<qsizetype> lost = {4, 13};
    PostedFile posted = data;
    for (auto it = lost.rbegin(); it != lost.rend(); ++it) {
        posted.mids.removeAt(*it);
        posted.bodies.removeAt(*it);
    }
    ASSERT_NO_FATAL_FAILURE(post(par2));
    ASSERT_NO_FATAL_FAILURE(post({posted}));
    QList<PostedFile> files = par2;
    files << data;
    ASSERT_TRUE(writeNzb(nzbPath, files));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // par2 sets the damaged download aside before it writes the repaired file.
    const QString setAside = QDir(jobFolder()).filePath(QStringLiteral("S.bin.1"));
    ASSERT_TRUE(waitWhileRunning([&] { return QFileInfo::exists(setAside) || jobEnded(); }));
    ASSERT_FALSE(jobEnded());
    ASSERT_NO_FATAL_FAILURE(killNow());

    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning([&] { return jobEnded(); }));
    ASSERT_TRUE(finishedLogged());
    EXPECT_FALSE(log.linesWithMessage(QStringLiteral(" * Result\t\t: Repair complete.")).isEmpty());
    const QString landed = QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures"));
    const QByteArray repaired = fileBytes(QDir(landed).filePath(data.name));
    EXPECT_EQ(repaired.size(), data.data.size());
    EXPECT_TRUE(repaired == data.data);
    EXPECT_FALSE(filesBelow(landed).contains(QStringLiteral("S.bin.1")));
    ASSERT_NO_FATAL_FAILURE(quit());
}

// (e) While 7-Zip extracts an archive posted in volumes: the joined archive
// is extracted again from the start; what the tool had half written is
// neither kept nor taken for the extracted file.
TEST_F(ProgramKillOnInn, AJobKilledWhileItsSplitArchiveIsExtractedIsExtractedAgain)
{
    if (!Par2SetMaker::isAvailable() || QStandardPaths::findExecutable(QStringLiteral("7zz")).isEmpty())
        GTEST_SKIP() << "par2 or 7zz is not installed";
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    // Text-like content: small to download, long enough to unpack that the
    // kill finds the tool at work.
    QByteArray content = seededPattern(8000000, 101);
    for (char& c : content)
        c = char('a' + (quint8(c) % 16));
    const QString staging = home.makeFolder(QStringLiteral("staging"));
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(QDir(staging).filePath(QStringLiteral("ext.7z")),
                                               {{QStringLiteral("inner.dat"), content}}, QStringLiteral("7z"),
                                               {QStringLiteral("-mx=1"), QStringLiteral("-v1m")}));
    QList<PostedFile> volumes;
    for (const QString& name : QDir(staging).entryList({QStringLiteral("ext.7z.*")}, QDir::Files, QDir::Name))
        volumes.append(PostedFile::fromData(name, fileBytes(QDir(staging).filePath(name)), 200000));
    ASSERT_GE(volumes.size(), 2);
    for (const PostedFile& v : volumes)
        QFile::remove(QDir(staging).filePath(v.name));
    const QList<PostedFile> par2 = par2SetFor(staging, QStringLiteral("ext"), volumes, 65536, 8, 200000);
    ASSERT_GE(par2.size(), 2);
    QList<PostedFile> files = par2;
    files << volumes;
    ASSERT_NO_FATAL_FAILURE(post(files));
    ASSERT_TRUE(writeNzb(nzbPath, files));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // The tool writes into a staging folder of its own in "temp".
    const QString temp = QDir(jobFolder()).filePath(QStringLiteral("temp"));
    auto toolAtWork = [&] {
        for (const QString& f : filesBelow(temp))
            if (f.startsWith(QStringLiteral(".extracting-"))) return true;
        return false;
    };
    ASSERT_TRUE(waitWhileRunning([&] { return toolAtWork() || jobEnded(); }));
    ASSERT_FALSE(jobEnded());
    ASSERT_NO_FATAL_FAILURE(killNow());

    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitWhileRunning([&] { return jobEnded(); }));
    ASSERT_TRUE(finishedLogged());
    const QString landed = QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures"));
    const QByteArray extracted = fileBytes(QDir(landed).filePath(QStringLiteral("inner.dat")));
    EXPECT_EQ(extracted.size(), content.size());
    EXPECT_TRUE(extracted == content);
    for (const QString& f : filesBelow(landed)) {
        EXPECT_FALSE(f.contains(QStringLiteral(".extracting-"))) << f.toStdString();
        EXPECT_FALSE(f.startsWith(QStringLiteral("inner.1"))) << f.toStdString();
    }
    ASSERT_NO_FATAL_FAILURE(quit());
}
