#include "ui/queue/QueueVC.h"

#include "controls/ButtonCellTBDark.h"
#include "controls/ButtonCollapseRight.h"
#include "controls/SplitViewQueue.h"
#include "controls/ViewFooter.h"
#include "controls/ViewTitleBarMain.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/FileManagerReveal.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "ui/queue/EditTitleWC.h"
#include "ui/queue/QueueFilesVC.h"
#include "ui/queue/QueueParInfoVC.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/TableViewQueue.h"
#include "ui/queue/ViewQueue.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

QueueVC::QueueVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("QueueVC"));
    reveal_ = [](const QString& path) { FileManagerReveal::revealItem(path); };
    buildInterface();
    totalsTimer_.setInterval(500);
    connect(&totalsTimer_, &QTimer::timeout, this, &QueueVC::observeTotals);
}

QueueVC::~QueueVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QAbstractButton* QueueVC::makeTitleBarButton(const QString& objectName, const QString& title)
{
    auto* b = new ButtonCellTBDark(this);
    b->setObjectName(objectName);
    b->setText(title);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QAction* QueueVC::makeMenuItem(const QString& objectName, const QString& title, void (QueueVC::*slot)())
{
    QAction* a = contextMenu_->addAction(title);
    a->setObjectName(objectName);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void QueueVC::buildInterface()
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* titleBar = new ViewTitleBarMain(this);
    titleBar->setObjectName(QStringLiteral("viewTitleBar"));
    titleBar->setFixedHeight(40);
    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(10, 7, 4, 8);
    bar->setSpacing(6);
    btnPause_ = makeTitleBarButton(QStringLiteral("btnPause"), QStringLiteral("Pause"));
    btnResume_ = makeTitleBarButton(QStringLiteral("btnResume"), QStringLiteral("Resume"));
    btnCancel_ = makeTitleBarButton(QStringLiteral("btnCancel"), QStringLiteral("Cancel"));
    btnCleanup_ = makeTitleBarButton(QStringLiteral("btnCleanup"), QStringLiteral("Cleanup"));
    btnMoveToTop_ = makeTitleBarButton(QStringLiteral("btnMoveToTop"), QStringLiteral("Top"));
    btnMoveUp_ = makeTitleBarButton(QStringLiteral("btnMoveUp"), QStringLiteral("Up"));
    btnMoveDown_ = makeTitleBarButton(QStringLiteral("btnMoveDown"), QStringLiteral("Down"));
    btnMoveToBottom_ = makeTitleBarButton(QStringLiteral("btnMoveToBottom"), QStringLiteral("Bottom"));
    btnAddFiles_ = makeTitleBarButton(QStringLiteral("btnAddFiles"), QStringLiteral("Add NZB"));
    for (QAbstractButton* b : {btnPause_, btnResume_, btnCancel_, btnCleanup_})
        bar->addWidget(b);
    bar->addSpacing(12);
    for (QAbstractButton* b : {btnMoveToTop_, btnMoveUp_, btnMoveDown_, btnMoveToBottom_})
        bar->addWidget(b);
    bar->addSpacing(12);
    bar->addWidget(btnAddFiles_);
    cleanupMethod_ = new QComboBox(titleBar);
    cleanupMethod_->setObjectName(QStringLiteral("btnCleanupMethod"));
    cleanupMethod_->setFocusPolicy(Qt::NoFocus);
    cleanupMethod_->addItem(QStringLiteral("Keep finished jobs"), 1);
    cleanupMethod_->addItem(QStringLiteral("Remove finished jobs"), 2);
    cleanupMethod_->addItem(QStringLiteral("Move finished jobs to the bottom"), 3);
    bar->addWidget(cleanupMethod_);
    bar->addStretch();
    btnCollapseRight_ = new ButtonCollapseRight(titleBar);
    btnCollapseRight_->setObjectName(QStringLiteral("btnCollapseRight"));
    btnCollapseRight_->setFixedSize(24, 24);
    bar->addWidget(btnCollapseRight_);
    root->addWidget(titleBar);

    splitViewQueue_ = new SplitViewQueue(this);
    auto* background = new ViewQueue(splitViewQueue_);
    auto* bgLayout = new QVBoxLayout(background);
    bgLayout->setContentsMargins(0, 0, 0, 10);
    tableviewQueue_ = new TableViewQueue(background);
    bgLayout->addWidget(tableviewQueue_);
    splitViewQueue_->addWidget(background);

    auto* pane = new QWidget(splitViewQueue_);
    pane->setObjectName(QStringLiteral("rightPane"));
    // The pane may be dragged narrower than its header's buttons.
    pane->setMinimumWidth(1);
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    auto* paneHeader = new ViewTitleBarMain(pane);
    paneHeader->setFixedHeight(32);
    auto* header = new QHBoxLayout(paneHeader);
    header->setContentsMargins(8, 4, 4, 4);
    header->setSpacing(2);
    titleRightPane_ = new QLabel(paneHeader);
    titleRightPane_->setObjectName(QStringLiteral("titleRightPane"));
    titleRightPane_->setStyleSheet(QStringLiteral("color: #e6e9eb; font-weight: bold; font-size: 11px;"));
    btnRightPaneFiles_ = makeTitleBarButton(QStringLiteral("btnRightPaneFiles"), QStringLiteral("Files"));
    btnRightPaneParInfo_ = makeTitleBarButton(QStringLiteral("btnRightPaneParInfo"), QStringLiteral("Par2"));
    // Compact, so that the title still reads in a pane at its narrowest.
    for (QAbstractButton* b : {btnRightPaneFiles_, btnRightPaneParInfo_}) {
        b->setCheckable(true);
        QFont small = b->font();
        small.setPixelSize(11);
        b->setFont(small);
        b->setFixedWidth(34);
    }
    header->addWidget(titleRightPane_);
    header->addStretch();
    header->addWidget(btnRightPaneFiles_);
    header->addWidget(btnRightPaneParInfo_);
    paneLayout->addWidget(paneHeader);
    viewRightPane_ = new QWidget(pane);
    viewRightPane_->setObjectName(QStringLiteral("viewRightPane"));
    auto* paneContent = new QVBoxLayout(viewRightPane_);
    paneContent->setContentsMargins(0, 0, 0, 0);
    paneLayout->addWidget(viewRightPane_, 1);
    splitViewQueue_->addWidget(pane);
    splitViewQueue_->setStretchFactor(0, 1);
    splitViewQueue_->setStretchFactor(1, 0);
    root->addWidget(splitViewQueue_, 1);

    auto* footer = new ViewFooter(this);
    footer->setFixedHeight(26);
    auto* foot = new QHBoxLayout(footer);
    foot->setContentsMargins(12, 2, 12, 2);
    downloadTotals_ = new QLabel(footer);
    downloadTotals_->setObjectName(QStringLiteral("bytesFilesInDownloadQueueTextField"));
    uploadTotals_ = new QLabel(footer);
    uploadTotals_->setObjectName(QStringLiteral("bytesFilesInUploadQueueTextField"));
    foot->addWidget(new QLabel(QStringLiteral("Download queue:"), footer));
    foot->addWidget(downloadTotals_);
    foot->addSpacing(24);
    foot->addWidget(new QLabel(QStringLiteral("Upload queue:"), footer));
    foot->addWidget(uploadTotals_);
    foot->addStretch();
    root->addWidget(footer);

    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("contextMenu"));
    mnuItemPause_ =
        makeMenuItem(QStringLiteral("mnuItemPause"), QStringLiteral("Pause"), &QueueVC::pauseSelection);
    mnuItemResume_ =
        makeMenuItem(QStringLiteral("mnuItemResume"), QStringLiteral("Resume"), &QueueVC::resumeSelection);
    mnuItemDelete_ =
        makeMenuItem(QStringLiteral("mnuItemDelete"), QStringLiteral("Cancel"), &QueueVC::cancelSelection);
    contextMenu_->addSeparator();
    mnuItemSetPassword_ = makeMenuItem(QStringLiteral("mnuItemSetPassword"),
                                       QStringLiteral("Set Password..."), &QueueVC::setPasswordForSelection);
    mnuItemEditTitle_ =
        makeMenuItem(QStringLiteral("mnuItemEditTitle"), QStringLiteral("Rename..."), &QueueVC::editTitle);
    contextMenu_->addSeparator();
    mnuItemShowInFinder_ =
        makeMenuItem(QStringLiteral("mnuItemShowInFinder"), QStringLiteral("Show in File Manager"),
                     &QueueVC::showSelectionInFinder);
    mnuItemCopyTitleToClipboard_ = makeMenuItem(QStringLiteral("mnuItemCopyTitleToClipboard"),
                                                QStringLiteral("Copy Title"), &QueueVC::copyTitleToClipboard);
    mnuItemCopyPosterToClipboard_ =
        makeMenuItem(QStringLiteral("mnuItemCopyPosterToClipboard"), QStringLiteral("Copy Poster"),
                     &QueueVC::copyPosterToClipboard);
    contextMenu_->addSeparator();
    mnuItemCleanup_ =
        makeMenuItem(QStringLiteral("mnuItemCleanup"), QStringLiteral("Cleanup"), &QueueVC::cleanup);
    QAction* cancelAll = makeMenuItem(QStringLiteral("mnuItemCancelAll"), QStringLiteral("Cancel All"),
                                      &QueueVC::cancelAllObjects);
    Q_UNUSED(cancelAll);
    connect(contextMenu_, &QMenu::aboutToShow, this, [this] { menuWillOpen(contextMenu_); });
    connect(contextMenu_, &QMenu::aboutToHide, this, [this] { menuDidClose(contextMenu_); });
    tableviewQueue_->setContextMenu(contextMenu_);

    connect(btnPause_, &QAbstractButton::clicked, this, &QueueVC::pauseSelection);
    connect(btnResume_, &QAbstractButton::clicked, this, &QueueVC::resumeSelection);
    connect(btnCancel_, &QAbstractButton::clicked, this, &QueueVC::cancelSelection);
    connect(btnCleanup_, &QAbstractButton::clicked, this, &QueueVC::cleanup);
    connect(btnMoveUp_, &QAbstractButton::clicked, this, &QueueVC::moveSelectedObjectsUp);
    connect(btnMoveDown_, &QAbstractButton::clicked, this, &QueueVC::moveSelectedObjectsDown);
    connect(btnMoveToTop_, &QAbstractButton::clicked, this, &QueueVC::moveSelectedObjectsToTop);
    connect(btnMoveToBottom_, &QAbstractButton::clicked, this, &QueueVC::moveSelectedObjectsToBottom);
    connect(btnAddFiles_, &QAbstractButton::clicked, this, &QueueVC::addNZBFiles);
    connect(btnCollapseRight_, &QAbstractButton::clicked, this, &QueueVC::toggleRightPane);
    connect(btnRightPaneFiles_, &QAbstractButton::clicked, this,
            [this] { changeRightPaneViewController(1); });
    connect(btnRightPaneParInfo_, &QAbstractButton::clicked, this,
            [this] { changeRightPaneViewController(2); });
    connect(cleanupMethod_, &QComboBox::activated, this, [this](int index) {
        UserDefaults::standard().setInteger(cleanupMethod_->itemData(index).toLongLong(),
                                            QStringLiteral("queueCleaningTag"));
        cleanupMethodChanged();
    });
}

QAbstractButton* QueueVC::button(const QString& outlet) const
{
    return findChild<QAbstractButton*>(outlet);
}

QAction* QueueVC::menuItem(const QString& outlet) const
{
    return findChild<QAction*>(outlet);
}

void QueueVC::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

void QueueVC::setNzbController(NZBController* controller)
{
    nzbController_ = controller;
}

void QueueVC::loadView()
{
    if (loaded_) return;
    loaded_ = true;
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(SplitViewQueue::collapseStateChangedNotification(), this, [this](const Notification& n) {
        splitViewQueueCollapseStateChanged(n.userInfo.value(QStringLiteral("state")).toString());
    });
    hub.addObserver(QStringLiteral("EditQueueTitleClicked"), this, [this](const Notification& n) {
        showEditTitleWindowForQueue(n.userInfo.value(QStringLiteral("queue")).value<QueuePtr>());
    });
    hub.addObserver(
        QStringLiteral("SelectedObjectInTableViewQueueChanged"), this,
        [this](const Notification& n) {
            selectedObjectInTableViewQueueChanged(
                n.userInfo.value(QStringLiteral("queueobject")).value<QueuePtr>());
        },
        tableviewQueue_);
    hub.addObserver(QStringLiteral("ObjectInTableViewQueueRemoved"), this, [this](const Notification& n) {
        objectInTableViewQueueRemoved(n.userInfo.value(QStringLiteral("queueobject")).value<QueuePtr>());
    });
    // The scheduler's totals carry no change signal; they are refreshed once
    // a second on the main thread, and the page looks at them twice as often.
    totalsTimer_.start();
    const qint64 tag = UserDefaults::standard().integerForKey(QStringLiteral("queueRightPanelVCTag"));
    tableviewQueue_->setQueueController(queueController_);
    connect(tableviewQueue_->queueModel(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { revealAddedRows(first, last); });
    changeRightPaneViewController(tag == 2 ? 2 : 1);
    changeTitleBarButtonsStateTo(false);
    const qint64 cleaning = UserDefaults::standard().integerForKey(QStringLiteral("queueCleaningTag"));
    const int item = cleanupMethod_->findData(cleaning);
    cleanupMethod_->setCurrentIndex(item >= 0 ? item : 0);
    updateTotalLabels();
}

void QueueVC::showEvent(QShowEvent* event)
{
    loadView();
    QWidget::showEvent(event);
    restoreRightPaneOnce();
    btnCollapseRight_->setState(splitViewQueue_->isSubviewCollapsed(1) ? 1 : 0);
}

void QueueVC::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    restoreRightPaneOnce();
}

void QueueVC::restoreRightPaneOnce()
{
    // Left to the split view, the pane would open at its contents' smallest
    // size, its title and buttons cut, at every start.
    if (rightPaneRestored_ || !isVisible() || splitViewQueue_->width() <= 1) return;
    rightPaneRestored_ = true;
    expandRightPane();
}

void QueueVC::hideEvent(QHideEvent* event)
{
    if (loaded_) {
        if (!splitViewQueue_->isSubviewCollapsed(1)) saveXPositionForRightDivider();
        UserDefaults::standard().setInteger(currentRightPaneVC_, QStringLiteral("queueRightPanelVCTag"));
    }
    QWidget::hideEvent(event);
}

// --- commands ---

void QueueVC::pauseSelection()
{
    if (queueController_)
        for (const QueuePtr& q : getAllSelectedObjects())
            queueController_->pauseQueueObject(q);
}

void QueueVC::resumeSelection()
{
    if (queueController_)
        for (const QueuePtr& q : getAllSelectedObjects())
            queueController_->resumeQueueObject(q);
}

void QueueVC::pauseAllObjects()
{
    if (queueController_)
        for (const QueuePtr& q : queueController_->queueArray())
            queueController_->pauseQueueObject(q);
}

void QueueVC::resumeAllObjects()
{
    if (queueController_)
        for (const QueuePtr& q : queueController_->queueArray())
            queueController_->resumeQueueObject(q);
}

void QueueVC::cancelSelection()
{
    if (queueController_) queueController_->prepareRemovingObjectsInArray(getAllSelectedObjects());
}

void QueueVC::cancelAllObjects()
{
    if (queueController_) queueController_->prepareRemovingObjectsInArray(queueController_->queueArray());
}

void QueueVC::cleanup()
{
    if (queueController_) queueController_->cleanUpQueueForced(true);
}

void QueueVC::cleanupMethodChanged()
{
    if (queueController_) queueController_->cleanUpQueueAfterUserChangedAutoMethod();
}

void QueueVC::moveSelectionTo(qsizetype row)
{
    tableviewQueue_->moveObjectsFromArray(getAllSelectedObjects(), row);
}

void QueueVC::moveSelectedObjectsToTop()
{
    moveSelectionTo(0);
}

void QueueVC::moveSelectedObjectsUp()
{
    const QList<QueuePtr> jobs = getAllSelectedObjects();
    if (jobs.isEmpty() || !queueController_) return;
    moveSelectionTo(queueController_->queueArray().indexOf(jobs.first()) - 1);
}

void QueueVC::moveSelectedObjectsDown()
{
    const QList<QueuePtr> jobs = getAllSelectedObjects();
    if (jobs.isEmpty() || !queueController_) return;
    moveSelectionTo(queueController_->queueArray().indexOf(jobs.last()) + 2);
}

void QueueVC::moveSelectedObjectsToBottom()
{
    if (queueController_) moveSelectionTo(queueController_->queueArray().size());
}

void QueueVC::setPasswordForSelection()
{
    QList<QueuePtr> downloads;
    for (const QueuePtr& q : getAllSelectedObjects())
        if (!q->isUploadObject()) downloads << q;
    if (downloads.isEmpty()) return;
    NotificationHub::defaultCenter().post(QStringLiteral("ShowPasswordSheetForQueueArray"), this,
                                          {{QStringLiteral("queuearray"), QVariant::fromValue(downloads)}});
}

void QueueVC::editTitle()
{
    if (const QueuePtr job = getFirstSelectedObject()) showEditTitleWindowForQueue(job);
}

void QueueVC::showEditTitleWindowForQueue(const QueuePtr& job)
{
    if (!job || job->isUploadObject() || editTitleWC_) return;
    auto* window = new EditTitleWC(this->window());
    editTitleWC_ = window;
    window->setTitle(job->titleWillChange() ? job->newtitle() : job->title());
    if (window->runModal() == 1 && queueController_)
        queueController_->renameQueue(job, QString(window->newtitle()));
    window->hide();
    window->close();
    delete window;
}

void QueueVC::addNZBFiles()
{
    UserDefaults& defaults = UserDefaults::standard();
    QString folder = defaults.stringForKey(QStringLiteral("lastUsedNZBPanelFolder"));
    if (folder.isEmpty()) folder = defaults.stringForKey(QStringLiteral("downloadPath"));
    if (openPanel_) {
        openPanel_(folder);
        return;
    }
    auto* panel = new QFileDialog(window(), QStringLiteral("Choose NZB files to load"), folder,
                                  QStringLiteral("NZB files (*.nzb)"));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("Load"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::filesSelected, this, &QueueVC::nzbFilesChosen);
    panel->open();
}

void QueueVC::nzbFilesChosen(const QStringList& files)
{
    if (files.isEmpty()) return;
    revealJobsOf(files);
    if (nzbController_) nzbController_->parseArray(files);
    UserDefaults::standard().setString(QFileInfo(files.first()).absolutePath(),
                                       QStringLiteral("lastUsedNZBPanelFolder"));
}

void QueueVC::showSelectionInFinder()
{
    const QueuePtr job = getFirstSelectedObject();
    if (job && !job->downloadUrl().isEmpty() && reveal_) reveal_(job->downloadUrl());
}

void QueueVC::copyTitleToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QueuePtr job = getFirstSelectedObject();
    if (job && !job->title().isEmpty()) clipboard->setText(job->title());
}

void QueueVC::copyPosterToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QueuePtr job = getFirstSelectedObject();
    if (job && !job->poster().isEmpty()) clipboard->setText(job->poster());
}

// --- selection ---

QList<int> QueueVC::getSelectedIndexSet() const
{
    return tableviewQueue_->getSelectedIndexSet();
}

QList<QueuePtr> QueueVC::getAllSelectedObjects() const
{
    return tableviewQueue_->getAllSelectedObjects();
}

QList<QueuePtr> QueueVC::getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const
{
    return tableviewQueue_->getAllSelectedObjectsFromIndexSet(rows);
}

QueuePtr QueueVC::getFirstSelectedObject() const
{
    return tableviewQueue_->getFirstSelectedObject();
}

QueuePtr QueueVC::selectedObjectInTableViewQueue() const
{
    std::lock_guard<std::mutex> lock(selectedLock_);
    return selectedObjectInTableViewQueue_;
}

void QueueVC::selectedObjectInTableViewQueueChanged(const QueuePtr& job)
{
    {
        std::lock_guard<std::mutex> lock(selectedLock_);
        selectedObjectInTableViewQueue_ = job;
    }
    if (queueFilesVC_) queueFilesVC_->showFilesFor(job);
    if (queueParInfoVC_) queueParInfoVC_->showFilesFor(job);
    menuWillOpen(nullptr);
}

void QueueVC::objectInTableViewQueueRemoved(const QueuePtr& job)
{
    {
        std::lock_guard<std::mutex> lock(selectedLock_);
        if (!job || job != selectedObjectInTableViewQueue_) return;
        selectedObjectInTableViewQueue_.reset();
    }
    if (queueFilesVC_) queueFilesVC_->clearlist();
    if (queueParInfoVC_) queueParInfoVC_->clearlist();
}

// --- enabling ---

void QueueVC::changeTitleBarButtonsStateTo(bool enabled)
{
    for (QAbstractButton* b :
         {btnPause_, btnResume_, btnCancel_, btnMoveUp_, btnMoveDown_, btnMoveToTop_, btnMoveToBottom_})
        b->setEnabled(enabled);
}

void QueueVC::menuWillOpen(QMenu* /*menu*/)
{
    const QList<QueuePtr> jobs = getAllSelectedObjects();
    const qsizetype n = jobs.size();
    if (n == 0) {
        for (QAction* a :
             {mnuItemSetPassword_, mnuItemEditTitle_, mnuItemDelete_, mnuItemPause_, mnuItemResume_,
              mnuItemShowInFinder_, mnuItemCopyTitleToClipboard_, mnuItemCopyPosterToClipboard_})
            a->setEnabled(false);
        mnuItemCleanup_->setEnabled(true);
        changeTitleBarButtonsStateTo(false);
        return;
    }
    for (QAction* a : {mnuItemDelete_, mnuItemPause_, mnuItemResume_})
        a->setEnabled(true);
    if (n == 1) {
        const bool upload = jobs.first()->isUploadObject();
        mnuItemSetPassword_->setEnabled(!upload);
        mnuItemEditTitle_->setEnabled(!upload && jobs.first()->isNZB());
        mnuItemShowInFinder_->setEnabled(!upload);
        // A single upload job leaves the copy items as they were.
        if (!upload) {
            mnuItemCopyTitleToClipboard_->setEnabled(true);
            mnuItemCopyPosterToClipboard_->setEnabled(true);
        }
    } else {
        mnuItemSetPassword_->setEnabled(true);
        mnuItemEditTitle_->setEnabled(false);
        mnuItemShowInFinder_->setEnabled(false);
        mnuItemCopyTitleToClipboard_->setEnabled(false);
        mnuItemCopyPosterToClipboard_->setEnabled(false);
    }
    changeTitleBarButtonsStateTo(true);
}

void QueueVC::menuDidClose(QMenu* /*menu*/)
{
    if (tableviewQueue_->selectionModel()->selectedRows().isEmpty()) changeTitleBarButtonsStateTo(false);
}

// --- totals ---

QString QueueVC::totalText(double files, double bytes)
{
    const qint64 count = std::isfinite(files) ? qint64(files) : 0;
    return sformat(u"%ld %@, %@", count, count == 1 ? QStringLiteral("File") : QStringLiteral("Files"),
                   Utils::formatBytes(bytes));
}

void QueueVC::observeTotals()
{
    if (!queueController_) return;
    const double files = queueController_->filesInQueue();
    const double down = queueController_->bytesLeftToDownload();
    const double up = queueController_->bytesLeftToUpload();
    if (files == lastFiles_ && down == lastBytesDown_ && up == lastBytesUp_) return;
    lastFiles_ = files;
    lastBytesDown_ = down;
    lastBytesUp_ = up;
    updateTotalLabels();
}

void QueueVC::updateTotalLabels()
{
    if (!queueController_) return;
    downloadTotals_->setText(
        totalText(queueController_->filesLeftToDownload(), queueController_->bytesLeftToDownload()));
    uploadTotals_->setText(
        totalText(queueController_->filesLeftToUpload(), queueController_->bytesLeftToUpload()));
}

// --- right pane ---

void QueueVC::changeRightPaneViewController(qint64 tag)
{
    if (rightPaneVC_) {
        viewRightPane_->layout()->removeWidget(rightPaneVC_);
        rightPaneVC_->hide();
    }
    if (tag == 2) {
        if (!queueParInfoVC_) {
            queueParInfoVC_ = new QueueParInfoVC(viewRightPane_);
            queueParInfoVC_->setCurrentQueueObject(selectedObjectInTableViewQueue());
        }
        rightPaneVC_ = queueParInfoVC_;
    } else {
        if (!queueFilesVC_) {
            queueFilesVC_ = new QueueFilesVC(viewRightPane_);
            queueFilesVC_->setQueueController(queueController_);
            queueFilesVC_->setCurrentQueueObject(selectedObjectInTableViewQueue());
            queueFilesVC_->loadView();
        }
        rightPaneVC_ = queueFilesVC_;
    }
    viewRightPane_->layout()->addWidget(rightPaneVC_);
    rightPaneVC_->show();
    titleRightPane_->setText(tag == 2 ? QStringLiteral("Par2 repair status")
                                      : QStringLiteral("Files in package"));
    btnRightPaneFiles_->setChecked(false);
    btnRightPaneParInfo_->setChecked(false);
    (tag == 2 ? btnRightPaneParInfo_ : btnRightPaneFiles_)->setChecked(true);
    currentRightPaneVC_ = tag;
}

void QueueVC::revealJobsOf(const QStringList& nzbFiles)
{
    for (const QString& file : nzbFiles)
        jobsToReveal_.insert(file);
}

void QueueVC::revealAddedRows(int first, int last)
{
    if (jobsToReveal_.isEmpty()) return;
    const QueueTableModel* model = tableviewQueue_->queueModel();
    for (int row = first; row <= last; ++row) {
        const QueuePtr job = model->jobAt(row);
        // A job lands at the end of the queue, below what a long queue shows.
        if (job && jobsToReveal_.remove(job->nzbFile()))
            tableviewQueue_->scrollTo(model->index(row), QAbstractItemView::EnsureVisible);
    }
}

void QueueVC::toggleRightPane()
{
    if (splitViewQueue_->isSubviewCollapsed(1))
        expandRightPane();
    else
        collapseRightPane();
}

void QueueVC::collapseRightPane()
{
    saveXPositionForRightDivider();
    splitViewQueue_->setPositionOfDividerAtIndex(splitViewQueue_->maxPossiblePositionOfDividerAtIndex(0), 0);
}

void QueueVC::expandRightPane()
{
    const double stored =
        UserDefaults::standard().floatForKey(QStringLiteral("SplitViewQueueRestorePosition"));
    const double w = std::max(200.0, stored);
    splitViewQueue_->setPositionOfDividerAtIndex(
        int(std::lround(splitViewQueue_->maxPossiblePositionOfDividerAtIndex(0) - w)), 0);
}

void QueueVC::saveXPositionForRightDivider()
{
    const QList<int> sizes = splitViewQueue_->sizes();
    const int width = sizes.size() > 1 ? sizes[1] : 0;
    if (width < splitViewQueue_->maxPossiblePositionOfDividerAtIndex(0)) {
        UserDefaults::standard().setFloat(float(width), QStringLiteral("SplitViewQueueRestorePosition"));
        UserDefaults::standard().synchronize();
    }
}

void QueueVC::splitViewQueueCollapseStateChanged(const QString& state)
{
    btnCollapseRight_->setState(state == QLatin1String("1") ? 1 : 0);
}
