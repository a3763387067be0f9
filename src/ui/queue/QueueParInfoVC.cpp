#include "ui/queue/QueueParInfoVC.h"

#include "controls/ViewQueueRight.h"
#include "ui/queue/QueueParInfoTableModel.h"
#include "ui/queue/TableRowViewQueuePar2Info.h"

#include <QScrollBar>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>

QueueParInfoVC::QueueParInfoVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("QueueParInfoVC"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* background = new ViewQueueRight(this);
    auto* inner = new QVBoxLayout(background);
    inner->setContentsMargins(0, 0, 0, 0);
    model_ = new QueueParInfoTableModel(this);
    // One row per file, its name over its state: it reads in a narrow pane.
    tableView_ = new QListView(background);
    tableView_->setObjectName(QStringLiteral("tableViewQueueParInfo"));
    tableView_->setModel(model_);
    tableView_->setItemDelegate(new TableRowViewQueuePar2Info(tableView_));
    tableView_->setSelectionMode(QAbstractItemView::NoSelection);
    tableView_->setFocusPolicy(Qt::NoFocus);
    tableView_->setFrameShape(QFrame::NoFrame);
    tableView_->setUniformItemSizes(true);
    tableView_->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    inner->addWidget(tableView_);
    layout->addWidget(background);
    connect(tableView_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &QueueParInfoVC::updateRefreshRange);
    connect(model_, &QAbstractItemModel::modelReset, this, &QueueParInfoVC::updateRefreshRange);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &QueueParInfoVC::updateRefreshRange);
}

void QueueParInfoVC::setCurrentQueueObject(const QueuePtr& job)
{
    model_->setJob(job);
    updateRefreshRange();
}

QueuePtr QueueParInfoVC::currentQueueObject() const
{
    return model_->job();
}

void QueueParInfoVC::showFilesFor(const QueuePtr& job)
{
    if (!job) clearlist();
    setCurrentQueueObject(job);
}

void QueueParInfoVC::clearlist()
{
    setCurrentQueueObject(nullptr);
}

void QueueParInfoVC::updateRefreshRange()
{
    // A set gains files while it is shown, so the pane keeps looking while
    // it has a job, even with no rows yet.
    if (!isVisible() || !model_->job()) {
        model_->poller().setRange(0, -1);
        return;
    }
    const int top = tableView_->indexAt(QPoint(10, 1)).row();
    const int bottom = tableView_->indexAt(QPoint(10, tableView_->viewport()->height() - 2)).row();
    const int n = model_->rowCount();
    model_->poller().setRange(top < 0 ? 0 : top, bottom < 0 ? std::max(n - 1, 0) : bottom);
}

void QueueParInfoVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateRefreshRange();
}

void QueueParInfoVC::hideEvent(QHideEvent* event)
{
    model_->poller().setRange(0, -1);
    QWidget::hideEvent(event);
}

void QueueParInfoVC::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateRefreshRange();
}
