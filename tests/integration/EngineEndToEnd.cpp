#include "EngineEndToEnd.h"

#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include "support/EventLoop.h"
#include "support/ScriptedServerEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <iostream>

void EngineEndToEnd::SetUp()
{
    downloadFolder = home.makeFolder(QStringLiteral("incoming"));
    finalFolder = home.makeFolder(QStringLiteral("final"));
    UserDefaults& d = UserDefaults::standard();
    d.setObject(downloadFolder, QStringLiteral("downloadPath"));
    d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
    d.setBool(true, QStringLiteral("moveAfterDownload"));
    startEngine();
}

void EngineEndToEnd::startEngine()
{
    engine = std::make_unique<EngineControllers>();
    EngineControllers::Hooks hooks;
    hooks.makeQueueController = [this] {
        auto recording = std::make_unique<StatusRecordingQueueController>();
        scheduler = recording.get();
        return std::unique_ptr<QueueController>(std::move(recording));
    };
    engine->initControllers(hooks);
}

void EngineEndToEnd::TearDown()
{
    // What the engine logged tells which step went wrong.
    if (HasFailure()) std::cerr << fileBytes(home.logFilePath()).toStdString();
    engine.reset(); // closes the connections and waits for their threads
    scheduler = nullptr;
    spinEventLoop(20);
    servers.clear();
}

ScriptedNntpServer& EngineEndToEnd::addServer(const QString& alias, qint64 connections, bool backup)
{
    auto nntp = std::make_unique<ScriptedNntpServer>();
    EXPECT_TRUE(nntp->start()) << nntp->errorString().toStdString();
    NNTPServersController* list = engine->nntpServersController();
    addScriptedServerEntry(*list, *nntp, alias, connections, backup);
    list->buildLocalArrays();
    servers.push_back(std::move(nntp));
    return *servers.back();
}

PostedFile EngineEndToEnd::post(const QString& name, const QByteArray& data, qsizetype partBytes,
                                const QString& postedName)
{
    return PostedFile::fromData(name, data, partBytes, postedName);
}

PostedFile EngineEndToEnd::postFile(const QString& path, qsizetype partBytes, const QString& postedName)
{
    const QByteArray data = fileBytes(path);
    EXPECT_FALSE(data.isEmpty()) << path.toStdString();
    return post(QFileInfo(path).fileName(), data, partBytes, postedName);
}

void EngineEndToEnd::damageArticle(PostedFile& f, qsizetype index)
{
    ASSERT_LT(index, f.bodies.size());
    QList<QByteArray> lines = f.bodies[index].split('\n');
    QList<qsizetype> data;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].isEmpty() && !lines[i].startsWith("=y")) data.append(i);
    }
    ASSERT_GE(data.size(), 3);
    QByteArray& line = lines[data[data.size() / 2]];
    // Only plain characters change, to other plain ones: an escape left
    // alone keeps the decoded length.
    int changed = 0;
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        if (line[i] == '=' || line[i - 1] == '=' || line[i] == '\r') continue;
        line[i] = line[i] == 'a' ? 'b' : 'a';
        ++changed;
    }
    ASSERT_GT(changed, 50);
    f.bodies[index] = lines.join('\n');
}

QString EngineEndToEnd::writeNzb(const QList<PostedFile>& files, const QString& nzbName,
                                 const SegmentArrangement& arrange)
{
    const QString path =
        QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(nzbName + QStringLiteral(".nzb"));
    EXPECT_TRUE(::writeNzb(path, files, arrange));
    return path;
}

QueuePtr EngineEndToEnd::import(const QString& path)
{
    engine->nzbController()->parseFileUrl(path, false);
    QueuePtr job;
    waitUntil(
        [&] {
            for (const QueuePtr& q : engine->queueController()->queueArray())
                if (q->nzbFile() == path) job = q;
            return job != nullptr;
        },
        20000);
    return job;
}

QList<qint64> EngineEndToEnd::codesOf(const QueuePtr& job) const
{
    return scheduler && job ? scheduler->statusesOf(job->title()) : QList<qint64>();
}

bool EngineEndToEnd::waitForCode(const QueuePtr& job, qint64 code, int ms) const
{
    return waitUntil([&] { return codesOf(job).contains(code); }, ms);
}

QStringList EngineEndToEnd::filesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(folder).relativeFilePath(it.next()));
    names.sort();
    return names;
}

QStringList EngineEndToEnd::entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

bool containsInOrder(const QList<qint64>& codes, const QList<qint64>& wanted)
{
    qsizetype at = 0;
    for (qint64 code : codes) {
        if (at < wanted.size() && code == wanted[at]) ++at;
    }
    return at == wanted.size();
}

QList<qint64> codesFromLast(const QList<qint64>& codes, qint64 from)
{
    const qsizetype i = codes.lastIndexOf(from);
    return i < 0 ? QList<qint64>() : codes.mid(i);
}
