#include "ui/search/tools/IndexedNewsgroupListModel.h"

void IndexedNewsgroupListModel::setItems(QList<IndexedNG> items)
{
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

int IndexedNewsgroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

QVariant IndexedNewsgroupListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= items_.size()) return {};
    const IndexedNG& group = items_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return group.newsgroup();
    case Qt::DecorationRole: return group.icon();
    default: return {};
    }
}
