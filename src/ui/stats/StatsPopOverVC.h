#pragma once

#include "stats/StatsUsageObject.h"
#include "ui/stats/StatsPopover.h"

class QLabel;
class StatsCellTable;

// The figures of one column of the usage graph: the period, one row per
// server from the top of the column down, and the total.
class StatsPopOverVC : public StatsPopover
{
    Q_OBJECT
public:
    // Reads the bar now; the popover keeps no reference to it.
    explicit StatsPopOverVC(const StatsUsageObject& parent, QWidget* owner = nullptr);

    // The bar's label on one line; "" for a bar without one.
    static QString makeDateLabel(const StatsUsageObject& bar);

    const QList<StatsUsageObject>& childArray() const { return childArray_; }
    StatsCellTable* tableView() const { return tableView_; }
    QLabel* noDataTextField() const { return noDataTextField_; }
    QLabel* dateRangeTextField() const { return dateRangeTextField_; }
    QLabel* totalBytesTextField() const { return totalBytesTextField_; }

private:
    QList<StatsUsageObject> childArray_;
    StatsCellTable* tableView_;
    QLabel* noDataTextField_;
    QLabel* dateRangeTextField_;
    QLabel* totalBytesTextField_;
};
