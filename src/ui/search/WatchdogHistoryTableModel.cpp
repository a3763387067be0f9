#include "ui/search/WatchdogHistoryTableModel.h"

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
    if (role != Qt::DisplayRole || index.row() < 0 || index.row() >= rows_.size()) return {};
    const WatchdogHistoryObj& h = rows_.at(index.row());
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
