#include "ui/queue/QueueFilesTableModel.h"

#include "queue/QueueFilesController.h"

QueueFilesRow QueueFilesRow::forPart(const Queue& part)
{
    QueueFilesRow r;
    r.filename = part.filename();
    r.bytes = part.bytes();
    r.checkbox = part.checkbox();
    r.checkboxDisabled = part.checkboxDisabled();
    r.progress = part.progressBarValue();
    r.colorRow = part.colorRowFilesPanel();
    r.colorProgressBar = part.colorProgressBarFilesPanel();
    return r;
}

QueueFilesTableModel::QueueFilesTableModel(QueueFilesController* controller, QObject* parent)
    : QAbstractListModel(parent), controller_(controller),
      poller_([this](int r) { return refreshRow(r); },
              [this](int first, int last) { Q_EMIT dataChanged(index(first), index(last)); })
{
    poller_.setRowCount([this] { return int(rows_.size()); });
}

int QueueFilesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant QueueFilesTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    if (role == Qt::DisplayRole) return rowView(index.row()).filename;
    if (role == PartRole) return QVariant::fromValue(partAt(index.row()));
    return {};
}

QueuePtr QueueFilesTableModel::partAt(int row) const
{
    const QList<QueuePtr>& parts = controller_->queuefilesArray();
    return row >= 0 && row < parts.size() ? parts[row] : nullptr;
}

const QueueFilesRow& QueueFilesTableModel::rowView(int row) const
{
    std::optional<QueueFilesRow>& cached = rows_[size_t(row)];
    if (!cached) cached = QueueFilesRow::forPart(*partAt(row));
    return *cached;
}

bool QueueFilesTableModel::refreshRow(int row)
{
    std::optional<QueueFilesRow>& cached = rows_[size_t(row)];
    // A row never painted is read when it is first shown.
    if (!cached) return false;
    const QueuePtr part = partAt(row);
    if (!part) return false;
    QueueFilesRow now = QueueFilesRow::forPart(*part);
    if (now == *cached) return false;
    cached = std::move(now);
    return true;
}

void QueueFilesTableModel::willChangeFiles()
{
    beginResetModel();
}

void QueueFilesTableModel::didChangeFiles()
{
    rows_.assign(size_t(controller_->queuefilesArray().size()), std::nullopt);
    endResetModel();
}
