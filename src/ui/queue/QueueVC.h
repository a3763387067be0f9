#pragma once

#include "queue/Queue.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <mutex>

class ButtonCollapseRight;
class EditTitleWC;
class NZBController;
class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QueueController;
class QueueFilesVC;
class QueueParInfoVC;
class SplitViewQueue;
class TableViewQueue;

// The queue page: the queue table, the title bar's commands, the totals of
// the download and upload queues, the right pane and the table's context
// menu. Every command ends in a call on the scheduler or the NZB import; the
// page keeps no copy of the queue. Main thread only.
class QueueVC : public QWidget
{
    Q_OBJECT
public:
    explicit QueueVC(QWidget* parent = nullptr);
    ~QueueVC() override;

    // Given by the main window before the view loads; not owned.
    void setQueueController(QueueController* controller);
    void setNzbController(NZBController* controller);
    QueueController* queueController() const { return queueController_; }
    // Builds the page; setQueueController comes first.
    void loadView();

    // --- commands ---
    void pauseSelection();
    void resumeSelection();
    void pauseAllObjects();
    void resumeAllObjects();
    void cancelSelection();
    void cancelAllObjects();
    void cleanup();
    void cleanupMethodChanged();
    void moveSelectedObjectsToTop();
    void moveSelectedObjectsUp();
    void moveSelectedObjectsDown();
    void moveSelectedObjectsToBottom();
    void setPasswordForSelection();
    void editTitle();
    void showEditTitleWindowForQueue(const QueuePtr& job);
    void addNZBFiles();
    // The files chosen in the open panel (what its OK does).
    void nzbFilesChosen(const QStringList& files);
    // The jobs of these NZB files, which the user has just added, are
    // scrolled into view when their rows arrive.
    void revealJobsOf(const QStringList& nzbFiles);
    void showSelectionInFinder();
    void copyTitleToClipboard();
    void copyPosterToClipboard();
    void changeRightPaneViewController(qint64 tag);
    void toggleRightPane();
    void expandRightPane();
    void collapseRightPane();
    void saveXPositionForRightDivider();

    QList<int> getSelectedIndexSet() const;
    QList<QueuePtr> getAllSelectedObjects() const;
    QList<QueuePtr> getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const;
    QueuePtr getFirstSelectedObject() const;

    void changeTitleBarButtonsStateTo(bool enabled);
    // The enabling of the context menu and the title bar, from the rows the
    // commands would act on.
    void menuWillOpen(QMenu* menu = nullptr);
    void menuDidClose(QMenu* menu = nullptr);

    // Re-reads the scheduler's totals; the labels change when they do.
    void observeTotals();
    void updateTotalLabels();
    // "%ld %@, %@": the whole number of files, "File" or "Files", the bytes.
    static QString totalText(double files, double bytes);

    QueuePtr selectedObjectInTableViewQueue() const;
    qint64 currentRightPaneVC() const { return currentRightPaneVC_; }
    // The right pane's two controllers, made on first use; null before.
    QueueFilesVC* queueFilesVC() const { return queueFilesVC_; }
    QueueParInfoVC* queueParInfoVC() const { return queueParInfoVC_; }
    QWidget* rightPaneVC() const { return rightPaneVC_; }

    // How the page opens the file manager and asks for NZB files; tests
    // and other desktops may replace them.
    void setRevealHandler(std::function<void(const QString&)> reveal) { reveal_ = std::move(reveal); }
    void setOpenPanelHandler(std::function<void(const QString& folder)> open)
    {
        openPanel_ = std::move(open);
    }

    // Outlets.
    TableViewQueue* tableviewQueue() const { return tableviewQueue_; }
    SplitViewQueue* splitViewQueue() const { return splitViewQueue_; }
    QWidget* viewRightPane() const { return viewRightPane_; }
    QMenu* contextMenu() const { return contextMenu_; }
    QLabel* bytesFilesInDownloadQueueTextField() const { return downloadTotals_; }
    QLabel* bytesFilesInUploadQueueTextField() const { return uploadTotals_; }
    QLabel* titleRightPane() const { return titleRightPane_; }
    QComboBox* cleanupMethodControl() const { return cleanupMethod_; }
    ButtonCollapseRight* btnCollapseRight() const { return btnCollapseRight_; }
    // The title-bar buttons and context-menu items by outlet name.
    QAbstractButton* button(const QString& outlet) const;
    QAction* menuItem(const QString& outlet) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildInterface();
    QAbstractButton* makeTitleBarButton(const QString& objectName, const QString& title);
    QAction* makeMenuItem(const QString& objectName, const QString& title, void (QueueVC::*slot)());
    void selectedObjectInTableViewQueueChanged(const QueuePtr& job);
    void objectInTableViewQueueRemoved(const QueuePtr& job);
    void splitViewQueueCollapseStateChanged(const QString& state);
    void moveSelectionTo(qsizetype row);
    // The first time the page has a width: the right pane at its stored
    // width, at least wide enough to read its title and buttons.
    void restoreRightPaneOnce();
    void revealAddedRows(int first, int last);

    QPointer<QueueController> queueController_;
    QPointer<NZBController> nzbController_;
    bool loaded_ = false;
    bool rightPaneRestored_ = false;
    QSet<QString> jobsToReveal_;

    TableViewQueue* tableviewQueue_ = nullptr;
    SplitViewQueue* splitViewQueue_ = nullptr;
    QWidget* viewRightPane_ = nullptr;
    QLabel* titleRightPane_ = nullptr;
    QLabel* downloadTotals_ = nullptr;
    QLabel* uploadTotals_ = nullptr;
    QComboBox* cleanupMethod_ = nullptr;
    ButtonCollapseRight* btnCollapseRight_ = nullptr;
    QAbstractButton* btnPause_ = nullptr;
    QAbstractButton* btnResume_ = nullptr;
    QAbstractButton* btnCancel_ = nullptr;
    QAbstractButton* btnCleanup_ = nullptr;
    QAbstractButton* btnMoveUp_ = nullptr;
    QAbstractButton* btnMoveDown_ = nullptr;
    QAbstractButton* btnMoveToTop_ = nullptr;
    QAbstractButton* btnMoveToBottom_ = nullptr;
    QAbstractButton* btnAddFiles_ = nullptr;
    QAbstractButton* btnRightPaneFiles_ = nullptr;
    QAbstractButton* btnRightPaneParInfo_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* mnuItemSetPassword_ = nullptr;
    QAction* mnuItemEditTitle_ = nullptr;
    QAction* mnuItemDelete_ = nullptr;
    QAction* mnuItemPause_ = nullptr;
    QAction* mnuItemResume_ = nullptr;
    QAction* mnuItemCleanup_ = nullptr;
    QAction* mnuItemShowInFinder_ = nullptr;
    QAction* mnuItemCopyTitleToClipboard_ = nullptr;
    QAction* mnuItemCopyPosterToClipboard_ = nullptr;

    qint64 currentRightPaneVC_ = 1;
    QueueFilesVC* queueFilesVC_ = nullptr;
    QueueParInfoVC* queueParInfoVC_ = nullptr;
    QWidget* rightPaneVC_ = nullptr;
    mutable std::mutex selectedLock_;
    QueuePtr selectedObjectInTableViewQueue_;
    double lastFiles_ = -1, lastBytesDown_ = -1, lastBytesUp_ = -1;
    QTimer totalsTimer_;
    QPointer<EditTitleWC> editTitleWC_;
    std::function<void(const QString&)> reveal_;
    std::function<void(const QString&)> openPanel_;
};
