#pragma once

#include "search/Watchdog.h"

#include <QAbstractTableModel>
#include <QPointer>

class WatchdogController;

// The Watchdog entries as table rows, in the controller's order. Follows the
// controller's list by row inserts, removals and moves, so a selection
// stays on its entries, and repaints a row when its entry's display strings
// change. The first column shows the entry's `active` as its check state. Drags carry
// only the private type, with the dragged row numbers.
class WatchdogTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        ColumnWDDesc,
        ColumnWDStatus,
        ColumnWDAction,
        ColumnWDInterval,
        ColumnWDLastMatch,
        ColumnWDNextSearch,
        ColumnCount
    };
    static constexpr const char* kDragType = "com.tavilsoft.binorama.watchdog.tableview";
    // The entry's tag, by which the description cell's check box finds it.
    static constexpr int TagRole = Qt::UserRole + 1;

    explicit WatchdogTableModel(WatchdogController* controller, QObject* parent = nullptr);

    WatchdogPtr entryAt(int row) const { return row >= 0 && row < rows_.size() ? rows_.at(row) : nullptr; }
    int rowOf(const WatchdogPtr& entry) const { return int(rows_.indexOf(entry)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // The rows a drag of ours carries, ascending; empty for any other data.
    static QList<int> draggedRows(const QMimeData* data);
    // Moves the entries at `rows` to stand above `dropRow`, in their order.
    void moveRowsAbove(const QList<int>& rows, int dropRow);

private:
    void syncWithController();
    void watch(const WatchdogPtr& entry);
    void entryDisplayChanged(Watchdog* entry);

    QPointer<WatchdogController> controller_;
    QList<WatchdogPtr> rows_;
};
