// The program as a user runs it: the built executable started on an NZB
// file with a news server in its server store, ended by a termination
// signal, started again. Everything it knows comes from the files of a
// temporary home the test prepares: the settings file, the server store, and
// what the program itself saved at its last quit.

#include "core/Logger.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/DBFOD.h"
#include "queue/DBSaveRestore.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/InnServer.h"
#include "support/LogFileReader.h"
#include "support/NntpRule.h"
#include "support/Par2SetMaker.h"
#include "support/PostedFiles.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <ostream>

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

class ProgramRun : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    QString downloadFolder;
    QString finalFolder;
    QString nzbPath;
    LogFileReader log{home.logFilePath()};
    std::unique_ptr<QProcess> program;
    int runs = 0;
    // The logs of earlier runs: each start of the program empties its log.
    QString earlierLogs;

    void SetUp() override
    {
        // This process opens the stores below and may log while doing so; its
        // lines go elsewhere, so that the program's log is the program's own.
        UserDefaults::standard().registerDefaults(
            {{QStringLiteral("logFilePath"), home.path() + QStringLiteral("/test-process.log")}});
        Logger::shared()->resetForTesting();
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        downloadFolder = home.makeFolder(QStringLiteral("incoming"));
        finalFolder = home.makeFolder(QStringLiteral("final"));
        nzbPath =
            QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(QStringLiteral("Holiday Pictures.nzb"));

        // The settings as the user left them in the settings window: both
        // folders chosen, the move after download on, and the question about
        // the NZB handler answered "Don't show again".
        UserDefaults& d = UserDefaults::standard();
        d.setObject(downloadFolder, QStringLiteral("downloadPath"));
        d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
        d.setBool(true, QStringLiteral("moveAfterDownload"));
        d.setBool(false, QStringLiteral("showDialogMakeDefaultForNZB"));
        // The program stops downloading below 10 GB free by default; these
        // jobs need far less, and the test machine's disk may have less.
        d.setDouble(50e6, QStringLiteral("minFreeSpace"));
        // A test talks to its own servers only: no daily look for updates.
        d.setBool(false, QStringLiteral("checkForUpdates"));
        d.synchronize();
    }

    void TearDown() override
    {
        if (program && program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished(10000);
        }
        if (HasFailure()) {
            std::cerr << earlierLogs.toStdString() << "--- log of the last run\n"
                      << fileBytes(home.logFilePath()).toStdString();
            for (int n = 1; n <= runs; ++n)
                std::cerr << "--- output of run " << n << "\n" << fileBytes(outputPath(n)).toStdString();
        }
    }

    // The server as the user entered it in the settings window.
    void storeServer(qint64 connections) { storeServer(server.port(), connections); }
    void storeServer(quint16 port, qint64 connections)
    {
        NNTPServersController list;
        addScriptedServerEntry(list, port, QStringLiteral("Main"), connections);
        ASSERT_TRUE(list.saveNNTPServers());
    }

    QString outputPath(int run) const { return home.path() + QStringLiteral("/run%1.out").arg(run); }

    void start(const QStringList& arguments)
    {
        if (runs > 0)
            earlierLogs += QStringLiteral("--- log of run %1\n").arg(runs) + fileBytes(home.logFilePath());
        ++runs;
        program = std::make_unique<QProcess>();
        // The temporary home's HOME and XDG folders are in this process's
        // environment: the program finds the files prepared above.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program->setProcessEnvironment(env);
        program->setProcessChannelMode(QProcess::MergedChannels);
        program->setStandardOutputFile(outputPath(runs));
        program->start(QStringLiteral(BINORAMA_BINARY_DIR "/src/binorama"), arguments);
        ASSERT_TRUE(program->waitForStarted(20000)) << program->errorString().toStdString();
    }

    // SIGTERM, as a log-out or `kill` sends it; the program runs its closing
    // phases and ends by itself.
    void quit()
    {
        ASSERT_EQ(program->state(), QProcess::Running);
        ::kill(pid_t(program->processId()), SIGTERM);
        const bool ended = program->waitForFinished(60000);
        ASSERT_TRUE(ended) << "still running a minute after SIGTERM";
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        EXPECT_EQ(log.linesWithMessage(QStringLiteral("Closing connections.")).size(), 1);
        EXPECT_EQ(log.linesContaining(QStringLiteral(" * Connections are closed after\t: ")).size(), 1);
    }

    bool finishedLogged() const
    {
        return !log.linesWithMessage(QStringLiteral("Queue Finished Holiday Pictures")).isEmpty();
    }

    // The start-up questions that log what they ask. With no one to answer,
    // a question would hold the program up for good.
    QStringList startUpQuestionsAsked() const
    {
        QStringList asked;
        for (const char* line :
             {"No active nntpservers configured.", "Download folder no longer exists or access is denied.",
              "'Move After Download' folder no longer exists or access is denied. This feature is now "
              "disabled.",
              "'Watchfolder' no longer exists or access is denied. This feature is now disabled."})
            asked += log.linesWithMessage(QString::fromLatin1(line));
        return asked;
    }

    // Waits for `condition`, or until the program ended early or is stuck
    // on a question; true when the condition held.
    bool waitWhileRunning(const std::function<bool()>& condition, int timeoutMs = 90000)
    {
        waitUntil(
            [&] {
                return condition() || program->state() == QProcess::NotRunning ||
                       !startUpQuestionsAsked().isEmpty();
            },
            timeoutMs);
        const QStringList asked = startUpQuestionsAsked();
        EXPECT_TRUE(asked.isEmpty()) << asked.join(u'\n').toStdString();
        EXPECT_EQ(program->state(), QProcess::Running);
        return condition();
    }

    bool waitUntilFinished()
    {
        return waitWhileRunning([&] { return finishedLogged(); });
    }

    // Every file as posted in the job's folder below the final folder, and
    // nothing left in the download folder.
    void expectFilesInFinalFolder(const QList<PostedFile>& files)
    {
        ASSERT_EQ(entries(finalFolder), QStringList({QStringLiteral("Holiday Pictures")}));
        const QString folder = QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures"));
        QStringList names;
        for (const PostedFile& f : files) {
            names.append(f.name);
            const QByteArray written = fileBytes(QDir(folder).filePath(f.name));
            EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
            EXPECT_TRUE(written == f.data) << f.name.toStdString();
        }
        names.sort();
        EXPECT_EQ(entries(folder), names);
        // What stays in the download folder is the program's index of the
        // files on disk, written there at a quit.
        QStringList left = entries(downloadFolder);
        left.removeAll(DBFOD::fileNameForApp());
        EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }

    qsizetype bodyCommands() const
    {
        qsizetype n = 0;
        for (const QByteArray& line : server.commandLines())
            if (line.startsWith("BODY ")) ++n;
        return n;
    }
};

TEST_F(ProgramRun, AnNzbOnTheCommandLineDownloadsToTheFinalFolderAndASignalQuits)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 31);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 32);
    serve(server, photos);
    serve(server, notes);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    for (const PostedFile* f : {&photos, &notes})
        for (qsizetype i = 0; i < f->mids.size(); ++i)
            EXPECT_EQ(server.bodyRequests(f->bracketedMid(i)), 1) << f->mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), photos.mids.size() + notes.mids.size());

    ASSERT_NO_FATAL_FAILURE(quit());
    // The finished job was saved with the queue.
    EXPECT_TRUE(QFileInfo::exists(home.appSupportPath() + QStringLiteral("/db/savestate.db")));
}

TEST_F(ProgramRun, AJobUnfinishedAtQuitIsRestoredAtTheNextStartAndCompleted)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(2));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 41);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 42);
    serve(server, photos);
    serve(server, notes);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));
    // The server holds one article back: the connection that asks for it
    // gets no answer, so the job cannot finish in this run.
    const QByteArray held = notes.bracketedMid(1);
    server.addRule(NntpRule::on("BODY").withArgument(held).goSilent());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // Everything else arrives over the other connection: photos.bin is
    // written whole in the job's download folder.
    const QString downloading = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_TRUE(waitWhileRunning([&] {
        return server.bodyRequests(held) >= 1 &&
               fileBytes(QDir(downloading).filePath(photos.name)) == photos.data;
    }));
    EXPECT_FALSE(finishedLogged());
    ASSERT_NO_FATAL_FAILURE(quit());
    EXPECT_FALSE(finishedLogged());
    EXPECT_TRUE(entries(finalFolder).isEmpty());

    // The save state holds the job and its two files: the one written with
    // its status and no articles, the other with all of its articles.
    ASSERT_TRUE(QFileInfo::exists(home.appSupportPath() + QStringLiteral("/db/savestate.db")));
    {
        DBSaveRestore store;
        QStringList jobTitles;
        QMap<QString, qint64> partStatus;
        QMap<QString, int> articlesOfPart;
        QString part;
        for (const QStringList& row : store.loadQueue()) {
            const int type = row[DBSaveRestore::ColType].toInt();
            if (type == DBSaveRestore::JobRow) jobTitles.append(row[DBSaveRestore::ColTitle]);
            if (type == DBSaveRestore::FilepartRow) {
                part = row[DBSaveRestore::ColTitle];
                partStatus[part] = row[DBSaveRestore::ColStatus].toLongLong();
            }
            if (type == DBSaveRestore::ArticleRow) ++articlesOfPart[part];
        }
        EXPECT_EQ(jobTitles, QStringList({QStringLiteral("Holiday Pictures")}));
        EXPECT_EQ(partStatus.keys(), QStringList({notes.name, photos.name}));
        EXPECT_EQ(partStatus.value(photos.name), 1010); // written
        EXPECT_NE(partStatus.value(notes.name), 1010);
        EXPECT_EQ(articlesOfPart.value(photos.name), 0);
        EXPECT_EQ(articlesOfPart.value(notes.name), notes.mids.size());
    }

    // The next start, without a file: the server answers everything now.
    server.clearRules();
    server.clearRecords();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    // The file written before the quit is not fetched again; the one cut
    // short starts over, the article that never came with it.
    for (qsizetype i = 0; i < photos.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(photos.bracketedMid(i)), 0) << photos.mids[i].toStdString();
    for (qsizetype i = 0; i < notes.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(notes.bracketedMid(i)), 1) << notes.mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), notes.mids.size());
    ASSERT_NO_FATAL_FAILURE(quit());
}

TEST_F(ProgramRun, AKilledProgramBringsItsQueueBackWithoutFetchingWrittenFilesAgain)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(3));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 51);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 120000, 40000, 52);
    const PostedFile video = PostedFile::make(QStringLiteral("video.mkv"), 200000, 40000, 53);
    for (const PostedFile* f : {&photos, &notes, &video})
        serve(server, *f);
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes, video}));
    // Two connections wait for articles that do not come: two files cannot
    // finish in this run, while the third arrives whole.
    const QList<QByteArray> held = {notes.bracketedMid(1), video.bracketedMid(1)};
    for (const QByteArray& mid : held)
        server.addRule(NntpRule::on("BODY").withArgument(mid).goSilent());

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    // The program saves its queue by itself while it runs: wait until the
    // save state holds the file written, as a power cut could come now.
    auto storedPartStatus = [] {
        QMap<QString, qint64> status;
        for (const QStringList& row : DBSaveRestore().loadQueue()) {
            if (row[DBSaveRestore::ColType].toInt() == DBSaveRestore::FilepartRow)
                status[row[DBSaveRestore::ColTitle]] = row[DBSaveRestore::ColStatus].toLongLong();
        }
        return status;
    };
    ASSERT_TRUE(waitWhileRunning(
        [&] {
            const QMap<QString, qint64> status = storedPartStatus();
            return server.bodyRequests(held[0]) >= 1 && server.bodyRequests(held[1]) >= 1 &&
                   status.value(photos.name) == FilePartStatus::Finished;
        },
        120000))
        << "stored: " << QStringList(storedPartStatus().keys()).join(u' ').toStdString();
    EXPECT_NE(storedPartStatus().value(notes.name), FilePartStatus::Finished);
    EXPECT_NE(storedPartStatus().value(video.name), FilePartStatus::Finished);

    program->kill(); // SIGKILL: nothing of the closing runs
    ASSERT_TRUE(program->waitForFinished(20000));
    EXPECT_EQ(program->exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(finishedLogged());
    EXPECT_TRUE(entries(finalFolder).isEmpty());

    server.clearRules();
    server.clearRecords();
    ASSERT_NO_FATAL_FAILURE(start({}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes, video});
    // The file written before the kill is not fetched again; the two cut
    // short start over.
    for (qsizetype i = 0; i < photos.mids.size(); ++i)
        EXPECT_EQ(server.bodyRequests(photos.bracketedMid(i)), 0) << photos.mids[i].toStdString();
    for (const PostedFile* f : {&notes, &video})
        for (qsizetype i = 0; i < f->mids.size(); ++i)
            EXPECT_EQ(server.bodyRequests(f->bracketedMid(i)), 1) << f->mids[i].toStdString();
    EXPECT_EQ(bodyCommands(), notes.mids.size() + video.mids.size());
    ASSERT_NO_FATAL_FAILURE(quit());
}

// A file protected by a PAR2 set of 20 recovery blocks (an index and five
// volumes), five of its 80 articles gone from the server, one of them in its
// first 16 KiB; the missing-article share at its default. Whichever file of
// the job is written first, the program fetches what it needs and lands the
// exact file. The order is made on purpose: the last article of each file
// that must come later waits behind a gate of the server until the file
// that is to be first lies in the job's download folder.
struct FirstToLand
{
    const char* name;
    int first;        // index into the PAR2 files then the film: 0 index, 1 first volume, 6 film
    QList<int> held;  // the same indices
    bool holdVolumes; // the default: volumes are fetched only when needed
};

void PrintTo(const FirstToLand& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramRepair : public ProgramRun, public ::testing::WithParamInterface<FirstToLand>
{
};

TEST_P(ProgramRepair, AProtectedFileWithArticlesMissingLandsExactWhicheverFileIsWrittenFirst)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    const FirstToLand& c = GetParam();
    UserDefaults::standard().setBool(c.holdVolumes, QStringLiteral("enableSmartPar2Downloading"));
    UserDefaults::standard().synchronize();
    ASSERT_NO_FATAL_FAILURE(storeServer(3));

    const QString staging = home.makeFolder(QStringLiteral("staging"));
    const PostedFile film = PostedFile::make(QStringLiteral("Film.mkv"), 200000, 2500, 61);
    ASSERT_EQ(film.mids.size(), 80);
    {
        QFile f(QDir(staging).filePath(film.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(film.data) == film.data.size());
    }
    QString out;
    const QStringList par2 =
        Par2SetMaker::create(staging, QStringLiteral("Film"), {film.name}, 4096, 20, &out);
    ASSERT_EQ(par2.size(), 6) << out.toStdString();
    QList<PostedFile> files;
    for (const QString& path : par2)
        files.append(PostedFile::fromData(QFileInfo(path).fileName(), fileBytes(path), 2500));
    files.append(film);
    for (const PostedFile& f : files)
        serve(server, f);
    for (qsizetype i : {1, 31, 47, 63, 70})
        server.addRule(NntpRule::on("BODY").withArgument(film.bracketedMid(i)).reply(430, "No such article"));
    const auto gate = std::make_shared<NntpGate>();
    for (int i : c.held) {
        const PostedFile& f = files[i];
        server.addRule(NntpRule::on("BODY").withArgument(f.bracketedMid(f.mids.size() - 1)).heldBy(gate));
    }
    ASSERT_TRUE(writeNzb(nzbPath, files));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    const QString downloading = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_TRUE(
        waitWhileRunning([&] { return QFileInfo::exists(QDir(downloading).filePath(files[c.first].name)); }));
    for (int i : c.held)
        EXPECT_FALSE(QFileInfo::exists(QDir(downloading).filePath(files[i].name)))
            << files[i].name.toStdString();
    gate->open();

    ASSERT_TRUE(waitUntilFinished());
    const QByteArray landed =
        fileBytes(QDir(finalFolder).filePath(QStringLiteral("Holiday Pictures/Film.mkv")));
    EXPECT_EQ(landed.size(), film.data.size());
    EXPECT_TRUE(landed == film.data);
    EXPECT_TRUE(log.linesContaining(QStringLiteral("Not enough repair blocks")).isEmpty());
    if (c.holdVolumes) {
        // Some of the held volumes, not all.
        int fetched = 0;
        for (int i = 1; i <= 5; ++i)
            if (server.bodyRequests(files[i].bracketedMid(0)) > 0) ++fetched;
        EXPECT_GE(fetched, 1);
        EXPECT_LT(fetched, 5);
    }
    ASSERT_NO_FATAL_FAILURE(quit());
}

INSTANTIATE_TEST_SUITE_P(Orders, ProgramRepair,
                         ::testing::Values(FirstToLand{"Par2IndexFirst", 0, {6}, true},
                                           FirstToLand{"DataFirst", 6, {0}, true},
                                           FirstToLand{"VolumeFirst", 1, {0, 6}, false}),
                         [](const ::testing::TestParamInfo<FirstToLand>& info) {
                             return std::string(info.param.name);
                         });

// The same road against a real news server: a private INN on 127.0.0.1
// holding the files, posted to it before the program starts.
class ProgramRunOnInn : public ProgramRun
{
protected:
    InnServer inn;

    void SetUp() override
    {
        ProgramRun::SetUp();
        ASSERT_TRUE(inn.start()) << inn.errorString().toStdString();
    }
    void TearDown() override
    {
        ProgramRun::TearDown();
        if (HasFailure()) std::cerr << inn.logs().toStdString();
        inn.stop();
    }
};

TEST_F(ProgramRunOnInn, AnNzbOnTheCommandLineDownloadsFromTheServerToTheFinalFolderAndASignalQuits)
{
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 2500000, 400000, 51);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 1, 400000, 52);
    for (const PostedFile* f : {&photos, &notes}) {
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), *f, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writeNzb(nzbPath, {photos, notes}));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    expectFilesInFinalFolder({photos, notes});
    ASSERT_NO_FATAL_FAILURE(quit());
}

// A returning user: the film and its PAR2 set downloaded whole from their
// NZB, the program quit; at the next start another NZB of the same post, with
// three articles of the film gone from the server. The second job repairs
// its own copy from the recovery blocks it fetches and lands the exact film
// in its own folder; the first job's folder stays as that job left it.
TEST_F(ProgramRunOnInn, ASecondDamagedCopyOfAnEarlierDownloadIsRepairedInItsOwnFolder)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    // Finished downloads stay in the download folder.
    UserDefaults::standard().setBool(false, QStringLiteral("moveAfterDownload"));
    UserDefaults::standard().synchronize();
    ASSERT_NO_FATAL_FAILURE(storeServer(inn.port(), 3));
    QString output;
    const QList<PostedFile> files =
        makeFileWithPar2Set(home.makeFolder(QStringLiteral("staging")), QStringLiteral("Film.mkv"), 2000000,
                            71, 100000, 4, 100000, &output);
    ASSERT_GE(files.size(), 3) << output.toStdString();
    for (const PostedFile& f : files) {
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), f, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writeNzb(nzbPath, files));
    const QString damagedNzb =
        QDir(QFileInfo(nzbPath).absolutePath()).filePath(QStringLiteral("Film again.nzb"));
    ASSERT_TRUE(writeNzb(damagedNzb, files, losingArticles(0, {2, 9, 15})));

    ASSERT_NO_FATAL_FAILURE(start({nzbPath}));
    ASSERT_TRUE(waitUntilFinished());
    ASSERT_NO_FATAL_FAILURE(quit());
    const QString firstFolder = QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
    ASSERT_EQ(fileBytes(QDir(firstFolder).filePath(QStringLiteral("Film.mkv"))), files[0].data);
    QMap<QString, QByteArray> left;
    for (const QString& name : entries(firstFolder))
        left.insert(name, fileBytes(QDir(firstFolder).filePath(name)));

    ASSERT_NO_FATAL_FAILURE(start({damagedNzb}));
    ASSERT_TRUE(waitWhileRunning(
        [&] { return !log.linesWithMessage(QStringLiteral("Queue Finished Film again")).isEmpty(); }));
    const QString secondFolder = QDir(downloadFolder).filePath(QStringLiteral("Film again"));
    const QByteArray landed = fileBytes(QDir(secondFolder).filePath(QStringLiteral("Film.mkv")));
    EXPECT_EQ(landed.size(), files[0].data.size());
    EXPECT_TRUE(landed == files[0].data);
    // Repaired from blocks fetched for it, not passed as finished.
    EXPECT_FALSE(log.linesContaining(QStringLiteral(" more repair blocks for ")).isEmpty());
    QMap<QString, QByteArray> now;
    for (const QString& name : entries(firstFolder))
        now.insert(name, fileBytes(QDir(firstFolder).filePath(name)));
    EXPECT_EQ(now.keys(), left.keys());
    EXPECT_TRUE(now == left) << "the first job's folder changed";
    ASSERT_NO_FATAL_FAILURE(quit());
}

} // namespace
