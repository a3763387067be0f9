#include "ui/search/watchdog/WatchdogLogTableModel.h"

#include "search/Watchdog.h"
#include "search/WatchdogController.h"

WatchdogLogTableModel::WatchdogLogTableModel(WatchdogController* controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller)
{
    shown_ = controller ? int(controller->watchdogLogArray().size()) : 0;
}

void WatchdogLogTableModel::logChanged()
{
    const int now = controller_ ? int(controller_->watchdogLogArray().size()) : 0;
    if (now > shown_) {
        // New lines come on top, the first one into an empty log too.
        beginInsertRows({}, 0, now - shown_ - 1);
        shown_ = now;
        endInsertRows();
    } else if (now != shown_) {
        // Cleared.
        beginResetModel();
        shown_ = now;
        endResetModel();
    }
}

int WatchdogLogTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

int WatchdogLogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant WatchdogLogTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !controller_ || index.row() < 0 || index.row() >= shown_) return {};
    const QList<WatchdogLogObj>& log = controller_->watchdogLogArray();
    if (index.row() >= log.size()) return {};
    const WatchdogLogObj& line = log.at(index.row());
    switch (index.column()) {
    case 0:
        return line.dateString;
    case 1:
        return line.watchdog ? line.watchdog->alias() : QString();
    case 2:
        return line.matchesString;
    case 3:
        return line.bytesString;
    case 4:
        return line.actionString;
    default:
        return {};
    }
}

QVariant WatchdogLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Date", "Entry", "Matches", "Size", "Result"};
    return section >= 0 && section < 5 ? QString::fromLatin1(titles[section]) : QVariant();
}
