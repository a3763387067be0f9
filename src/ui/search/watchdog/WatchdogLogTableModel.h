#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class WatchdogController;

// The Watchdog log, newest first, as the controller keeps it. A new line is
// one inserted row: a long log is not reloaded for each line.
class WatchdogLogTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit WatchdogLogTableModel(WatchdogController* controller, QObject* parent = nullptr);

    // Brings the rows in line after the controller's log changed.
    void logChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QPointer<WatchdogController> controller_;
    int shown_ = 0;
};
