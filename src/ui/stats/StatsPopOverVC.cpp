#include "ui/stats/StatsPopOverVC.h"

#include "core/StringFormat.h"
#include "core/Utils.h"
#include "ui/stats/StatsCellTable.h"
#include "ui/stats/TVCStatsPopOverVC.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

StatsPopOverVC::StatsPopOverVC(const StatsUsageObject& parent, QWidget* owner)
    : StatsPopover(owner), tableView_(new StatsCellTable(this)), noDataTextField_(new QLabel(this)),
      dateRangeTextField_(new QLabel(this)), totalBytesTextField_(new QLabel(this))
{
    setObjectName(QStringLiteral("StatsPopOverVC"));
    // The column stacks its children upwards: reversed, the list reads from
    // the top of the column down.
    childArray_ = parent.children;
    std::reverse(childArray_.begin(), childArray_.end());

    dateRangeTextField_->setObjectName(QStringLiteral("dateRangeTextField"));
    dateRangeTextField_->setText(makeDateLabel(parent));
    QFont bold = dateRangeTextField_->font();
    bold.setBold(true);
    dateRangeTextField_->setFont(bold);
    totalBytesTextField_->setObjectName(QStringLiteral("totalBytesTextField"));
    totalBytesTextField_->setText(sformat(u"Total: %@", Utils::formatBytes(parent.bytes)));
    noDataTextField_->setObjectName(QStringLiteral("noDataTextField"));
    noDataTextField_->setText(tr("No downloads in this period"));
    noDataTextField_->hide();

    // A child without alias or colour (a period without records, or a
    // server no longer configured) has no row; the popover says so instead.
    QList<QWidget*> rows;
    for (const StatsUsageObject& child : std::as_const(childArray_)) {
        if (child.alias.isEmpty() || !child.color.isValid()) {
            noDataTextField_->show();
            continue;
        }
        auto* cell = new TVCStatsPopOverVC;
        cell->setRow(child.color, child.alias, Utils::formatBytes(child.bytes));
        rows.append(cell);
    }
    tableView_->setRowViews(rows);
    tableView_->setFixedSize(260, int(std::max<qsizetype>(rows.size(), 0)) * StatsCellTable::kRowHeight + 2);
    tableView_->setVisible(!rows.isEmpty());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(dateRangeTextField_, 0, Qt::AlignHCenter);
    layout->addWidget(tableView_);
    layout->addWidget(noDataTextField_, 0, Qt::AlignHCenter);
    layout->addWidget(totalBytesTextField_, 0, Qt::AlignRight);
}

QString StatsPopOverVC::makeDateLabel(const StatsUsageObject& bar)
{
    QString label = bar.xLabel;
    return label.replace(QLatin1Char('\r'), QLatin1Char(' '));
}
