#include "ui/core/LogFilterProxyModel.h"

LogFilterProxyModel::LogFilterProxyModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void LogFilterProxyModel::setSearchedColumns(const QList<int>& columns)
{
    searchedColumns_ = columns;
    invalidateFilter();
}

void LogFilterProxyModel::setFilterText(const QString& text)
{
    if (text == filterText_) return;
    filterText_ = text;
    invalidateFilter();
}

bool LogFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (filterText_.isEmpty()) return true;
    const QAbstractItemModel* source = sourceModel();
    if (!source) return false;
    for (const int column : searchedColumns_) {
        const QString text = source->data(source->index(sourceRow, column, sourceParent)).toString();
        if (text.contains(filterText_, Qt::CaseInsensitive)) return true;
    }
    return false;
}
