#include "ui/prefs/TableViewNewsServers.h"

#include "ui/prefs/NewsServersTableModel.h"

#include <QDataStream>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

TableViewNewsServers::TableViewNewsServers(QWidget* parent)
    : QTableView(parent), model_(new NewsServersTableModel(this))
{
    setObjectName(QStringLiteral("tableviewNewsServers"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->resizeSection(NewsServersTableModel::ColumnServer, 140);
    // The selection in blue while the list has the focus, in grey otherwise.
    QPalette colours = palette();
    colours.setColor(QPalette::Active, QPalette::Highlight, QColor::fromRgbF(0.2f, 0.455f, 0.741f));
    colours.setColor(QPalette::Inactive, QPalette::Highlight, QColor::fromRgbF(0.643f, 0.651f, 0.659f));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    setPalette(colours);
}

void TableViewNewsServers::setNntpServersController(NNTPServersController* controller)
{
    model_->setNntpServersController(controller);
}

QList<int> TableViewNewsServers::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TableViewNewsServers::selectedRow() const
{
    // The row the user last clicked among the selected ones, else the first.
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex())) return current.row();
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

NNTPServerObjectPtr TableViewNewsServers::selectedServer() const
{
    return model_->serverAt(selectedRow());
}

void TableViewNewsServers::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        clearSelection();
        setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TableViewNewsServers::beginDrag(const QList<int>& rows)
{
    draggedObjectsArray_.clear();
    for (int row : rows)
        if (const NNTPServerObjectPtr server = model_->serverAt(row)) draggedObjectsArray_.append(server);
}

bool TableViewNewsServers::acceptDrop(int row)
{
    if (draggedObjectsArray_.isEmpty()) return false;
    // Servers above the drop row move down to it, the others up; moving the
    // lower ones first (from the last) and then the upper ones (from the
    // first) keeps the dragged block in its order.
    QList<NNTPServerObjectPtr> above;
    QList<NNTPServerObjectPtr> below;
    for (const NNTPServerObjectPtr& server : std::as_const(draggedObjectsArray_))
        (model_->rowOf(server) < row ? above : below).append(server);
    for (auto it = below.crbegin(); it != below.crend(); ++it)
        moveRowObject(*it, row);
    for (const NNTPServerObjectPtr& server : std::as_const(above))
        moveRowObject(server, row);
    return true;
}

void TableViewNewsServers::moveRowObject(const NNTPServerObjectPtr& server, int row)
{
    const int index = model_->rowOf(server);
    if (index < 0) return;
    const int destination = index < row ? row - 1 : row;
    model_->moveServer(index, destination);
    selectRow(destination);
}

void TableViewNewsServers::keyPressEvent(QKeyEvent* event)
{
    const int row = selectedRow();
    const bool up = event->key() == Qt::Key_Up;
    if (event->modifiers() == Qt::ControlModifier && (up || event->key() == Qt::Key_Down) && row >= 0) {
        // Above the row before, or above the row after the next.
        const int dropRow = up ? row - 1 : row + 2;
        if (dropRow >= 0 && dropRow <= model_->rowCount()) {
            beginDrag({row});
            acceptDrop(dropRow);
            endDrag();
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TableViewNewsServers::startDrag(Qt::DropActions)
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) return;
    beginDrag(rows);
    // The rows travel as a list of indexes under the private type; the drop
    // uses the objects kept here, never the data.
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << rows;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kDragType), data);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    endDrag();
}

bool TableViewNewsServers::isOwnDrag(const QDropEvent* event) const
{
    return event->source() == this && event->mimeData()->hasFormat(QString::fromLatin1(kDragType));
}

void TableViewNewsServers::dragEnterEvent(QDragEnterEvent* event)
{
    if (isOwnDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TableViewNewsServers::dragMoveEvent(QDragMoveEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    QTableView::dragMoveEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

int TableViewNewsServers::dropRowAt(const QPoint& position) const
{
    // Every drop goes above a row: the lower half of a row means the next.
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) return model_->rowCount();
    const QRect rect = visualRect(index);
    return position.y() > rect.center().y() ? index.row() + 1 : index.row();
}

void TableViewNewsServers::dropEvent(QDropEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    acceptDrop(dropRowAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction); // the rows are moved already
    event->accept();
    stopAutoScroll();
}
