#pragma once

#include "core/FileUtils.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QStringList>

#include <ostream>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// The scheduler with a record of every status it was told of, per item, in
// the order the reports arrived; the real handlers run after each record.
class RecordingQueueController : public QueueController
{
public:
    void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue) override
    {
        codes[queue.get()].append(toValue);
        QueueController::statusChangedForQueueObject(queue, fromValue, toValue);
    }
    void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue) override
    {
        codes[filepart.get()].append(toValue);
        QueueController::statusChangedForFilepart(filepart, fromValue, toValue);
    }

    QHash<const Queue*, QList<qint64>> codes;
};

// A fresh home, the scheduler with every neighbour it calls recorded, and
// builders for jobs of named files.
struct QueueStatesHarness
{
    TempHome home;
    RecordingQueueController qc;
    // The neighbours' calls in order: "connectAll", "write <file>",
    // "history <file>", "rescan", "rename <title>", "obfuscation <title>".
    QStringList calls;

    QueueStatesHarness()
    {
        QueueController::Neighbours& n = qc.neighbours();
        n.connectAll = [this] { calls.append(QStringLiteral("connectAll")); };
        n.connectServerID = [this](const QString& id) { calls.append(QStringLiteral("connect ") + id); };
        n.openConnections = [this](qint64 count, const QString& id) {
            calls.append(QStringLiteral("open %1 %2").arg(count).arg(id));
        };
        n.addFileToQueue = [this](const QueuePtr& p) {
            calls.append(QStringLiteral("write ") + p->filename());
        };
        n.addRowObject = [this](const QueuePtr& p) {
            calls.append(QStringLiteral("history ") + p->filename());
        };
        n.rescan = [this] { calls.append(QStringLiteral("rescan")); };
        n.renameTitleForQueue = [this](const QueuePtr& q) {
            calls.append(QStringLiteral("rename ") + q->title());
        };
        n.addObfuscatedControllerOperation = [this](const QueuePtr& q) {
            calls.append(QStringLiteral("obfuscation ") + q->title());
        };
    }

    static void setBool(const char* key, bool value) { UserDefaults::standard().setBool(value, key); }

    // An NZB job as the import leaves it before 34: its files with
    // `segments` articles of 500 bytes each, PAR2 files recognised by name,
    // a folder of its own. Not queued, and with no delegate yet unless
    // `withDelegate`, so that statuses set while building it are not acted
    // on.
    QueuePtr makeJob(const QString& title, const QStringList& filenames, int segments = 2,
                     bool withDelegate = true)
    {
        const QueuePtr root = Queue::create();
        root->setIsNZB(true);
        root->setTitle(title);
        root->setQid(title + QStringLiteral("-qid"));
        root->setFilelistReceived(true);
        root->setSegmentsReceived(true);
        root->setDownloadUrl(home.makeFolder(QStringLiteral("downloads/") + title));
        QList<QueuePtr> parts;
        double total = 0;
        for (const QString& name : filenames) {
            const QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(root);
            part->setFilename(name);
            part->setTitle(name);
            part->setFid(name);
            part->setCheckbox(1);
            QList<SegmentPtr> articles;
            for (int i = 1; i <= segments; ++i) {
                const SegmentPtr s = Segment::create();
                s->setQueue(root);
                s->setFilepart(part);
                s->setSegnr(i);
                s->setBytes(500);
                s->setStatus(ArticleStatus::Queued);
                s->setMid(QStringLiteral("<%1.%2@test>").arg(name).arg(i));
                articles.append(s);
            }
            part->setOrderedSegments(articles);
            part->setIspar(FileUtils::checkIfPar2File(name));
            part->setIsSampleFile(FileUtils::checkIfSampleFile(name));
            if (part->ispar()) {
                part->setRepairblocks(FileUtils::getRepairBlocks(name));
                root->setHasRepairFiles(true);
            }
            // As the import selects them: recovery volumes wait.
            if (part->repairblocks() > 0) part->setCheckbox(0);
            total += part->bytes();
            if (withDelegate) part->setDelegate(&qc);
            parts.append(part);
        }
        root->setFileparts(parts);
        root->setTotalfiles(parts.size());
        root->setBytes(total);
        if (withDelegate) root->setDelegate(&qc);
        return root;
    }

    static QueuePtr partNamed(const QueuePtr& root, const QString& filename)
    {
        for (const QueuePtr& part : root->fileparts()) {
            if (part->filename() == filename) return part;
        }
        return nullptr;
    }

    // Writes the file of a part into its job's folder.
    static void writeFileOf(const QueuePtr& part, const QByteArray& content = "data")
    {
        QFile file(QDir(part->queue()->downloadUrl()).filePath(part->filename()));
        if (file.open(QIODevice::WriteOnly)) file.write(content);
    }

    // Runs the main thread's queue until every report queued so far (and
    // those they queue in turn) has been handled.
    static void settle()
    {
        for (int i = 0; i < 200; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    QList<qint64> codesOf(const QueuePtr& item) const { return qc.codes.value(item.get()); }
    void forgetCodes() { qc.codes.clear(); }
};
