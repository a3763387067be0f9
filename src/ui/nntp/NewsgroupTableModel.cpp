#include "ui/nntp/NewsgroupTableModel.h"

void NewsgroupTableModel::setItems(const QList<NewsgroupSelectorItem>& items)
{
    beginResetModel();
    items_ = items;
    endResetModel();
}

void NewsgroupTableModel::setCheckbox(int row, bool checked)
{
    if (row < 0 || row >= items_.size()) return;
    items_[row].checkbox = checked;
    Q_EMIT dataChanged(index(row, NewsgroupColumn), index(row, NewsgroupColumn), {Qt::CheckStateRole});
}

bool NewsgroupTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkable_ || role != Qt::CheckStateRole || !index.isValid() || index.column() != NewsgroupColumn)
        return false;
    setCheckbox(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags NewsgroupTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (checkable_ && index.column() == NewsgroupColumn) f |= Qt::ItemIsUserCheckable;
    return f;
}

int NewsgroupTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

int NewsgroupTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant NewsgroupTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= items_.size()) return {};
    const NewsgroupSelectorItem& i = items_[index.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (index.column() == NewsgroupColumn) return i.newsgroup;
        if (index.column() == ArticlesColumn)
            return role == Qt::DisplayRole ? QVariant(i.articlecount) : QVariant();
    }
    if (role == Qt::CheckStateRole && checkable_ && index.column() == NewsgroupColumn)
        return i.checkbox ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && index.column() == ArticlesColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant NewsgroupTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == NewsgroupColumn) return QStringLiteral("Newsgroup");
    if (section == ArticlesColumn) return QStringLiteral("Articles");
    return {};
}
