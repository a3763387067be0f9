#pragma once

#include "postprocess/CleanupItem.h"

#include <QMutex>
#include <QObject>

#include <atomic>

// The user's cleanup patterns in memory, for the whole run: loaded once when
// the main window has started, edited by the download settings page, written
// at shut-down when changed (shouldSave).
//
// The list is edited on the main thread while the queue engine's cleanup
// step reads it from the background pool: it is guarded, and readers get a
// copy (arrayCleanupItems()), so a cleanup in progress works on the patterns
// as they were when it began.
class CleanupItemsController : public QObject
{
    Q_OBJECT
public:
    explicit CleanupItemsController(QObject* parent = nullptr);

    // A copy of the patterns in the user's order. Any thread.
    QList<CleanupItem> arrayCleanupItems() const;
    qsizetype count() const;

    bool shouldSave() const { return shouldSave_.load(); }
    void setShouldSave(bool value) { shouldSave_.store(value); }

    // Appends the stored patterns.
    void loadItems();
    // Writes the whole list; answers whether it was stored (then shouldSave
    // is cleared).
    bool saveItems();
    // A new pattern at the top: empty pattern, "New", checked.
    void insertNewItem();
    // Removes the patterns at `rows` (rows of arrayCleanupItems()).
    void removeItemsInArray(const QList<qsizetype>& rows);
    // The settings page's edit of one pattern; sets shouldSave.
    void setItem(qsizetype row, const CleanupItem& item);

Q_SIGNALS:
    // Around every change of the list ("arrayCleanupItems"), on the thread
    // that changed it.
    void arrayCleanupItemsWillChange();
    void arrayCleanupItemsDidChange();

private:
    mutable QMutex lock_;
    QList<CleanupItem> items_;
    std::atomic<bool> shouldSave_{false};
};
