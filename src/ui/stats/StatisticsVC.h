#pragma once

#include <QWidget>

class NNTPServersController;
class StatsUsageController;
class StatsUsageVC;

// The statistics page of the main window: a container for its sub-pages,
// of which there is one, the usage page (tag 1).
class StatisticsVC : public QWidget
{
    Q_OBJECT
public:
    StatisticsVC(StatsUsageController* statsUsageController, NNTPServersController* servers,
                 QWidget* parent = nullptr);

    void changeViewController(qint64 tag);
    qint64 currentVCTag() const { return currentVCTag_; }
    QWidget* currentVC() const { return currentVC_; }
    StatsUsageVC* statsUsageVC() const { return statsUsageVC_; }

private:
    StatsUsageController* statsUsageController_;
    NNTPServersController* nntpServersController_;
    QWidget* viewStats_;
    QWidget* currentVC_ = nullptr;
    qint64 currentVCTag_ = 0;
    StatsUsageVC* statsUsageVC_ = nullptr;
};
