#include "ui/search/panes/SearchBookmarksModel.h"

#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchHistoryTableModel.h"

#include <QApplication>
#include <QFont>
#include <QMimeData>
#include <QStyle>

namespace {

// A map's index carries 0; a bookmark's the row of its map plus one. Every
// change of the tree resets the model, so the rows hold until the next one.
constexpr quintptr kMapLevel = 0;
constexpr int kRowHeight = 24;

} // namespace

SearchBookmarksModel::SearchBookmarksModel(QObject* parent) : QAbstractItemModel(parent) {}

void SearchBookmarksModel::setHistoryController(SearchHistoryController* controller)
{
    if (controller_) disconnect(controller_, nullptr, this, nullptr);
    controller_ = controller;
    if (controller) connect(controller, &SearchHistoryController::bookmarksReset, this, &SearchBookmarksModel::reload);
    reload();
}

void SearchBookmarksModel::reload()
{
    beginResetModel();
    endResetModel();
}

const QList<DeepLookupObjectPtr>& SearchBookmarksModel::maps() const
{
    static const QList<DeepLookupObjectPtr> none;
    return controller_ ? controller_->arraySearchBookmarks() : none;
}

DeepLookupObjectPtr SearchBookmarksModel::objectAt(const QModelIndex& index) const
{
    if (!index.isValid()) return nullptr;
    if (index.internalId() == kMapLevel) return maps().value(index.row());
    const DeepLookupObjectPtr map = maps().value(int(index.internalId() - 1));
    if (!map || !map->childs()) return nullptr;
    return map->childs()->value(index.row());
}

QModelIndex SearchBookmarksModel::indexOf(const DeepLookupObjectPtr& object) const
{
    if (!object) return {};
    const QList<DeepLookupObjectPtr>& list = maps();
    for (int m = 0; m < list.size(); ++m) {
        if (list[m] == object) return index(m, 0);
        if (!list[m] || !list[m]->childs()) continue;
        if (const qsizetype b = list[m]->childs()->indexOf(object); b >= 0) return index(int(b), 0, index(m, 0));
    }
    return {};
}

QModelIndex SearchBookmarksModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, kMapLevel);
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex SearchBookmarksModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kMapLevel) return {};
    return createIndex(int(child.internalId() - 1), 0, kMapLevel);
}

int SearchBookmarksModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) return int(maps().size());
    if (parent.internalId() != kMapLevel || parent.column() != 0) return 0;
    const DeepLookupObjectPtr map = maps().value(parent.row());
    return map && map->childs() ? int(map->childs()->size()) : 0;
}

int SearchBookmarksModel::columnCount(const QModelIndex& /*parent*/) const
{
    return 1;
}

QVariant SearchBookmarksModel::data(const QModelIndex& index, int role) const
{
    const DeepLookupObjectPtr object = objectAt(index);
    if (!object) return {};
    switch (role) {
    case Qt::DisplayRole:
        return object->alias().value_or(QString());
    case Qt::DecorationRole: {
        if (object->ismap()) return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
        return SearchHistoryTableModel::contentImage(*object);
    }
    case Qt::FontRole:
        if (object->ismap()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::SizeHintRole:
        // Rows as tall as the history's.
        return QSize(0, kRowHeight);
    case Qt::ToolTipRole:
        return object->ismap() ? QVariant() : QVariant(SearchHistoryTableModel::queryToolTip(*object));
    default:
        return {};
    }
}

Qt::ItemFlags SearchBookmarksModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.internalId() == kMapLevel) f |= Qt::ItemIsDropEnabled;
    return f;
}

QStringList SearchBookmarksModel::mimeTypes() const
{
    return {QString::fromLatin1(kDragType)};
}

QMimeData* SearchBookmarksModel::mimeData(const QModelIndexList& /*indexes*/) const
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kDragType), QByteArray());
    return data;
}
