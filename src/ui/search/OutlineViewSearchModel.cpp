#include "ui/search/OutlineViewSearchModel.h"

OutlineViewSearchModel::OutlineViewSearchModel(QObject* parent) : QAbstractTableModel(parent)
{}

void OutlineViewSearchModel::setResults(const QList<QueuePtr>& results)
{
    beginResetModel();
    results_ = results;
    endResetModel();
}

int OutlineViewSearchModel::rowOf(const QueuePtr& item) const
{
    return item ? int(results_.indexOf(item)) : -1;
}

void OutlineViewSearchModel::reloadItem(const QueuePtr& item)
{
    const int row = rowOf(item);
    if (row < 0) return;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int OutlineViewSearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(results_.size());
}

int OutlineViewSearchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OutlineViewSearchModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= results_.size() || role != Qt::DisplayRole) return {};
    const QueuePtr& item = results_[index.row()];
    switch (index.column()) {
    case TitleColumn:
        return item->title();
    case StatusColumn:
        return item->dpStatusTextField();
    default:
        return {};
    }
}
