#include "ui/search/watchdog/WatchdogTableModel.h"

#include "controls/Artwork.h"
#include "search/WatchdogController.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <algorithm>

WatchdogTableModel::WatchdogTableModel(WatchdogController* controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller)
{
    if (!controller) return;
    connect(controller, &WatchdogController::watchdogArrayChanged, this,
            &WatchdogTableModel::syncWithController);
    syncWithController();
}

void WatchdogTableModel::watch(const WatchdogPtr& entry)
{
    Watchdog* raw = entry.get();
    connect(raw, &Watchdog::displayChanged, this, [this, raw] { entryDisplayChanged(raw); });
}

void WatchdogTableModel::entryDisplayChanged(Watchdog* entry)
{
    for (int row = 0; row < rows_.size(); ++row) {
        if (rows_.at(row).get() != entry) continue;
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
}

void WatchdogTableModel::syncWithController()
{
    const QList<WatchdogPtr> target = controller_ ? controller_->watchdogArray() : QList<WatchdogPtr>();
    // Rows whose entry left the list go first, from the bottom.
    for (int row = int(rows_.size()) - 1; row >= 0; --row) {
        if (target.contains(rows_.at(row))) continue;
        beginRemoveRows({}, row, row);
        disconnect(rows_.at(row).get(), nullptr, this, nullptr);
        rows_.removeAt(row);
        endRemoveRows();
    }
    // Then each position is brought in line by a move or an insert.
    for (int i = 0; i < target.size(); ++i) {
        if (i < rows_.size() && rows_.at(i) == target.at(i)) continue;
        const int from = int(rows_.indexOf(target.at(i)));
        if (from < 0) {
            beginInsertRows({}, i, i);
            rows_.insert(i, target.at(i));
            watch(target.at(i));
            endInsertRows();
        } else {
            beginMoveRows({}, from, from, {}, i);
            rows_.move(from, i);
            endMoveRows();
        }
    }
}

int WatchdogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int WatchdogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WatchdogTableModel::data(const QModelIndex& index, int role) const
{
    const WatchdogPtr entry = entryAt(index.row());
    if (!entry) return {};
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        switch (column) {
        case ColumnWDDesc:
            return entry->alias();
        case ColumnWDStatus:
            return entry->statusString();
        case ColumnWDAction:
            return entry->actionString();
        case ColumnWDInterval:
            return entry->intervalString();
        case ColumnWDLastMatch:
            return entry->lastmatchString();
        case ColumnWDNextSearch:
            return entry->nextsearchString();
        default:
            return {};
        }
    }
    if (role == TagRole) return entry->tag();
    if (role == Qt::CheckStateRole && column == ColumnWDDesc)
        return entry->active() ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DecorationRole && column == ColumnWDDesc && Artwork::contains(entry->contentIcon()))
        return Artwork::pixmap(entry->contentIcon(), QSize(16, 16));
    if (role == Qt::ForegroundRole && !entry->textEnabled()) return QColor(0x99, 0x99, 0x99);
    return {};
}

QVariant WatchdogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Description", "Status",     "On match",
                                         "Interval",    "Last match", "Next search"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags WatchdogTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList WatchdogTableModel::mimeTypes() const
{
    return {QString::fromLatin1(kDragType)};
}

QMimeData* WatchdogTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && !rows.contains(i.row())) rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << rows;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragType), bytes);
    return data;
}

QList<int> WatchdogTableModel::draggedRows(const QMimeData* data)
{
    QList<int> rows;
    if (!data || !data->hasFormat(QString::fromLatin1(kDragType))) return rows;
    QDataStream in(data->data(QString::fromLatin1(kDragType)));
    in >> rows;
    return in.status() == QDataStream::Ok ? rows : QList<int>();
}

void WatchdogTableModel::moveRowsAbove(const QList<int>& rows, int dropRow)
{
    if (!controller_) return;
    QList<WatchdogPtr> dragged;
    for (int row : rows)
        if (WatchdogPtr e = entryAt(row); e && !dragged.contains(e)) dragged.append(e);
    if (dragged.isEmpty()) return;
    // The group lands, in its order, below the entries that stood above the
    // drop row and were not dragged.
    QList<WatchdogPtr> order;
    int insertAt = 0;
    for (int row = 0; row < rows_.size(); ++row) {
        if (dragged.contains(rows_.at(row))) continue;
        order.append(rows_.at(row));
        if (row < dropRow) ++insertAt;
    }
    for (int i = 0; i < dragged.size(); ++i)
        order.insert(insertAt + i, dragged.at(i));
    for (int i = 0; i < order.size(); ++i) {
        const qsizetype from = controller_->watchdogArray().indexOf(order.at(i));
        if (from >= 0 && from != i) controller_->moveEntry(from, i);
    }
}
