#pragma once

#include "search/DeepLookupObject.h"
#include "search/SearchHistoryController.h"

#include <QAbstractItemModel>
#include <QPointer>

class SearchHistoryController;

// The bookmark tree as a two-level model: the maps on top, each map's
// bookmarks below it, in the controller's order. The controller announces
// every change of the tree as a whole, so the model resets with it; the
// pane puts back the open maps and the selection. Drags carry the private
// type and nothing else: the pane keeps the dragged bookmarks itself.
class SearchBookmarksModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    static constexpr const char* kDragType = "com.tavilsoft.binorama.searchbookmarks.outlineview";

    explicit SearchBookmarksModel(QObject* parent = nullptr);

    void setHistoryController(SearchHistoryController* controller);

    DeepLookupObjectPtr objectAt(const QModelIndex& index) const;
    QModelIndex indexOf(const DeepLookupObjectPtr& object) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

private:
    void reload();
    const QList<DeepLookupObjectPtr>& maps() const;

    QPointer<SearchHistoryController> controller_;
};
