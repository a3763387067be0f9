#include "ui/search/page/OutlineViewSearchModel.h"

#include "controls/Artwork.h"
#include "core/Utils.h"
#include "search/DeepLookupController.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

namespace {

const QList<QueuePtr> kNoItems;

// Top-level rows carry id 0; a file part carries its result's row + 1.
constexpr quintptr kTopLevel = 0;

const char* const kSortKeys[OutlineViewSearchModel::ColumnCount] = {
    "isNew", "hasPassword", "title", "status", "bytes", "date", "poster", "dpGroupsTextField",
};

} // namespace

SearchResultRowState SearchResultRowState::of(const Queue& item)
{
    SearchResultRowState s;
    s.title = item.title();
    s.status = item.dpStatusTextField();
    s.completeness = item.completenessTextField();
    s.progressBarVisible = item.progressBarVisible();
    s.progressBarValue = item.progressBarValue();
    s.colorRow = item.colorRowDeepLookup();
    s.colorProgressBar = item.colorProgressBarDeepLookup();
    s.checkbox = item.checkbox();
    s.checkboxDisabled = item.checkboxDisabled();
    s.isNew = item.isNew();
    s.hasPassword = item.hasPassword();
    s.isJunk = item.isJunk();
    s.fileparts = item.filepartCount();
    return s;
}

OutlineViewSearchModel::OutlineViewSearchModel(QObject* parent)
    : QAbstractItemModel(parent),
      poller_([this](int row) { return refreshRow(row); },
              [this](int first, int last) {
                  for (int row = first; row <= last; ++row) reloadItem(results().value(row));
              },
              this)
{
    poller_.setRowCount([this] { return int(results().size()); });
}

void OutlineViewSearchModel::setDeepLookupController(DeepLookupController* controller)
{
    beginResetModel();
    controller_ = controller;
    resetCaches();
    endResetModel();
}

void OutlineViewSearchModel::setResults(const QList<QueuePtr>& results)
{
    beginResetModel();
    if (controller_) controller_->setDpcontentArray(results);
    resetCaches();
    endResetModel();
}

const QList<QueuePtr>& OutlineViewSearchModel::results() const
{
    return controller_ ? controller_->dpcontentArray() : kNoItems;
}

void OutlineViewSearchModel::reloadAll()
{
    beginResetModel();
    resetCaches();
    endResetModel();
}

void OutlineViewSearchModel::resetCaches()
{
    parts_.clear();
    byQidnr_.clear();
    byQidnrValid_ = false;
    rowStates_.assign(size_t(results().size()), std::nullopt);
}

int OutlineViewSearchModel::rowOf(const QueuePtr& item) const
{
    return item ? int(results().indexOf(item)) : -1;
}

QModelIndex OutlineViewSearchModel::indexOf(const QueuePtr& item, int column) const
{
    if (!item) return {};
    if (const int row = rowOf(item); row >= 0) return index(row, column);
    const QueuePtr root = item->queue();
    const int parentRow = rowOf(root);
    if (parentRow < 0) return {};
    const int childRow = int(partsOf(root).indexOf(item));
    return childRow < 0 ? QModelIndex() : createIndex(childRow, column, quintptr(parentRow) + 1);
}

QueuePtr OutlineViewSearchModel::itemAt(const QModelIndex& index) const
{
    if (!index.isValid()) return {};
    if (index.internalId() == kTopLevel) return results().value(index.row());
    const QueuePtr root = results().value(int(index.internalId() - 1));
    return root ? partsOf(root).value(index.row()) : QueuePtr();
}

const QList<QueuePtr>& OutlineViewSearchModel::partsOf(const QueuePtr& result) const
{
    auto it = parts_.find(result.get());
    if (it == parts_.end()) it = parts_.insert(result.get(), result->fileparts());
    return *it;
}

void OutlineViewSearchModel::reloadItem(const QueuePtr& item)
{
    const QModelIndex first = indexOf(item);
    if (!first.isValid()) return;
    if (first.internalId() == kTopLevel) {
        // The file list may have arrived or changed: show the new one.
        const qsizetype shown = parts_.contains(item.get()) ? parts_.value(item.get()).size() : -1;
        const QList<QueuePtr> now = item->fileparts();
        if (shown >= 0 && (shown != now.size() || parts_.value(item.get()) != now)) {
            if (shown > 0) {
                beginRemoveRows(first, 0, int(shown) - 1);
                parts_.insert(item.get(), {});
                endRemoveRows();
            }
            if (!now.isEmpty()) {
                beginInsertRows(first, 0, int(now.size()) - 1);
                parts_.insert(item.get(), now);
                endInsertRows();
            } else {
                parts_.insert(item.get(), now);
            }
        }
        byQidnrValid_ = false;
        const int count = int(partsOf(item).size());
        if (count > 0) Q_EMIT dataChanged(index(0, 0, first), index(count - 1, ColumnCount - 1, first));
    }
    Q_EMIT dataChanged(first, first.siblingAtColumn(ColumnCount - 1));
}

// A walk over the results in order, each followed by its file parts, keeps
// the last item it met with the number: a matching result is taken and the
// walk stops after that result's parts, of which the first matching one
// replaces it; before that, the first matching part of each result replaces
// the answer. The table below gives every number that answer in one pass.
QueuePtr OutlineViewSearchModel::objectForQidnr(qint64 qidnr) const
{
    if (!byQidnrValid_) {
        byQidnr_.clear();
        QSet<qint64> settled;
        for (const QueuePtr& result : results()) {
            QHash<qint64, QueuePtr> firstPart;
            for (const QueuePtr& part : partsOf(result))
                if (!firstPart.contains(part->qidnr())) firstPart.insert(part->qidnr(), part);
            for (auto it = firstPart.cbegin(); it != firstPart.cend(); ++it)
                if (!settled.contains(it.key())) byQidnr_.insert(it.key(), it.value());
            const qint64 own = result->qidnr();
            if (!settled.contains(own)) {
                byQidnr_.insert(own, firstPart.value(own, result));
                settled.insert(own);
            }
        }
        byQidnrValid_ = true;
    }
    return byQidnr_.value(qidnr);
}

QString OutlineViewSearchModel::sortKeyForColumn(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(kSortKeys[column]) : QString();
}

int OutlineViewSearchModel::columnForSortKey(const QString& key)
{
    for (int c = 0; c < ColumnCount; ++c)
        if (key == QLatin1String(kSortKeys[c])) return c;
    return -1;
}

void OutlineViewSearchModel::sortResults(int column, Qt::SortOrder order)
{
    if (!controller_ || column < 0 || column >= ColumnCount) return;
    QList<QueuePtr> items = controller_->dpcontentArray();
    std::vector<int> order_(size_t(items.size()));
    std::iota(order_.begin(), order_.end(), 0);
    const auto sortBy = [&](auto keyOf, auto less) {
        using Key = decltype(keyOf(*items.first()));
        std::vector<Key> keys;
        keys.reserve(size_t(items.size()));
        for (const QueuePtr& item : items) keys.push_back(keyOf(*item));
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            return order == Qt::AscendingOrder ? less(keys[size_t(a)], keys[size_t(b)])
                                               : less(keys[size_t(b)], keys[size_t(a)]);
        });
    };
    if (!items.isEmpty()) {
        const auto number = [](auto a, auto b) { return a < b; };
        switch (column) {
        case NewOldColumn: sortBy([](const Queue& q) { return int(q.isNew()); }, number); break;
        case PasswordColumn: sortBy([](const Queue& q) { return int(q.hasPassword()); }, number); break;
        case StatusColumn: sortBy([](const Queue& q) { return q.status(); }, number); break;
        case SizeColumn: sortBy([](const Queue& q) { return q.bytes(); }, number); break;
        case AgeColumn: sortBy([](const Queue& q) { return q.date(); }, number); break;
        default: {
            QCollator collator;
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            sortBy(
                [&](const Queue& q) {
                    return collator.sortKey(column == SubjectColumn  ? q.title()
                                            : column == PosterColumn ? q.poster()
                                                                     : q.dpGroupsTextField());
                },
                [](const QCollatorSortKey& a, const QCollatorSortKey& b) { return a.compare(b) < 0; });
        }
        }
    }
    QList<QueuePtr> sorted;
    sorted.reserve(items.size());
    for (int i : order_) sorted.append(items[i]);
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<QueuePtr> beforeItems;
    for (const QModelIndex& i : before) beforeItems.append(itemAt(i));
    controller_->setDpcontentArray(sorted);
    rowStates_.assign(size_t(sorted.size()), std::nullopt);
    byQidnrValid_ = false;
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i) after.append(indexOf(beforeItems[i], before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

QModelIndex OutlineViewSearchModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    if (!parent.isValid()) return row < results().size() ? createIndex(row, column, kTopLevel) : QModelIndex();
    if (parent.internalId() != kTopLevel) return {};
    const QueuePtr root = results().value(parent.row());
    if (!root || row >= partsOf(root).size()) return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex OutlineViewSearchModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kTopLevel) return {};
    return createIndex(int(child.internalId() - 1), 0, kTopLevel);
}

int OutlineViewSearchModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) return int(results().size());
    if (parent.internalId() != kTopLevel || parent.column() != 0) return 0;
    const QueuePtr root = results().value(parent.row());
    return root && root->totalfiles() >= 2 ? int(partsOf(root).size()) : 0;
}

int OutlineViewSearchModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

bool OutlineViewSearchModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid()) return !results().isEmpty();
    if (parent.internalId() != kTopLevel || parent.column() != 0) return false;
    const QueuePtr root = results().value(parent.row());
    return root && root->totalfiles() >= 2;
}

QString OutlineViewSearchModel::displayText(const QueuePtr& item, int column) const
{
    const QueuePtr holder = item->isFilepart() && item->queue() ? item->queue() : item;
    switch (column) {
    case SubjectColumn: return item->title();
    case StatusColumn: return item->dpStatusTextField();
    case SizeColumn:
        // Formatted once and kept on the item.
        if (item->totalBytesTextField().isEmpty()) item->setTotalBytesTextField(Utils::formatBytes(item->bytes()));
        return item->totalBytesTextField();
    case AgeColumn: return Utils::timeFormatter(item->date());
    case PosterColumn: return holder->poster();
    case GroupsColumn: return holder->dpGroupsTextField();
    default: return {};
    }
}

QVariant OutlineViewSearchModel::data(const QModelIndex& index, int role) const
{
    const QueuePtr item = itemAt(index);
    if (!item) return {};
    switch (role) {
    case Qt::DisplayRole: return displayText(item, index.column());
    case Qt::ToolTipRole:
        if (index.column() == SubjectColumn) return item->title();
        if (index.column() == NewOldColumn && item->isNew()) return QStringLiteral("New article");
        if (index.column() == PasswordColumn && item->hasPassword()) return QStringLiteral("Password protected");
        if (index.column() == PasswordColumn && item->isJunk())
            return QStringLiteral("Marked as spam (or RAR-in-RAR)");
        return {};
    case Qt::DecorationRole:
        if (index.column() == NewOldColumn && item->isNew()) return Artwork::pixmap(QStringLiteral("icon_bullet_new"));
        return {};
    case ImageNameRole:
        if (index.column() != PasswordColumn) return {};
        if (item->hasPassword()) return QStringLiteral("dp_icon_pwd");
        if (item->isJunk()) return QStringLiteral("dp_icon_junk");
        return QString();
    case Qt::CheckStateRole:
        if (index.column() != SubjectColumn) return {};
        return item->checkbox() == 1 ? Qt::Checked : Qt::Unchecked;
    case RowColorRole: {
        const QColor c = item->colorRowDeepLookup();
        return c.isValid() ? QVariant(c) : QVariant();
    }
    case ItemRole: return QVariant::fromValue(item);
    case CompletenessRole: return item->completenessTextField();
    case ProgressRole: return item->progressBarValue();
    case ProgressColorRole: return item->colorProgressBarDeepLookup();
    case ProgressVisibleRole: return item->progressBarVisible();
    default: return {};
    }
}

QVariant OutlineViewSearchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DecorationRole) {
        if (section == NewOldColumn) return Artwork::pixmap(QStringLiteral("icon_bullet_header"));
        if (section == PasswordColumn) return Artwork::pixmap(QStringLiteral("dp_icon_pwd"));
        return {};
    }
    if (role != Qt::DisplayRole) return {};
    static const char* const titles[ColumnCount] = {"", "", "Subject", "Status", "Size", "Age", "Poster", "Groups"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QString();
}

Qt::ItemFlags OutlineViewSearchModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool OutlineViewSearchModel::refreshRow(int row)
{
    const QueuePtr item = results().value(row);
    if (!item) return false;
    if (rowStates_.size() != size_t(results().size())) rowStates_.assign(size_t(results().size()), std::nullopt);
    SearchResultRowState now = SearchResultRowState::of(*item);
    auto& shown = rowStates_[size_t(row)];
    if (shown && *shown == now) return false;
    shown = std::move(now);
    return true;
}
