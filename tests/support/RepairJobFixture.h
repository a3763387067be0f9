#pragma once

#include "queue/QueueObjectDelegate.h"

#include <QString>
#include <QStringList>

#include <functional>

class RepairController;

// A download job for the PAR2 bookkeeping: a root job whose folder is
// `folder`, with one file part per file already lying there, each named,
// digested and selected as the file writer leaves it. write() replays what
// the writer does with a part, off the main thread as the write queue does.
class RepairJobFixture
{
public:
    RepairJobFixture(const QString& folder, const QString& qid);

    QueuePtr job() const { return job_; }
    QString folder() const { return folder_; }

    // A part for the file `name` in the folder; a PAR2 name makes a PAR2
    // part with the recovery blocks its name states. `postedName` is the
    // name as posted (its original name), the file's name by default.
    QueuePtr addPart(const QString& name, const QString& postedName = QString());
    QueuePtr part(const QString& name) const;
    QString pathOf(const QueuePtr& part) const;

    // The writer's calls for a decoded part (analysis or linking), then the
    // part marked downloaded and recorded: the bookkeeping reads the file
    // from disk. On a worker thread; returns when done.
    void write(RepairController& controller, const QueuePtr& part) const;
    void write(RepairController& controller, const QStringList& names) const;

private:
    QString folder_;
    QueuePtr job_;
};

// Runs `work` on a thread of its own and waits for it: the bookkeeping is
// never entered from the main thread.
void runOffMainThread(const std::function<void()>& work);
