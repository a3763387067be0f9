#include "ui/search/panes/SearchHistoryTableModel.h"

#include "controls/Artwork.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchHistoryContentImage.h"

#include <QMimeData>

SearchHistoryTableModel::SearchHistoryTableModel(QObject* parent) : QAbstractListModel(parent) {}

void SearchHistoryTableModel::setHistoryController(SearchHistoryController* controller)
{
    if (controller_) disconnect(controller_, nullptr, this, nullptr);
    controller_ = controller;
    if (controller) {
        connect(controller, &SearchHistoryController::historyInserted, this, &SearchHistoryTableModel::inserted);
        connect(controller, &SearchHistoryController::historyRemoved, this, &SearchHistoryTableModel::removed);
        connect(controller, &SearchHistoryController::historyReplaced, this, &SearchHistoryTableModel::replaced);
        connect(controller, &SearchHistoryController::historyMoved, this, &SearchHistoryTableModel::moved);
        connect(controller, &SearchHistoryController::historyReset, this, &SearchHistoryTableModel::reload);
    }
    reload();
}

void SearchHistoryTableModel::reload()
{
    beginResetModel();
    rows_ = controller_ ? controller_->arraySearchHistory() : QList<DeepLookupObjectPtr>();
    endResetModel();
}

void SearchHistoryTableModel::inserted(qsizetype index)
{
    const QList<DeepLookupObjectPtr>& list = controller_->arraySearchHistory();
    if (index < 0 || index > rows_.size() || index >= list.size()) return reload();
    beginInsertRows({}, int(index), int(index));
    rows_.insert(index, list.at(index));
    endInsertRows();
}

void SearchHistoryTableModel::removed(qsizetype index)
{
    if (index < 0 || index >= rows_.size()) return reload();
    beginRemoveRows({}, int(index), int(index));
    rows_.removeAt(index);
    endRemoveRows();
}

void SearchHistoryTableModel::replaced(qsizetype index)
{
    const QList<DeepLookupObjectPtr>& list = controller_->arraySearchHistory();
    if (index < 0 || index >= rows_.size() || index >= list.size()) return reload();
    rows_[index] = list.at(index);
    emit dataChanged(this->index(int(index)), this->index(int(index)));
}

void SearchHistoryTableModel::moved(qsizetype from, qsizetype to)
{
    if (from < 0 || from >= rows_.size() || to < 0 || to >= rows_.size()) return reload();
    // Qt names the row the moved one goes before, counted with it still in
    // place: one further down when it moves down.
    beginMoveRows({}, int(from), int(from), {}, int(to > from ? to + 1 : to));
    rows_.move(from, to);
    endMoveRows();
}

QString SearchHistoryTableModel::queryToolTip(const DeepLookupObject& query)
{
    QStringList lines;
    const std::pair<const char*, const std::optional<QString>&> parts[] = {
        {"Search words", query.title()}, {"Newsgroups", query.group()}, {"Poster", query.poster()}};
    for (const auto& [label, value] : parts)
        if (value && !value->isEmpty()) lines << QStringLiteral("%1: %2").arg(QLatin1String(label), *value);
    return lines.join(u'\n');
}

QVariant SearchHistoryTableModel::contentImage(const DeepLookupObject& query)
{
    const QVariant icontype = query.icontype() ? QVariant(*query.icontype()) : QVariant();
    const QString name = SearchHistoryContentImage().transformedValue(icontype).toString();
    return name.isEmpty() ? QVariant() : QVariant(Artwork::pixmap(name, QSize(16, 16)));
}

int SearchHistoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant SearchHistoryTableModel::data(const QModelIndex& index, int role) const
{
    const DeepLookupObjectPtr entry = entryAt(index.row());
    if (!entry) return {};
    switch (role) {
    case Qt::DisplayRole:
        return entry->alias().value_or(QString());
    case Qt::DecorationRole:
        return contentImage(*entry);
    case Qt::ToolTipRole:
        return queryToolTip(*entry);
    default:
        return {};
    }
}

Qt::ItemFlags SearchHistoryTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList SearchHistoryTableModel::mimeTypes() const
{
    return {QString::fromLatin1(kDragType)};
}

QMimeData* SearchHistoryTableModel::mimeData(const QModelIndexList& /*indexes*/) const
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragType), QByteArray());
    return data;
}
