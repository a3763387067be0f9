#pragma once

#include "search/IndexedNG.h"

#include <QAbstractListModel>
#include <QList>

// The rows of the indexed-newsgroup selector: one group per row, its name
// with its content icon, in list order.
class IndexedNewsgroupListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    const QList<IndexedNG>& items() const { return items_; }
    // Replaces every row; views are told once.
    void setItems(QList<IndexedNG> items);
    const IndexedNG& item(int row) const { return items_[row]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QList<IndexedNG> items_;
};
