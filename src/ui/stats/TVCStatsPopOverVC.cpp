#include "ui/stats/TVCStatsPopOverVC.h"

TVCStatsPopOverVC::TVCStatsPopOverVC(QWidget* parent) : TVCStatsServerUsage(parent)
{
    setObjectName(identifier());
}
