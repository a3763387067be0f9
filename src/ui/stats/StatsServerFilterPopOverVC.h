#pragma once

#include "ui/stats/StatsPopover.h"

class NNTPServersController;
class StatsCellTable;

// The server filter: one row per configured server with a check box that
// decides whether its traffic is shown in the statistics. A change is saved
// with the servers at once and announced with "RebuildStatsUsageGraph".
class StatsServerFilterPopOverVC : public StatsPopover
{
    Q_OBJECT
public:
    explicit StatsServerFilterPopOverVC(NNTPServersController* servers, QWidget* owner = nullptr);

    StatsCellTable* tableView() const { return tableView_; }
    // Rebuilds the rows from the current servers and their flags.
    void reloadData();
    // The check box of row `row` now reads `shown`. A row without a server
    // changes nothing and announces nothing.
    void checkboxClicked(int row, bool shown);

protected:
    void showEvent(QShowEvent* e) override;

private:
    NNTPServersController* nntpServersController_;
    StatsCellTable* tableView_;
};
