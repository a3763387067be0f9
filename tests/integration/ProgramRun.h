#pragma once

// The program as a user runs it: the built executable started on an NZB
// file with a news server in its server store, ended by a termination
// signal (or killed), started again. Everything it knows comes from the
// files of a temporary home the test prepares: the settings file, the server
// store, and what the program itself saved.

#include "support/InnServer.h"
#include "support/LogFileReader.h"
#include "support/PostedFiles.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

QStringList entries(const QString& folder);

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
    // Set for every program the test starts, over this process's own.
    QMap<QString, QString> environment;

    void SetUp() override;
    void TearDown() override;

    // The server as the user entered it in the settings window.
    void storeServer(qint64 connections) { storeServer(server.port(), connections); }
    void storeServer(quint16 port, qint64 connections);

    QString outputPath(int run) const { return home.path() + QStringLiteral("/run%1.out").arg(run); }

    void start(const QStringList& arguments);
    // The built program on `arguments`, its output in `output`; null when
    // it did not start.
    std::unique_ptr<QProcess> launch(const QStringList& arguments, const QString& output);
    // SIGTERM, as a log-out or `kill` sends it; the program runs its closing
    // phases and ends by itself.
    void quit();
    // SIGKILL, as a crash or a power cut ends it: nothing of the closing
    // runs. The tools it runs at that moment (par2, 7zz) go with it.
    void killNow();

    bool finishedLogged() const { return finishedLogged(QStringLiteral("Holiday Pictures")); }
    bool finishedLogged(const QString& title) const;

    // The start-up questions that log what they ask. With no one to answer,
    // a question would hold the program up for good.
    QStringList startUpQuestionsAsked() const;

    // Waits for `condition`, or until the program ended early or is stuck
    // on a question; true when the condition held.
    bool waitWhileRunning(const std::function<bool()>& condition, int timeoutMs = 90000);
    bool waitUntilFinished() { return waitWhileRunning([&] { return finishedLogged(); }); }

    // Every file as posted in the job's folder below the final folder, and
    // nothing left in the download folder but the program's index.
    void expectFilesInFinalFolder(const QList<PostedFile>& files)
    {
        EXPECT_EQ(entries(finalFolder), QStringList({QStringLiteral("Holiday Pictures")}));
        expectFilesInFinalFolder(QStringLiteral("Holiday Pictures"), files);
    }
    // The same for the folder of the job `job`, among others.
    void expectFilesInFinalFolder(const QString& job, const QList<PostedFile>& files);

    qsizetype bodyCommands() const;

    // The titles and statuses of the jobs in the save state, in its order.
    QList<QPair<QString, qint64>> storedJobs() const;
    // The parts of the save state by name, with their stored status.
    static QMap<QString, qint64> storedPartStatus();
    // The log shows at least `times` saves of the queue.
    bool savedAtLeast(int times) const;

    // The download folder of the job "Holiday Pictures".
    QString jobFolder() const;
    // The job reached the end of its road, or a state it cannot leave.
    bool jobEnded() const;
};

// The same road against a real news server: a private INN on 127.0.0.1
// holding the files, posted to it before the program starts.
class ProgramRunOnInn : public ProgramRun
{
protected:
    InnServer inn;

    void SetUp() override;
    void TearDown() override;
    // Every file posted to the server.
    void post(const QList<PostedFile>& files);
};
