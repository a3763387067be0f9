#include "ui/search/watchdog/TableViewWatchdog.h"

#include "controls/OwnRowDrag.h"
#include "ui/search/watchdog/TableCVWatchdogDesc.h"
#include "ui/search/watchdog/TableRowViewWatchdog.h"
#include "ui/search/watchdog/WatchdogTableModel.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

TableViewWatchdog::TableViewWatchdog(WatchdogController* controller, QWidget* parent)
    : QTableView(parent), model_(new WatchdogTableModel(controller, this))
{
    setObjectName(QStringLiteral("tableViewWatchdog"));
    setModel(model_);
    setItemDelegate(new TableRowViewWatchdog(this));
    auto* desc = new TableCVWatchdogDesc(this);
    setItemDelegateForColumn(WatchdogTableModel::ColumnWDDesc, desc);
    connect(desc, &TableCVWatchdogDesc::checkboxClicked, this, &TableViewWatchdog::checkboxClicked);
    OwnRowDrag::enableOn(this);
    setShowGrid(false);
    setAlternatingRowColors(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    setColumnWidth(WatchdogTableModel::ColumnWDDesc, 260);
    // Wide enough for its longest text, "Last search failed".
    setColumnWidth(WatchdogTableModel::ColumnWDStatus, 130);
    setColumnWidth(WatchdogTableModel::ColumnWDAction, 110);
    setColumnWidth(WatchdogTableModel::ColumnWDInterval, 100);
    setColumnWidth(WatchdogTableModel::ColumnWDLastMatch, 140);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor::fromRgbF(0.973f, 0.973f, 0.973f));
    setPalette(p);
}

void TableViewWatchdog::checkboxClicked(qint64 tag, bool state)
{
    if (const WatchdogPtr entry = getObjectForTag(tag)) entry->setActive(state);
}

WatchdogPtr TableViewWatchdog::getObjectForTag(qint64 tag) const
{
    for (int row = 0; row < model_->rowCount(); ++row)
        if (const WatchdogPtr entry = model_->entryAt(row); entry->tag() == tag) return entry;
    return nullptr;
}

void TableViewWatchdog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT editKeyPressed();
        return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        Q_EMIT deleteKeyPressed();
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void TableViewWatchdog::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    clickedRow_ = index.isValid() ? index.row() : -1;
    if (menuRunner_) menuRunner_(event->globalPos());
    clickedRow_ = -1;
}

void TableViewWatchdog::startDrag(Qt::DropActions /*supportedActions*/)
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(model_->mimeData(rows));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

bool TableViewWatchdog::isDragAcceptable(const QDropEvent* event) const
{
    return OwnRowDrag::isFromView(event, this, WatchdogTableModel::kDragType);
}

void TableViewWatchdog::dragEnterEvent(QDragEnterEvent* event)
{
    OwnRowDrag::enter(event, this, WatchdogTableModel::kDragType);
}

void TableViewWatchdog::dragMoveEvent(QDragMoveEvent* event)
{
    if (isDragAcceptable(event)) {
        event->acceptProposedAction();
        viewport()->update();
    } else {
        event->ignore();
    }
}

int TableViewWatchdog::validateDropRow(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) return model_->rowCount();
    return pos.y() > visualRect(index).center().y() ? index.row() + 1 : index.row();
}

bool TableViewWatchdog::acceptDrop(const QObject* source, const QMimeData* data, int row)
{
    if (source != this) return false;
    const QList<int> rows = WatchdogTableModel::draggedRows(data);
    if (rows.isEmpty()) return false;
    model_->moveRowsAbove(rows, row);
    return true;
}

void TableViewWatchdog::dropEvent(QDropEvent* event)
{
    if (isDragAcceptable(event) &&
        acceptDrop(event->source(), event->mimeData(), validateDropRow(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}
