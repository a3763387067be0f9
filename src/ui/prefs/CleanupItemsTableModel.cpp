#include "ui/prefs/CleanupItemsTableModel.h"

#include "postprocess/CleanupItemsController.h"

CleanupItemsTableModel::CleanupItemsTableModel(CleanupItemsController* controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller)
{
    if (!controller) return;
    connect(controller, &CleanupItemsController::arrayCleanupItemsWillChange, this,
            &CleanupItemsTableModel::beginResetModel);
    connect(controller, &CleanupItemsController::arrayCleanupItemsDidChange, this,
            &CleanupItemsTableModel::endResetModel);
}

int CleanupItemsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !controller_ ? 0 : int(controller_->count());
}

int CleanupItemsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CleanupItemsTableModel::data(const QModelIndex& index, int role) const
{
    if (!controller_ || !index.isValid()) return {};
    const QList<CleanupItem> items = controller_->arrayCleanupItems();
    if (index.row() >= items.size()) return {};
    const CleanupItem& item = items.at(index.row());
    switch (index.column()) {
    case kColumnCheckbox:
        if (role == Qt::CheckStateRole) return item.checkbox ? Qt::Checked : Qt::Unchecked;
        break;
    case kColumnSearchItem:
        if (role == Qt::DisplayRole || role == Qt::EditRole) return item.searchItem;
        break;
    case kColumnInfo:
        if (role == Qt::DisplayRole || role == Qt::EditRole) return item.info;
        break;
    default:
        break;
    }
    return {};
}

QVariant CleanupItemsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case kColumnCheckbox:
        return QString();
    case kColumnSearchItem:
        return QStringLiteral("Pattern");
    case kColumnInfo:
        return QStringLiteral("Info");
    default:
        return {};
    }
}

Qt::ItemFlags CleanupItemsTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == kColumnCheckbox ? base | Qt::ItemIsUserCheckable : base | Qt::ItemIsEditable;
}

bool CleanupItemsTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!controller_ || !index.isValid()) return false;
    const QList<CleanupItem> items = controller_->arrayCleanupItems();
    if (index.row() >= items.size()) return false;
    CleanupItem item = items.at(index.row());
    if (index.column() == kColumnCheckbox && role == Qt::CheckStateRole)
        item.checkbox = value.toInt() == Qt::Checked;
    else if (index.column() == kColumnSearchItem && role == Qt::EditRole)
        item.searchItem = value.toString().trimmed();
    else if (index.column() == kColumnInfo && role == Qt::EditRole)
        item.info = value.toString();
    else
        return false;
    controller_->setItem(index.row(), item);
    Q_EMIT dataChanged(index, index, {role});
    return true;
}
