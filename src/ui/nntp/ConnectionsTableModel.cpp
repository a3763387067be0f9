#include "ui/nntp/ConnectionsTableModel.h"

#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"

ConnectionRow ConnectionRow::forObject(const TVConnectionsObject& object)
{
    return {object.nr(), object.alias(), object.filename(), object.title(), object.lastresponse()};
}

ConnectionsTableModel::ConnectionsTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      poller_([this](int r) { return refreshRow(r); },
              [this](int first, int last) {
                  Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
              })
{
    poller_.setRowCount([this] { return int(rows_.size()); });
}

void ConnectionsTableModel::setNntpServersController(NNTPServersController* servers)
{
    if (servers_) disconnect(servers_, nullptr, this, nullptr);
    servers_ = servers;
    if (servers)
        connect(servers, &NNTPServersController::arrayTableViewConnectionsChanged, this,
                &ConnectionsTableModel::reloadRows);
    reloadRows();
}

void ConnectionsTableModel::reloadRows()
{
    beginResetModel();
    objects_ = servers_ ? servers_->arrayTableViewConnections() : QList<TVConnectionsObjectPtr>();
    rows_.assign(size_t(objects_.size()), std::nullopt);
    endResetModel();
}

TVConnectionsObjectPtr ConnectionsTableModel::objectAt(int row) const
{
    return row >= 0 && row < objects_.size() ? objects_[row] : nullptr;
}

int ConnectionsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int ConnectionsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const ConnectionRow& ConnectionsTableModel::rowView(int row) const
{
    std::optional<ConnectionRow>& cached = rows_[size_t(row)];
    if (!cached) cached = ConnectionRow::forObject(*objects_[row]);
    return *cached;
}

bool ConnectionsTableModel::refreshRow(int row)
{
    std::optional<ConnectionRow>& cached = rows_[size_t(row)];
    if (!cached) return false;
    ConnectionRow now = ConnectionRow::forObject(*objects_[row]);
    if (now == *cached) return false;
    cached = std::move(now);
    return true;
}

QVariant ConnectionsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const ConnectionRow& r = rowView(index.row());
    switch (index.column()) {
    case NrColumn:
        return r.nr;
    case ServerColumn:
        return r.alias;
    case FileColumn:
        return r.filename;
    case TitleColumn:
        return r.title;
    case ResponseColumn:
        return r.lastresponse;
    default:
        return {};
    }
}

QVariant ConnectionsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"#", "Server", "File", "Title", "Last response"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
