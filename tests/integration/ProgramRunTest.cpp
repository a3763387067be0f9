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

#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/NntpRule.h"
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
    void storeServer(qint64 connections)
    {
        NNTPServersController list;
        addScriptedServerEntry(list, server, QStringLiteral("Main"), connections);
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

} // namespace
