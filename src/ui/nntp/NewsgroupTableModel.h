#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <QAbstractTableModel>
#include <QList>

// Newsgroup rows: name and article count of each NewsgroupSelectorItem, in
// list order. Checkable, the name carries the row's check box (the compose
// window's "post to it").
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
    bool checkable() const { return checkable_; }
    void setCheckable(bool on) { checkable_ = on; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<NewsgroupSelectorItem> items_;
    bool checkable_ = false;
};
