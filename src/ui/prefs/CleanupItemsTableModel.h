#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class CleanupItemsController;

// The cleanup patterns as table rows: in use (check box), pattern, info.
// Edits go straight to the engine's list, which marks itself for saving.
class CleanupItemsTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { kColumnCheckbox = 0, kColumnSearchItem = 1, kColumnInfo = 2, kColumnCount = 3 };

    explicit CleanupItemsTableModel(CleanupItemsController* controller, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    QPointer<CleanupItemsController> controller_;
};
