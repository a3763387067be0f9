#include "ui/stats/StatsServerFilterPopOverVC.h"

#include "controls/CheckBoxCellGray.h"
#include "controls/ViewColorBox.h"
#include "nntp/NNTPServersController.h"
#include "platform/NotificationHub.h"
#include "ui/stats/StatsCellTable.h"
#include "ui/stats/TVCStatsServerFilter.h"

#include <QLabel>
#include <QVBoxLayout>

StatsServerFilterPopOverVC::StatsServerFilterPopOverVC(NNTPServersController* servers, QWidget* owner)
    : StatsPopover(owner), nntpServersController_(servers),
      tableView_(new StatsCellTable(this))
{
    setObjectName(QStringLiteral("StatsServerFilterPopOverVC"));
    auto* title = new QLabel(tr("Show the traffic of:"), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(title);
    layout->addWidget(tableView_);
    reloadData();
}

void StatsServerFilterPopOverVC::showEvent(QShowEvent* e)
{
    // Each opening shows the servers and flags as they are now.
    reloadData();
    StatsPopover::showEvent(e);
}

void StatsServerFilterPopOverVC::reloadData()
{
    QList<QWidget*> rows;
    const QList<NNTPServerObjectPtr> servers =
        nntpServersController_ ? nntpServersController_->arrayNNTPServers() : QList<NNTPServerObjectPtr>();
    for (int row = 0; row < servers.size(); ++row) {
        const NNTPServerObjectPtr& server = servers[row];
        auto* cell = new TVCStatsServerFilter;
        cell->serverAlias()->setText(server->alias());
        cell->colorbox()->setBgcolor(server->color());
        cell->checkbox()->setChecked(server->showStats() != 0);
        connect(cell->checkbox(), &QCheckBox::clicked, this,
                [this, row](bool checked) { checkboxClicked(row, checked); });
        rows.append(cell);
    }
    tableView_->setRowViews(rows);
    tableView_->setFixedSize(240, int(std::max<qsizetype>(rows.size(), 1)) * StatsCellTable::kRowHeight + 2);
    adjustSize();
}

void StatsServerFilterPopOverVC::checkboxClicked(int row, bool shown)
{
    if (!nntpServersController_) return;
    const QList<NNTPServerObjectPtr> servers = nntpServersController_->arrayNNTPServers();
    if (row < 0 || row >= servers.size()) return;
    servers[row]->setShowStats(shown ? 1 : 0);
    // The flag is a server setting: it is kept across restarts.
    nntpServersController_->saveNNTPServers();
    NotificationHub::defaultCenter().post(QStringLiteral("RebuildStatsUsageGraph"), this);
}
