#include "ui/search/watchdog/WatchdogHistoryTableModel.h"

#include "search/Watchdog.h"

void WatchdogHistoryTableModel::setRows(const QList<WatchdogHistoryObj>& rows)
{
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

int WatchdogHistoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int WatchdogHistoryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant WatchdogHistoryTableModel::data(const QModelIndex& index, int role) const
{
    if (index.row() < 0 || index.row() >= rows_.size()) return {};
    const WatchdogHistoryObj& h = rows_.at(index.row());
    // The narrow pane shortens long names: the whole one on hovering.
    if (role == Qt::ToolTipRole && index.column() == 0) return h.title;
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case 0: return h.title;
    case 1: return h.bytesString;
    case 2: return Watchdog::unixTimeToDate(h.date);
    default: return {};
    }
}

QVariant WatchdogHistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Match", "Size", "Queued"};
    return section >= 0 && section < 3 ? QString::fromLatin1(titles[section]) : QVariant();
}
