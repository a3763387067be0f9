#include "ProgramRun.h"

#include "core/Logger.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/DBFOD.h"
#include "queue/DBSaveRestore.h"

#include "support/EventLoop.h"
#include "support/ScriptedServerEntry.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <iostream>

namespace {

// The processes below `pid`, from the kernel's list of each thread's children.
QList<qint64> descendantsOf(qint64 pid)
{
    QList<qint64> out;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& child : children.readAll().split(' ')) {
            bool ok = false;
            const qint64 c = child.trimmed().toLongLong(&ok);
            if (!ok) continue;
            out.append(c);
            out.append(descendantsOf(c));
        }
    }
    return out;
}

} // namespace

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

void ProgramRun::SetUp()
{
    // This process opens the stores below and may log while doing so; its
    // lines go elsewhere, so that the program's log is the program's own.
    UserDefaults::standard().registerDefaults(
        {{QStringLiteral("logFilePath"), home.path() + QStringLiteral("/test-process.log")}});
    Logger::shared()->resetForTesting();
    ASSERT_TRUE(server.start()) << server.errorString().toStdString();
    downloadFolder = home.makeFolder(QStringLiteral("incoming"));
    finalFolder = home.makeFolder(QStringLiteral("final"));
    nzbPath = QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(QStringLiteral("Holiday Pictures.nzb"));

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

void ProgramRun::TearDown()
{
    if (program && program->state() != QProcess::NotRunning) killNow();
    if (HasFailure()) {
        std::cerr << earlierLogs.toStdString() << "--- log of the last run\n"
                  << fileBytes(home.logFilePath()).toStdString();
        for (int n = 1; n <= runs; ++n)
            std::cerr << "--- output of run " << n << "\n" << fileBytes(outputPath(n)).toStdString();
    }
}

void ProgramRun::storeServer(quint16 port, qint64 connections)
{
    NNTPServersController list;
    addScriptedServerEntry(list, port, QStringLiteral("Main"), connections);
    ASSERT_TRUE(list.saveNNTPServers());
}

void ProgramRun::start(const QStringList& arguments)
{
    if (runs > 0)
        earlierLogs += QStringLiteral("--- log of run %1\n").arg(runs) + fileBytes(home.logFilePath());
    // The program empties its log when it starts; gone now, the last run's
    // lines cannot be taken for this run's.
    QFile::remove(home.logFilePath());
    ++runs;
    program = launch(arguments, outputPath(runs));
    ASSERT_TRUE(program);
}

std::unique_ptr<QProcess> ProgramRun::launch(const QStringList& arguments, const QString& output)
{
    auto process = std::make_unique<QProcess>();
    // The temporary home's HOME and XDG folders are in this process's
    // environment: the program finds the files prepared above.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(output);
    process->start(QStringLiteral(BINORAMA_BINARY_DIR "/src/binorama"), arguments);
    EXPECT_TRUE(process->waitForStarted(20000)) << process->errorString().toStdString();
    if (process->state() == QProcess::NotRunning) return nullptr;
    return process;
}

void ProgramRun::quit()
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

void ProgramRun::killNow()
{
    ASSERT_EQ(program->state(), QProcess::Running);
    const qint64 pid = program->processId();
    const QList<qint64> tools = descendantsOf(pid);
    ::kill(pid_t(pid), SIGKILL);
    for (const qint64 tool : tools)
        ::kill(pid_t(tool), SIGKILL);
    ASSERT_TRUE(program->waitForFinished(20000));
    EXPECT_EQ(program->exitStatus(), QProcess::CrashExit);
}

bool ProgramRun::finishedLogged(const QString& title) const
{
    return !log.linesWithMessage(QStringLiteral("Queue Finished ") + title).isEmpty();
}

QStringList ProgramRun::startUpQuestionsAsked() const
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

bool ProgramRun::waitWhileRunning(const std::function<bool()>& condition, int timeoutMs)
{
    waitUntil(
        [&] {
            return condition() || program->state() == QProcess::NotRunning || !startUpQuestionsAsked().isEmpty();
        },
        timeoutMs);
    const QStringList asked = startUpQuestionsAsked();
    EXPECT_TRUE(asked.isEmpty()) << asked.join(u'\n').toStdString();
    EXPECT_EQ(program->state(), QProcess::Running);
    return condition();
}

void ProgramRun::expectFilesInFinalFolder(const QString& job, const QList<PostedFile>& files)
{
    ASSERT_TRUE(entries(finalFolder).contains(job)) << entries(finalFolder).join(u' ').toStdString();
    const QString folder = QDir(finalFolder).filePath(job);
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
    // files on disk (with its journal while the program writes it, as it
    // does with every save of the queue).
    QStringList left = entries(downloadFolder);
    left.removeAll(DBFOD::fileNameForApp());
    left.removeAll(DBFOD::fileNameForApp() + QStringLiteral("-journal"));
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

qsizetype ProgramRun::bodyCommands() const
{
    qsizetype n = 0;
    for (const QByteArray& line : server.commandLines())
        if (line.startsWith("BODY ")) ++n;
    return n;
}

QList<QPair<QString, qint64>> ProgramRun::storedJobs() const
{
    QList<QPair<QString, qint64>> jobs;
    for (const QStringList& row : DBSaveRestore().loadQueue()) {
        if (row[DBSaveRestore::ColType].toInt() == DBSaveRestore::JobRow)
            jobs.append({row[DBSaveRestore::ColTitle], row[DBSaveRestore::ColStatus].toLongLong()});
    }
    return jobs;
}

QMap<QString, qint64> ProgramRun::storedPartStatus()
{
    QMap<QString, qint64> status;
    for (const QStringList& row : DBSaveRestore().loadQueue()) {
        if (row[DBSaveRestore::ColType].toInt() == DBSaveRestore::FilepartRow)
            status[row[DBSaveRestore::ColTitle]] = row[DBSaveRestore::ColStatus].toLongLong();
    }
    return status;
}

bool ProgramRun::savedAtLeast(int times) const
{
    return log.linesContaining(QStringLiteral(" * SaveState written in: ")).size() >= times;
}

QString ProgramRun::jobFolder() const
{
    return QDir(downloadFolder).filePath(QStringLiteral("Holiday Pictures"));
}

bool ProgramRun::jobEnded() const
{
    for (const char* end : {"Queue Finished Holiday Pictures", "(Not enough blocks to repair archive)",
                            "Downloaded file not found on disk", "(Repair not possible)",
                            "(Extracting not possible)", "(Joining fileparts Error)"}) {
        if (!log.linesContaining(QString::fromLatin1(end)).isEmpty()) return true;
    }
    return false;
}

void ProgramRunOnInn::SetUp()
{
    ProgramRun::SetUp();
    ASSERT_TRUE(inn.start()) << inn.errorString().toStdString();
}

void ProgramRunOnInn::TearDown()
{
    ProgramRun::TearDown();
    if (HasFailure()) std::cerr << inn.logs().toStdString();
    inn.stop();
}

void ProgramRunOnInn::post(const QList<PostedFile>& files)
{
    for (const PostedFile& f : files) {
        QString error;
        ASSERT_TRUE(postTo(inn.port(), InnServer::group(), f, &error)) << f.name.toStdString() << ": "
                                                                       << error.toStdString();
    }
}
