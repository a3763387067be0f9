#include "ui/prefs/NewsServersTableModel.h"

#include "nntp/NNTPServersController.h"

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int kSwatchSize = 12;

// The same dot on a selected row: the colour is what the user picks by.
QIcon swatch(const QColor& color)
{
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(color.darker(130));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0.5, 0.5, kSwatchSize - 1, kSwatchSize - 1));
    painter.end();
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
    return icon;
}
} // namespace

NewsServersTableModel::NewsServersTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void NewsServersTableModel::setNntpServersController(NNTPServersController* controller)
{
    beginResetModel();
    controller_ = controller;
    endResetModel();
}

NNTPServerObjectPtr NewsServersTableModel::serverAt(int row) const
{
    if (!controller_) return nullptr;
    const QList<NNTPServerObjectPtr>& list = controller_->mutableArrayNNTPServers();
    return row >= 0 && row < list.size() ? list.at(row) : nullptr;
}

int NewsServersTableModel::rowOf(const NNTPServerObjectPtr& server) const
{
    return controller_ ? int(controller_->mutableArrayNNTPServers().indexOf(server)) : -1;
}

void NewsServersTableModel::moveServer(int from, int to)
{
    if (!controller_ || from == to) return;
    QList<NNTPServerObjectPtr>& list = controller_->mutableArrayNNTPServers();
    if (from < 0 || from >= list.size() || to < 0 || to >= list.size()) return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    list.move(from, to);
    endMoveRows();
    Q_EMIT controller_->arrayNNTPServersChanged();
}

void NewsServersTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

void NewsServersTableModel::serverChanged(int row)
{
    if (row < 0 || row >= rowCount()) return;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int NewsServersTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !controller_ ? 0 : int(controller_->mutableArrayNNTPServers().size());
}

int NewsServersTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant NewsServersTableModel::data(const QModelIndex& index, int role) const
{
    const NNTPServerObjectPtr server = serverAt(index.row());
    if (!server) return {};
    const bool disabled = !server->enabled();
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ColumnServer) return server->alias();
        return server->address();
    case Qt::DecorationRole:
        if (index.column() == ColumnServer) return swatch(server->color());
        return {};
    case Qt::ForegroundRole:
        // A switched-off server stays in the list, greyed.
        return disabled ? QVariant(QColor(0xa6, 0xa6, 0xa6)) : QVariant();
    case Qt::ToolTipRole:
        if (disabled) return QStringLiteral("Not used: the server is switched off");
        if (server->isbackupServerOnly()) return QStringLiteral("Backup server: asked only for articles the others lack");
        return {};
    default:
        return {};
    }
}

QVariant NewsServersTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == ColumnServer ? QStringLiteral("Server") : QStringLiteral("Address");
}

Qt::ItemFlags NewsServersTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
    if (index.isValid()) f |= Qt::ItemIsDragEnabled;
    return f;
}

Qt::DropActions NewsServersTableModel::supportedDropActions() const
{
    return Qt::MoveAction;
}
