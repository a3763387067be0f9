#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <QAbstractTableModel>
#include <QList>

// The newsgroup chooser's rows: name and article count of each
// NewsgroupSelectorItem, in list order.
class NewsgroupTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NewsgroupColumn = 0, ArticlesColumn = 1, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    const QList<NewsgroupSelectorItem>& items() const { return items_; }
    // Replaces every row; views are told once.
    void setItems(const QList<NewsgroupSelectorItem>& items);
    const NewsgroupSelectorItem& item(int row) const { return items_[row]; }
    void setCheckbox(int row, bool checked);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<NewsgroupSelectorItem> items_;
};
