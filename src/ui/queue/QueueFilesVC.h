#pragma once

#include "queue/Queue.h"
#include "queue/QueueFilesController.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAction;
class QMenu;
class QueueController;
class TableViewQueueFiles;

// The files pane of the queue page: the file parts of the chosen job, each
// with its check box and bar, from which the user picks the files to
// download, downloads and opens one file, and copies a file name. The list
// is the job's parts when shown, taken again when the search service
// delivers the job's file list or the job gains parts. Main thread only.
class QueueFilesVC : public QWidget, public QueueFilesControllerDelegate
{
    Q_OBJECT
public:
    explicit QueueFilesVC(QWidget* parent = nullptr);
    ~QueueFilesVC() override;

    void setQueueController(QueueController* controller) { queueController_ = controller; }
    QueueController* queueController() const { return queueController_; }
    void setCurrentQueueObject(const QueuePtr& job) { currentQueueObject_ = job; }
    QueuePtr currentQueueObject() const { return currentQueueObject_; }
    // Builds the pane; the controller and job come first.
    void loadView();

    void showFilesFor(const QueuePtr& job);
    void clearlist();

    // --- commands ---
    void downloadAndExecute(bool launch);
    void copyFilenameToClipboard();
    void deSelectSelectedCheckBoxes();
    void selectAllCheckBoxes();
    void deSelectAllCheckBoxes();
    void selectPar2FileCheckBoxes();
    void menuWillOpen(QMenu* menu = nullptr);

    // QueueFilesControllerDelegate
    void enterKeyPressedInFiles() override;
    void cmdDKeyPressedInFiles() override;
    void doubleClickAction();

    QList<int> getSelectedIndexSet() const;
    QList<QueuePtr> getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const;
    QueuePtr getFirstSelectedObject() const;

    TableViewQueueFiles* tableView() const { return tableView_; }
    QueueFilesController* queueFilesController() { return &queueFilesController_; }
    QMenu* contextMenu() const { return contextMenu_; }
    QAction* menuItem(const QString& outlet) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Takes the list again when the shown job's parts were added after it
    // was shown (an NZB import lists a job before its files).
    void followFileparts();
    QAction* makeMenuItem(const QString& outlet, const QString& title, std::function<void()> slot);
    // Each part that meets `condition` gets `checkbox`, then goes to the
    // scheduler.
    void setCheckBoxes(const QList<QueuePtr>& parts, qint64 checkbox,
                       const std::function<bool(const Queue&)>& condition);
    void replaceFiles(const QList<QueuePtr>& parts);

    QPointer<QueueController> queueController_;
    QueuePtr currentQueueObject_;
    QueueFilesController queueFilesController_;
    TableViewQueueFiles* tableView_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* mnuItemDownload_ = nullptr;
    QAction* mnuItemDownloadLaunch_ = nullptr;
    QAction* menuItemDeselect_ = nullptr;
    QAction* menuItemSelectAllCheckBoxes_ = nullptr;
    QAction* menuItemDeselectAllCheckBoxes_ = nullptr;
    QAction* menuItemDownloadAllPar2Files_ = nullptr;
    QAction* menuItemCopyFilename_ = nullptr;
    bool loaded_ = false;
    QTimer filepartsWatch_;
};
