#pragma once

#include "queue/Queue.h"

#include <QAbstractTableModel>
#include <QList>

// The rows of the search result tree: one per search result (a root job),
// with its title and its status text as the engine last set them. Only the
// top level so far; the files of a result come with the result tree itself.
class OutlineViewSearchModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { TitleColumn, StatusColumn, ColumnCount };

    explicit OutlineViewSearchModel(QObject* parent = nullptr);

    void setResults(const QList<QueuePtr>& results);
    const QList<QueuePtr>& results() const { return results_; }
    // The row of `item`, or -1.
    int rowOf(const QueuePtr& item) const;
    // Shows the item's current values again; nothing for an item not shown.
    void reloadItem(const QueuePtr& item);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QList<QueuePtr> results_;
};
