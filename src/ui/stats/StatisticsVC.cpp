#include "ui/stats/StatisticsVC.h"

#include "ui/stats/StatsUsageVC.h"

#include <QVBoxLayout>

StatisticsVC::StatisticsVC(StatsUsageController* statsUsageController, NNTPServersController* servers,
                           QWidget* parent)
    : QWidget(parent), statsUsageController_(statsUsageController), nntpServersController_(servers),
      viewStats_(new QWidget(this))
{
    setObjectName(QStringLiteral("StatisticsVC"));
    viewStats_->setObjectName(QStringLiteral("viewStats"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(viewStats_);
    auto* inner = new QVBoxLayout(viewStats_);
    inner->setContentsMargins(0, 0, 0, 0);
    changeViewController(1);
}

void StatisticsVC::changeViewController(qint64 tag)
{
    if (tag == currentVCTag_) return;
    if (currentVC_) {
        viewStats_->layout()->removeWidget(currentVC_);
        currentVC_->hide();
    }
    if (tag == 1) {
        if (!statsUsageVC_) statsUsageVC_ = new StatsUsageVC(statsUsageController_, nntpServersController_, viewStats_);
        currentVC_ = statsUsageVC_;
    }
    if (currentVC_) {
        viewStats_->layout()->addWidget(currentVC_);
        currentVC_->show();
    }
    currentVCTag_ = tag;
}
