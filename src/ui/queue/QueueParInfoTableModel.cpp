#include "ui/queue/QueueParInfoTableModel.h"

#include "postprocess/RepairObject.h"

QueueParInfoRow QueueParInfoRow::forChild(const RepairObject& child)
{
    return {child.filename(), child.statusTextField(), child.blocksTextField(), child.colorRow()};
}

QueueParInfoTableModel::QueueParInfoTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      poller_([this](int r) { return refreshRow(r); },
              [this](int first, int last) {
                  Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
              })
{
    poller_.setRowCount([this] { return int(rows_.size()); });
    poller_.setBeforeEachLook([this] { syncWithSet(); });
}

QList<std::shared_ptr<RepairObject>> QueueParInfoTableModel::currentChilds() const
{
    const std::shared_ptr<RepairObject> set = job_ ? job_->repairObject() : nullptr;
    return set ? set->childs() : QList<std::shared_ptr<RepairObject>>();
}

void QueueParInfoTableModel::setJob(const QueuePtr& job)
{
    beginResetModel();
    job_ = job;
    childs_ = currentChilds();
    rows_.assign(size_t(childs_.size()), std::nullopt);
    endResetModel();
}

void QueueParInfoTableModel::syncWithSet()
{
    const QList<std::shared_ptr<RepairObject>> now = currentChilds();
    if (now == childs_) return;
    // Files are only ever appended to a set; anything else reloads.
    const qsizetype old = childs_.size();
    if (now.size() > old && now.mid(0, old) == childs_) {
        beginInsertRows(QModelIndex(), int(old), int(now.size() - 1));
        childs_ = now;
        rows_.resize(size_t(now.size()));
        endInsertRows();
        return;
    }
    setJob(job_);
}

int QueueParInfoTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int QueueParInfoTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const QueueParInfoRow& QueueParInfoTableModel::rowView(int row) const
{
    std::optional<QueueParInfoRow>& cached = rows_[size_t(row)];
    if (!cached) cached = QueueParInfoRow::forChild(*childs_[row]);
    return *cached;
}

bool QueueParInfoTableModel::refreshRow(int row)
{
    std::optional<QueueParInfoRow>& cached = rows_[size_t(row)];
    if (!cached) return false;
    QueueParInfoRow now = QueueParInfoRow::forChild(*childs_[row]);
    if (now == *cached) return false;
    cached = std::move(now);
    return true;
}

QVariant QueueParInfoTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const QueueParInfoRow& r = rowView(index.row());
    if (role == ColorRole) return r.colorRow;
    if (role == Qt::TextAlignmentRole && index.column() == BlocksColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case FileColumn:
        return r.filename;
    case StatusColumn:
        return r.status;
    case BlocksColumn:
        return r.blocks;
    default:
        return {};
    }
}

QVariant QueueParInfoTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case FileColumn:
        return QStringLiteral("File");
    case StatusColumn:
        return QStringLiteral("Status");
    case BlocksColumn:
        return QStringLiteral("Blocks");
    default:
        return {};
    }
}

Qt::ItemFlags QueueParInfoTableModel::flags(const QModelIndex& index) const
{
    // Rows show state only: they are never selected.
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}
