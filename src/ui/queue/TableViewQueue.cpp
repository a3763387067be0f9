#include "ui/queue/TableViewQueue.h"

#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/StripeAnimationClock.h"

#include <QDrag>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QToolTip>

#include <algorithm>

TableViewQueue::TableViewQueue(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("tableviewQueue"));
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformItemSizes(false);
    setResizeMode(QListView::Adjust);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    model_ = new QueueTableModel(this);
    setModel(model_);
    cell_ = new TableCellViewQueue(this);
    setItemDelegate(cell_);

    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(QStringLiteral("QueueRowHeightChanged"), this, [this](const Notification& n) {
        queueRowHeightChanged(n.userInfo.value(QStringLiteral("queueobject")).value<QueuePtr>());
    });
    hub.addObserver(QStringLiteral("MoveObjectToTableViewQueueBottom"), this, [this](const Notification& n) {
        moveObjectToTableViewQueueBottom(n.userInfo.value(QStringLiteral("row")).toLongLong());
    });
    connect(&StripeAnimationClock::shared(), &StripeAnimationClock::frame, this,
            &TableViewQueue::repaintAnimatingBars);
    // Finding the visible rows lays the list out; after a burst of inserts
    // that is done once, on the next turn of the event loop.
    refreshRangeTimer_.setSingleShot(true);
    refreshRangeTimer_.setInterval(0);
    connect(&refreshRangeTimer_, &QTimer::timeout, this, &TableViewQueue::updateRefreshRange);
    connect(model_, &QAbstractItemModel::rowsInserted, &refreshRangeTimer_, qOverload<>(&QTimer::start));
    connect(model_, &QAbstractItemModel::rowsRemoved, &refreshRangeTimer_, qOverload<>(&QTimer::start));
}

TableViewQueue::~TableViewQueue() = default;

void TableViewQueue::setQueueController(QueueController* controller)
{
    queueController_ = controller;
    model_->setQueueController(controller);
    updateRefreshRange();
}

QString TableViewQueue::tableFileQueueIdentifier() const
{
    return QueueTableModel::dragType();
}

qsizetype TableViewQueue::numberOfRows() const
{
    return queueController_ ? queueController_->queueArray().size() : 0;
}

double TableViewQueue::heightOfRow(int row) const
{
    const QueuePtr job = model_->jobAt(row);
    if (!queueController_ || !job) return 68.0;
    const double h = job->rowheight();
    return h > 0 ? h : 84.0;
}

// --- row buttons ---

void TableViewQueue::statusButtonClicked(qint64 tag)
{
    if (!queueController_) return;
    const QueuePtr job = queueController_->getObjectForQidnr(tag);
    if (!job) return;
    if (job->isPaused())
        queueController_->resumeQueueObject(job);
    else
        queueController_->prepareRemovingObjectsInArray({job});
}

void TableViewQueue::cancelButtonClicked(qint64 tag)
{
    if (!queueController_) return;
    if (const QueuePtr job = queueController_->getObjectForQidnr(tag))
        queueController_->prepareRemovingObjectsInArray({job});
}

void TableViewQueue::pauseButtonClicked(qint64 tag)
{
    if (!queueController_) return;
    const QueuePtr job = queueController_->getObjectForQidnr(tag);
    if (!job) return;
    if (job->isPaused())
        queueController_->resumeQueueObject(job);
    else
        queueController_->pauseQueueObject(job);
}

void TableViewQueue::passwordButtonClicked(qint64 tag)
{
    if (!queueController_) return;
    if (const QueuePtr job = queueController_->getObjectForQidnr(tag))
        NotificationHub::defaultCenter().post(
            QStringLiteral("ShowPasswordSheetForQueueArray"), this,
            {{QStringLiteral("queuearray"), QVariant::fromValue(QList<QueuePtr>{job})}});
}

void TableViewQueue::editTitleButtonClicked(qint64 tag)
{
    if (!queueController_) return;
    if (const QueuePtr job = queueController_->getObjectForQidnr(tag))
        NotificationHub::defaultCenter().post(QStringLiteral("EditQueueTitleClicked"), this,
                                              {{QStringLiteral("queue"), QVariant::fromValue(job)}});
}

void TableViewQueue::cancelSelectedObjects()
{
    const QList<QueuePtr> jobs = getAllSelectedObjects();
    if (!jobs.isEmpty() && queueController_) queueController_->prepareRemovingObjectsInArray(jobs);
}

void TableViewQueue::cleanUP()
{
    if (queueController_) queueController_->cleanUpQueueForced(true);
}

void TableViewQueue::deleteKeyPressed()
{
    if (selectionModel() && !selectionModel()->selectedRows().isEmpty()) cancelSelectedObjects();
}

// --- moves ---

void TableViewQueue::moveObjectsFromArray(const QList<QueuePtr>& jobs, qsizetype row)
{
    if (jobs.isEmpty() || !queueController_) return;
    const QList<QueuePtr> list = queueController_->queueArray();
    QList<QueuePtr> above, rest;
    for (const QueuePtr& j : jobs) {
        if (qint64(list.indexOf(j)) < qint64(row))
            above << j;
        else
            rest << j;
    }
    for (auto it = rest.crbegin(); it != rest.crend(); ++it)
        moveRowObject(*it, row);
    for (const QueuePtr& j : above)
        moveRowObject(j, row);
}

void TableViewQueue::moveRowObject(const QueuePtr& job, qsizetype row)
{
    if (!queueController_) return;
    const QList<QueuePtr> list = queueController_->queueArray();
    const qsizetype from = list.indexOf(job);
    if (row < 0 || row > list.size() || from < 0) return;
    const qsizetype to = from < row ? row - 1 : row;
    // The row moves first: whether or not the scheduler announces its move,
    // the rows then already match its list.
    model_->moveRowLocally(int(from), int(to));
    queueController_->moveObjectFromIndex(from, to);
}

void TableViewQueue::moveObjectToTableViewQueueBottom(qint64 row)
{
    if (!queueController_) return;
    const qint64 last = qint64(queueController_->queueArray().size()) - 1;
    if (row == last) return;
    const qint64 rows = model_->rowCount();
    if (row >= 0 && row < rows && last >= 0 && last < rows) {
        model_->moveRowLocally(int(row), int(last));
        queueController_->moveObjectFromIndex(row, last);
    } else {
        BLOG(4, "Unable to move row:%ld to %ld. Row is out of bounds (%ld)", row, last, rows);
        model_->reloadData();
    }
}

// --- selection ---

QList<int> TableViewQueue::getSelectedIndexSet() const
{
    QList<int> rows;
    if (selectionModel())
        for (const QModelIndex& i : selectionModel()->selectedRows())
            rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (clickedRow_ != -1 && !rows.contains(clickedRow_)) return {clickedRow_};
    return rows;
}

QList<QueuePtr> TableViewQueue::getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const
{
    const QList<QueuePtr> list = queueController_ ? queueController_->queueArray() : QList<QueuePtr>();
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QList<QueuePtr> jobs;
    for (int r : sorted)
        if (r >= 0 && r < list.size()) jobs << list[r];
    return jobs;
}

QList<QueuePtr> TableViewQueue::getAllSelectedObjects() const
{
    return getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
}

QueuePtr TableViewQueue::getFirstSelectedObject() const
{
    const QList<int> rows = getSelectedIndexSet();
    const QList<QueuePtr> list = queueController_ ? queueController_->queueArray() : QList<QueuePtr>();
    if (rows.isEmpty() || rows.first() >= list.size() || rows.first() < 0) return nullptr;
    return list[rows.first()];
}

void TableViewQueue::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    postSelectionChanged();
}

void TableViewQueue::postSelectionChanged()
{
    QueuePtr first;
    if (selectionModel()) {
        QList<int> rows;
        for (const QModelIndex& i : selectionModel()->selectedRows())
            rows << i.row();
        if (!rows.isEmpty()) first = model_->jobAt(*std::min_element(rows.begin(), rows.end()));
    }
    // With nothing selected the panes show an empty job.
    if (!first) first = Queue::create();
    NotificationHub::defaultCenter().post(QStringLiteral("SelectedObjectInTableViewQueueChanged"), this,
                                          {{QStringLiteral("queueobject"), QVariant::fromValue(first)}});
}

// --- context menu ---

void TableViewQueue::willOpenMenu()
{
    for (const QueuePtr& job : getAllSelectedObjects()) {
        contextMenuHighlightedObjectsArray_ << job;
        job->setIsBordered(true);
    }
    model_->refreshRows(0, model_->rowCount() - 1);
}

void TableViewQueue::didCloseMenu()
{
    const QList<QueuePtr> jobs = contextMenuHighlightedObjectsArray_;
    for (const QueuePtr& job : jobs) {
        contextMenuHighlightedObjectsArray_.removeOne(job);
        job->setIsBordered(false);
    }
    model_->refreshRows(0, model_->rowCount() - 1);
}

void TableViewQueue::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    clickedRow_ = index.isValid() ? index.row() : -1;
    willOpenMenu();
    if (contextMenu_) contextMenu_->exec(event->globalPos());
    didCloseMenu();
    clickedRow_ = -1;
}

// --- keys ---

void TableViewQueue::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        deleteKeyPressed();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & Qt::ControlModifier) && (mods & Qt::AltModifier)) {
        if (key == Qt::Key_C) cleanUP();
        return; // every other key with both held is swallowed
    }
    QListView::keyPressEvent(event);
}

// --- mouse ---

void TableViewQueue::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        // A press on a row's button is the button's, not a selection or a
        // drag.
        if (cell_->editorEvent(event, model_, option, index)) {
            buttonPressInProgress_ = true;
            return;
        }
    }
    QListView::mousePressEvent(event);
}

void TableViewQueue::mouseReleaseEvent(QMouseEvent* event)
{
    if (buttonPressInProgress_) {
        buttonPressInProgress_ = false;
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = visualRect(index);
            cell_->editorEvent(event, model_, option, index);
        }
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void TableViewQueue::mouseMoveEvent(QMouseEvent* event)
{
    hoverAt(event->position().toPoint());
    if (buttonPressInProgress_) return;
    QListView::mouseMoveEvent(event);
}

void TableViewQueue::leaveEvent(QEvent* event)
{
    hoverAt(QPoint(-1, -1));
    QListView::leaveEvent(event);
}

void TableViewQueue::hoverAt(const QPoint& pos)
{
    Hover now;
    const QModelIndex index = indexAt(pos);
    if (index.isValid()) {
        now.row = index.row();
        now.part = TableCellViewQueue::partAt(visualRect(index), pos);
    }
    if (now.row == hover_.row && now.part == hover_.part) return;
    const Hover before = hover_;
    hover_ = now;
    using Part = TableCellViewQueue::Part;
    if (before.part == Part::StatusButton)
        if (QueueTableModel::Binding* b = model_->binding(before.row)) b->statusButton.mouseExited();
    if (now.part == Part::StatusButton)
        if (QueueTableModel::Binding* b = model_->binding(now.row)) b->statusButton.mouseEntered();
    if (before.row >= 0) viewport()->update(visualRect(model_->index(before.row)));
    if (now.row >= 0) viewport()->update(visualRect(model_->index(now.row)));
}

bool TableViewQueue::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        QString text;
        if (index.isValid() && TableCellViewQueue::partAt(visualRect(index), help->pos()) ==
                                   TableCellViewQueue::Part::StatusButton)
            if (QueueTableModel::Binding* b = model_->binding(index.row())) text = b->statusButton.toolTip();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QListView::viewportEvent(event);
}

// --- drag and drop ---

void TableViewQueue::beginDragOfRows(const QList<int>& rows)
{
    draggedObjectsArray_.clear();
    for (int r : rows)
        if (const QueuePtr job = model_->jobAt(r)) draggedObjectsArray_ << job;
}

void TableViewQueue::draggingSessionEnded()
{
    draggedObjectsArray_.clear();
}

void TableViewQueue::startDrag(Qt::DropActions /*supportedActions*/)
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) return;
    beginDragOfRows(rows);
    auto* drag = new QDrag(this);
    drag->setMimeData(model_->mimeData({}));
    drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    draggingSessionEnded();
}

bool TableViewQueue::isDragAcceptable(const QDropEvent* event) const
{
    return event->source() == this && event->mimeData() &&
           event->mimeData()->hasFormat(tableFileQueueIdentifier());
}

void TableViewQueue::dragEnterEvent(QDragEnterEvent* event)
{
    if (isDragAcceptable(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TableViewQueue::dragMoveEvent(QDragMoveEvent* event)
{
    if (isDragAcceptable(event)) {
        event->acceptProposedAction();
        viewport()->update();
    } else {
        event->ignore();
    }
}

int TableViewQueue::validateDropRow(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) return model_->rowCount();
    const QRect r = visualRect(index);
    // Every drop goes above a row: the lower half of a row means the next.
    return pos.y() > r.center().y() ? index.row() + 1 : index.row();
}

bool TableViewQueue::acceptDrop(const QObject* source, int row)
{
    if (source != this || draggedObjectsArray_.isEmpty()) return false;
    moveObjectsFromArray(draggedObjectsArray_, row);
    return true;
}

void TableViewQueue::dropEvent(QDropEvent* event)
{
    if (isDragAcceptable(event) && acceptDrop(event->source(), validateDropRow(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}

// --- rows and repaints ---

void TableViewQueue::queueRowHeightChanged(const QueuePtr& job)
{
    if (!queueController_ || !job) return;
    const QList<QueuePtr> list = queueController_->queueArray();
    const int row = model_->rowOf(job);
    if (list.isEmpty() || !list.contains(job) || job->isCancelled() || row < 0) return;
    cell_->noteHeightOfRowChanged(model_->index(row));
}

QPair<int, int> TableViewQueue::visibleRows() const
{
    const int n = model_->rowCount();
    if (n == 0 || !isVisible()) return {0, -1};
    const QModelIndex top = indexAt(QPoint(20, 1));
    const QModelIndex bottom = indexAt(QPoint(20, viewport()->height() - 2));
    return {top.isValid() ? top.row() : 0, bottom.isValid() ? bottom.row() : n - 1};
}

void TableViewQueue::updateRefreshRange()
{
    const QPair<int, int> range = visibleRows();
    if (range != model_->refreshRange()) model_->setRefreshRange(range.first, range.second);
}

void TableViewQueue::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    updateRefreshRange();
}

void TableViewQueue::hideEvent(QHideEvent* event)
{
    model_->setRefreshRange(0, -1);
    QListView::hideEvent(event);
}

void TableViewQueue::repaintAnimatingBars()
{
    const QPair<int, int> range = model_->refreshRange();
    for (int r = range.first; r <= range.second; ++r) {
        QueueTableModel::Binding* b = model_->binding(r);
        if (b && b->progressBar.isAnimating() && !b->progressBar.clipLayerFrame().isEmpty())
            viewport()->update(b->progressBar.frame().toAlignedRect());
    }
}
