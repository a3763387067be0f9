#pragma once

#include "search/DeepLookupObject.h"
#include "search/SearchHistoryController.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

class SearchHistoryController;

// The search history as rows, top entry first, in the controller's order.
// Follows the controller's changes row by row (insert, remove, replace,
// move), so a selection stays on its entries; only a reload of the whole
// list resets it. Drags carry the private type and nothing else: the pane
// keeps the dragged entries itself.
class SearchHistoryTableModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr const char* kDragType = "com.tavilsoft.binorama.searchhistory.tableview";

    explicit SearchHistoryTableModel(QObject* parent = nullptr);

    void setHistoryController(SearchHistoryController* controller);

    DeepLookupObjectPtr entryAt(int row) const { return row >= 0 && row < rows_.size() ? rows_.at(row) : nullptr; }
    int rowOf(const DeepLookupObjectPtr& entry) const { return int(rows_.indexOf(entry)); }

    // The query of a stored search, one "label: value" line per part given;
    // the row's tool tip here and in the bookmarks pane.
    static QString queryToolTip(const DeepLookupObject& query);
    // The image of the search's content type (its `icontype`), or nothing.
    static QVariant contentImage(const DeepLookupObject& query);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction | Qt::LinkAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

private:
    void reload();
    void inserted(qsizetype index);
    void removed(qsizetype index);
    void replaced(qsizetype index);
    void moved(qsizetype from, qsizetype to);

    QPointer<SearchHistoryController> controller_;
    // The controller's list as last announced: the signals come after the
    // change, and the rows must be taken away as they were.
    QList<DeepLookupObjectPtr> rows_;
};
