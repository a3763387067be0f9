#include "ui/queue/QueueFilesVC.h"

#include "controls/RowRefreshPoller.h"
#include "controls/ViewQueueRight.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "queue/FODController.h"
#include "queue/FODObject.h"
#include "queue/QueueController.h"
#include "ui/queue/QueueFilesTableModel.h"
#include "ui/queue/TableViewQueueFiles.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

QueueFilesVC::QueueFilesVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("QueueFilesVC"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* background = new ViewQueueRight(this);
    auto* inner = new QVBoxLayout(background);
    inner->setContentsMargins(0, 0, 0, 0);
    tableView_ = new TableViewQueueFiles(background);
    inner->addWidget(tableView_);
    layout->addWidget(background);

    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("filesContextMenu"));
    mnuItemDownload_ = makeMenuItem(QStringLiteral("mnuItemDownload"), QStringLiteral("Download"),
                                    [this] { downloadAndExecute(false); });
    mnuItemDownloadLaunch_ = makeMenuItem(QStringLiteral("mnuItemDownloadLaunch"),
                                          QStringLiteral("Download and Open"), [this] { downloadAndExecute(true); });
    menuItemDeselect_ = makeMenuItem(QStringLiteral("menuItemDeselect"), QStringLiteral("Deselect"),
                                     [this] { deSelectSelectedCheckBoxes(); });
    contextMenu_->addSeparator();
    menuItemSelectAllCheckBoxes_ = makeMenuItem(QStringLiteral("menuItemSelectAllCheckBoxes"),
                                                QStringLiteral("Select All"), [this] { selectAllCheckBoxes(); });
    menuItemDeselectAllCheckBoxes_ =
        makeMenuItem(QStringLiteral("menuItemDeselectAllCheckBoxes"), QStringLiteral("Deselect All"),
                     [this] { deSelectAllCheckBoxes(); });
    menuItemDownloadAllPar2Files_ =
        makeMenuItem(QStringLiteral("menuItemDownloadAllPar2Files"), QStringLiteral("Select All PAR2 Files"),
                     [this] { selectPar2FileCheckBoxes(); });
    contextMenu_->addSeparator();
    menuItemCopyFilename_ = makeMenuItem(QStringLiteral("menuItemCopyFilename"),
                                         QStringLiteral("Copy File Name"), [this] { copyFilenameToClipboard(); });
    tableView_->setContextMenu(contextMenu_);
    connect(tableView_, &TableViewQueueFiles::contextMenuWillOpen, this, [this] { menuWillOpen(contextMenu_); });
    filepartsWatch_.setInterval(RowRefreshPoller::kIntervalMs);
    connect(&filepartsWatch_, &QTimer::timeout, this, &QueueFilesVC::followFileparts);
}

QueueFilesVC::~QueueFilesVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QAction* QueueFilesVC::makeMenuItem(const QString& outlet, const QString& title, std::function<void()> slot)
{
    QAction* a = contextMenu_->addAction(title);
    a->setObjectName(outlet);
    connect(a, &QAction::triggered, this, std::move(slot));
    return a;
}

QAction* QueueFilesVC::menuItem(const QString& outlet) const
{
    return findChild<QAction*>(outlet);
}

void QueueFilesVC::loadView()
{
    if (loaded_) return;
    loaded_ = true;
    queueFilesController_.setDelegate(this);
    queueFilesController_.setQueueController(queueController_);
    tableView_->setQueueFilesController(&queueFilesController_);
    connect(tableView_, &TableViewQueueFiles::doubleClickAction, this, &QueueFilesVC::doubleClickAction);
    // The search service delivers a job's file list after the job was
    // shown: the pane takes the list again then.
    NotificationHub::defaultCenter().addObserver(
        QStringLiteral("NewFilepartsReceived"), this, [this](const Notification& n) {
            const QueuePtr job = n.userInfo.value(QStringLiteral("queue")).value<QueuePtr>();
            if (job && job == currentQueueObject_) showFilesFor(job);
        });
    showFilesFor(currentQueueObject_);
}

void QueueFilesVC::replaceFiles(const QList<QueuePtr>& parts)
{
    QueueFilesTableModel* model = tableView_->filesModel();
    if (model) model->willChangeFiles();
    queueFilesController_.setQueuefilesArray(parts);
    if (model) model->didChangeFiles();
}

void QueueFilesVC::showFilesFor(const QueuePtr& shown)
{
    // A copy: `shown` may be currentQueueObject_ itself, which clearlist empties.
    const QueuePtr job = shown;
    clearlist();
    currentQueueObject_ = job;
    if (job) replaceFiles(job->fileparts());
}

void QueueFilesVC::clearlist()
{
    replaceFiles({});
    currentQueueObject_.reset();
}

void QueueFilesVC::followFileparts()
{
    if (currentQueueObject_ && currentQueueObject_->filepartCount() != queueFilesController_.queuefilesArray().size())
        showFilesFor(currentQueueObject_);
}

void QueueFilesVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    followFileparts();
    filepartsWatch_.start();
}

void QueueFilesVC::hideEvent(QHideEvent* event)
{
    filepartsWatch_.stop();
    QWidget::hideEvent(event);
}

// --- targeted rows ---

QList<int> QueueFilesVC::getSelectedIndexSet() const
{
    return tableView_->getSelectedIndexSet();
}

QList<QueuePtr> QueueFilesVC::getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const
{
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QList<QueuePtr> parts;
    const QList<QueuePtr>& all = queueFilesController_.queuefilesArray();
    for (int r : sorted)
        if (r >= 0 && r < all.size()) parts << all[r];
    return parts;
}

QueuePtr QueueFilesVC::getFirstSelectedObject() const
{
    const QList<QueuePtr> parts = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    return parts.isEmpty() ? nullptr : parts.first();
}

// --- commands ---

void QueueFilesVC::downloadAndExecute(bool launch)
{
    for (const QueuePtr& part : getAllSelectedObjectsFromIndexSet(getSelectedIndexSet())) {
        if (launch && queueController_) {
            FODController* index = queueController_->fodController();
            const FODObjectPtr onDisk = index ? index->searchFileForFilePart(part) : nullptr;
            if (onDisk && !onDisk->folder().isEmpty()) {
                Utils::executeFile(onDisk->folder(), onDisk->filename(), part);
                continue;
            }
        }
        part->setExecute(launch);
        part->setCheckbox(1);
        queueFilesController_.updateStatusForFilepart(part);
    }
}

void QueueFilesVC::copyFilenameToClipboard()
{
    const QueuePtr part = getFirstSelectedObject();
    if (!part) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(part->filename());
}

void QueueFilesVC::setCheckBoxes(const QList<QueuePtr>& parts, qint64 checkbox,
                                 const std::function<bool(const Queue&)>& condition)
{
    for (const QueuePtr& part : parts) {
        if (!part || part->checkboxDisabled() || !condition(*part)) continue;
        part->setCheckbox(checkbox);
        queueFilesController_.updateStatusForFilepart(part);
    }
    tableView_->viewport()->update();
}

void QueueFilesVC::deSelectSelectedCheckBoxes()
{
    setCheckBoxes(getAllSelectedObjectsFromIndexSet(getSelectedIndexSet()), 0,
                  [](const Queue& p) { return p.checkbox() == 1; });
}

void QueueFilesVC::selectAllCheckBoxes()
{
    setCheckBoxes(queueFilesController_.queuefilesArray(), 1, [](const Queue& p) { return p.checkbox() == 0; });
}

void QueueFilesVC::deSelectAllCheckBoxes()
{
    setCheckBoxes(queueFilesController_.queuefilesArray(), 0, [](const Queue& p) { return p.checkbox() == 1; });
}

void QueueFilesVC::selectPar2FileCheckBoxes()
{
    setCheckBoxes(queueFilesController_.queuefilesArray(), 1,
                  [](const Queue& p) { return p.ispar() && p.checkbox() == 0; });
}

void QueueFilesVC::menuWillOpen(QMenu*)
{
    const QList<QueuePtr> parts = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    const qsizetype n = parts.size();
    const QueuePtr job = n > 0 ? parts.first()->queue() : nullptr;
    if (job && job->isUploadObject()) {
        for (QAction* a : {mnuItemDownload_, mnuItemDownloadLaunch_, menuItemDeselect_, menuItemSelectAllCheckBoxes_,
                           menuItemDeselectAllCheckBoxes_, menuItemDownloadAllPar2Files_})
            a->setEnabled(false);
        menuItemCopyFilename_->setEnabled(n == 1);
        return;
    }
    for (QAction* a : {menuItemSelectAllCheckBoxes_, menuItemDeselectAllCheckBoxes_, menuItemDownloadAllPar2Files_})
        a->setEnabled(true);
    if (n > 0) {
        for (QAction* a : {mnuItemDownload_, mnuItemDownloadLaunch_, menuItemDeselect_})
            a->setEnabled(true);
        menuItemCopyFilename_->setEnabled(n == 1);
    } else {
        for (QAction* a : {mnuItemDownload_, mnuItemDownloadLaunch_, menuItemCopyFilename_})
            a->setEnabled(false);
    }
}

void QueueFilesVC::enterKeyPressedInFiles()
{
    downloadAndExecute(true);
}

void QueueFilesVC::cmdDKeyPressedInFiles()
{
    downloadAndExecute(false);
}

void QueueFilesVC::doubleClickAction()
{
    downloadAndExecute(true);
}
