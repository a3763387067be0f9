#include "postprocess/CleanupItemsController.h"

#include "postprocess/DBCleanupItems.h"

#include <algorithm>

CleanupItemsController::CleanupItemsController(QObject* parent) : QObject(parent)
{}

QList<CleanupItem> CleanupItemsController::arrayCleanupItems() const
{
    QMutexLocker locker(&lock_);
    QList<CleanupItem> copy = items_;
    copy.detach();
    return copy;
}

qsizetype CleanupItemsController::count() const
{
    QMutexLocker locker(&lock_);
    return items_.size();
}

void CleanupItemsController::loadItems()
{
    const QList<CleanupItem> stored = DBCleanupItems().loadAll();
    Q_EMIT arrayCleanupItemsWillChange();
    {
        QMutexLocker locker(&lock_);
        items_.append(stored);
    }
    Q_EMIT arrayCleanupItemsDidChange();
}

bool CleanupItemsController::saveItems()
{
    const bool saved = DBCleanupItems().saveAll(arrayCleanupItems());
    if (saved) shouldSave_.store(false);
    return saved;
}

void CleanupItemsController::insertNewItem()
{
    shouldSave_.store(true);
    Q_EMIT arrayCleanupItemsWillChange();
    {
        QMutexLocker locker(&lock_);
        items_.prepend(CleanupItem(true, QString(), QStringLiteral("New")));
    }
    Q_EMIT arrayCleanupItemsDidChange();
}

void CleanupItemsController::removeItemsInArray(const QList<qsizetype>& rows)
{
    shouldSave_.store(true);
    QList<qsizetype> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    Q_EMIT arrayCleanupItemsWillChange();
    {
        QMutexLocker locker(&lock_);
        for (qsizetype row : sorted) {
            if (row >= 0 && row < items_.size()) items_.removeAt(row);
        }
    }
    Q_EMIT arrayCleanupItemsDidChange();
}

void CleanupItemsController::setItem(qsizetype row, const CleanupItem& item)
{
    {
        QMutexLocker locker(&lock_);
        if (row < 0 || row >= items_.size()) return;
        items_[row] = item;
    }
    shouldSave_.store(true);
}
