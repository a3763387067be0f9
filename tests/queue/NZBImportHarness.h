#pragma once

#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include "support/EventLoop.h"
#include "support/NzbFixture.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The scheduler without its status handlers: an imported job stays where the
// import left it (34, parts at 0), so that these tests see the import's own
// result rather than the download steps that follow it.
class ImportOnlyQueueController : public QueueController
{
public:
    void statusChangedForQueueObject(const QueuePtr&, qint64, qint64) override {}
    void statusChangedForFilepart(const QueuePtr&, qint64, qint64) override {}
};

// A fresh home with the scheduler and the NZB import wired as at start-up,
// and the means to import a file and wait until its import is done.
struct NZBImportHarness
{
    TempHome home;
    // Declared first: destroyed after the import that refers to it.
    ImportOnlyQueueController queueController;
    NZBController nzbController;
    QString folder = home.makeFolder(QStringLiteral("nzbs"));

    NZBImportHarness()
    {
        queueController.setNzbController(&nzbController);
        nzbController.setQueueController(&queueController);
    }

    QString pathFor(const QString& name) const { return QDir(folder).filePath(name); }

    QString write(const QString& name, const NzbFixture& nzb) const
    {
        const QString path = pathFor(name);
        nzb.write(path);
        return path;
    }
    QString writeBytes(const QString& name, const QByteArray& bytes) const
    {
        const QString path = pathFor(name);
        NzbFixture::writeBytes(path, bytes);
        return path;
    }

    // Waits until every queued import has run and every change report has
    // reached the main thread.
    bool finishImports()
    {
        const bool done =
            waitUntil([this] { return nzbController.nzbImportQueue().operationCount() == 0; }, 20000);
        QCoreApplication::sendPostedEvents();
        spinEventLoop(20);
        return done;
    }

    // The queued jobs read from `path` (the one opened with it and those
    // split off it), in queue order.
    QueuePtr rootFor(const QString& path) const
    {
        for (const QueuePtr& q : queueController.queueArray()) {
            if (q->nzbFile() == path) return q;
        }
        return nullptr;
    }

    QueuePtr import(const QString& path, bool forceDelete = false)
    {
        nzbController.parseFileUrl(path, forceDelete);
        finishImports();
        return rootFor(path);
    }

    QString trashed(const QString& name) const
    {
        return home.path() + QStringLiteral("/.local/share/Trash/files/") + name;
    }
};

inline QStringList filenamesOf(const QueuePtr& root)
{
    QStringList names;
    for (const QueuePtr& part : root->fileparts())
        names.append(part->filename());
    return names;
}
