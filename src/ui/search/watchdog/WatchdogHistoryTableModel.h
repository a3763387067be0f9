#pragma once

#include "search/WatchdogHistoryObj.h"

#include <QAbstractTableModel>

// The matches of one Watchdog entry: a copy of its history, newest first.
class WatchdogHistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const QList<WatchdogHistoryObj>& rows);
    const QList<WatchdogHistoryObj>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<WatchdogHistoryObj> rows_;
};
