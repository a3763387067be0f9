#include "queue/DownloadHistoryController.h"

#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QMutexLocker>

DownloadHistoryController::DownloadHistoryController()
{
    loadHistory();
}

void DownloadHistoryController::loadHistory()
{
    QHash<QString, DownloadHistoryObject> loaded = db_.loadHistory();
    QMutexLocker locker(&lock_);
    dictDownloads_ = std::move(loaded);
}

void DownloadHistoryController::put(const QString& id, qint64 now)
{
    DownloadHistoryObject obj;
    obj.fid = id;
    obj.date = now;
    dictDownloads_.insert(id, obj);
}

void DownloadHistoryController::addRowObject(const QueuePtr& item)
{
    if (!item) return;
    const QString fid = item->fid();
    if (fid.isEmpty()) return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QString qid;
    if (item->isFilepart()) {
        if (const QueuePtr root = item->queue()) qid = root->qid();
    }
    QMutexLocker locker(&lock_);
    put(fid, now);
    if (!qid.isEmpty()) put(qid, now);
}

bool DownloadHistoryController::containsFid(const QString& fid) const
{
    QMutexLocker locker(&lock_);
    return dictDownloads_.contains(fid);
}

bool DownloadHistoryController::containsQid(const QString& qid) const
{
    return containsFid(qid);
}

bool DownloadHistoryController::saveHistory()
{
    if (!UserDefaults::standard().boolForKey(QStringLiteral("enableDownloadHistory"))) return false;
    return db_.saveHistory(dictDownloads());
}

void DownloadHistoryController::resetDownloadHistory()
{
    {
        QMutexLocker locker(&lock_);
        dictDownloads_.clear();
    }
    db_.clearDatabase();
}

qsizetype DownloadHistoryController::count() const
{
    QMutexLocker locker(&lock_);
    return dictDownloads_.size();
}

QHash<QString, DownloadHistoryObject> DownloadHistoryController::dictDownloads() const
{
    QMutexLocker locker(&lock_);
    return dictDownloads_;
}
