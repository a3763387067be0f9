#pragma once

#include "core/LogClass.h"

#include <QAbstractTableModel>

class Logger;

// The rows of the log page: the logger's own list of entries, read in place
// (never copied). The model does not follow the list by itself: its owner
// calls syncWithLogger() after a change, so that a hidden page costs nothing
// while entries arrive. Main thread only.
class LogTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnType, ColumnTime, ColumnCaller, ColumnMessage, ColumnCount };

    explicit LogTableModel(Logger* logger, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The entry of `row`, or null when the row holds none.
    const LogClass* entryAt(int row) const;

    // Catches up with the logger's list. The list only ever grows at its end
    // (a batch), so a longer list becomes inserted rows; a shorter one (the
    // page deleted or cleared entries) resets the model.
    void syncWithLogger();

private:
    Logger* logger_;
    // The rows the views know of; the list may already be longer.
    int shownCount_ = 0;
};
