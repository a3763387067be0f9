#pragma once

#include "controls/RowRefreshPoller.h"
#include "queue/Queue.h"
#include "search/DeepLookupController.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>

#include <optional>
#include <vector>


// What a result row shows; compared ten times a second to find the rows the
// engine changed from its threads without telling.
struct SearchResultRowState
{
    QString title;
    QString status;
    QString completeness;
    bool progressBarVisible = false;
    qint64 progressBarValue = 0;
    QColor colorRow;
    QColor colorProgressBar;
    qint64 checkbox = 0;
    bool checkboxDisabled = false;
    bool isNew = false;
    bool hasPassword = false;
    bool isJunk = false;
    qsizetype fileparts = 0;

    static SearchResultRowState of(const Queue& item);
    bool operator==(const SearchResultRowState&) const = default;
};

// The rows of the search result tree: the results of the search client's
// `dpcontentArray` at the top level and, under each, its file parts once
// they are known. The model keeps no copy of the results; it only caches
// each result's file-part list until told it changed.
class OutlineViewSearchModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column {
        NewOldColumn,
        PasswordColumn,
        SubjectColumn,
        StatusColumn,
        SizeColumn,
        AgeColumn,
        PosterColumn,
        GroupsColumn,
        ColumnCount
    };
    enum Role { ItemRole = Qt::UserRole + 1, CompletenessRole, ProgressRole, ProgressColorRole, ProgressVisibleRole, ImageNameRole, RowColorRole };

    explicit OutlineViewSearchModel(QObject* parent = nullptr);

    DeepLookupController* deepLookupController() const { return controller_; }
    void setDeepLookupController(DeepLookupController* controller);

    // Replaces the search client's results and shows them.
    void setResults(const QList<QueuePtr>& results);
    const QList<QueuePtr>& results() const;
    // Shows the results again after the search client's list changed.
    void reloadAll();
    // The top-level row of `item` (a result), or -1.
    int rowOf(const QueuePtr& item) const;
    QModelIndex indexOf(const QueuePtr& item, int column = 0) const;
    QueuePtr itemAt(const QModelIndex& index) const;
    // Shows the item's current values again; a result's file list too.
    void reloadItem(const QueuePtr& item);

    // The item with this number, result or file part: the answer a walk of
    // the results, each followed by its parts, would give (see the .cpp),
    // from a table rebuilt only after the rows changed.
    QueuePtr objectForQidnr(qint64 qidnr) const;

    // Sorts the results (never the parts of one) by a column's key.
    void sortResults(int column, Qt::SortOrder order);
    static QString sortKeyForColumn(int column);
    static int columnForSortKey(const QString& key);

    RowRefreshPoller& poller() { return poller_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const QList<QueuePtr>& partsOf(const QueuePtr& result) const;
    QString displayText(const QueuePtr& item, int column) const;
    bool refreshRow(int row);
    void resetCaches();

    QPointer<DeepLookupController> controller_;
    mutable QHash<const Queue*, QList<QueuePtr>> parts_;
    mutable QHash<qint64, QueuePtr> byQidnr_;
    mutable bool byQidnrValid_ = false;
    mutable std::vector<std::optional<SearchResultRowState>> rowStates_;
    RowRefreshPoller poller_;
};
