#pragma once

#include "stats/StatsUsageObject.h"
#include "ui/stats/StatsDateSelectorPopOverVC.h"
#include "ui/stats/StatsServerFilterPopOverVC.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class NNTPServersController;
class QButtonGroup;
class QLabel;
class QTimer;
class StatsButtonCellDark;
class StatsCellTable;
class StatsUsageController;
class ViewServerFilterSelector;
class ViewStatsDateSelector;
class ViewStatsUsage;

// The usage page: bytes per news server over a range of local days, as
// stacked bars by day, week, month or year, with a legend, a table of
// totals per server and the total. The range is kept in the settings
// "statsUsageStartDay" and "statsUsageEndDay" (0: unset), the grouping in
// "statsUsageDisplayType". While shown it refreshes every
// "statsDataQueryInterval" seconds; the engine serves finished days from
// its cache, so a refresh costs little.
class StatsUsageVC : public QWidget
{
    Q_OBJECT
public:
    StatsUsageVC(StatsUsageController* statsUsageController, NNTPServersController* servers,
                 QWidget* parent = nullptr);
    ~StatsUsageVC() override;

    void applicationDidStartGUI();
    void resetDictionaryToLastWeek();
    void startTimer();
    void stopTimer();
    // Stores the display type (1 day … 4 year) and refreshes.
    void setDisplayType(qint64 type);
    void updateStyleButtons();
    void queryNewData();
    void getStatsForDayRange(qint64 startDay, qint64 endDay);
    void checkIfDateRangeFits(qint64 startDay, qint64 endDay);
    void buildUsagePerServerArray(const QList<StatsUsageObject>& bars);
    void updateServersBar();
    void updateDateSelectorTextField();
    void rebuildStatsUsageGraph();
    void showDateSelectorPopover();
    void showServerFilterPopover();
    void selectedDate(qint64 startDay, qint64 endDay);

    // "Mar 05, 2024", "Mar 05 - 12, 2024", "Mar 05 - Apr 02, 2024",
    // "Dec 28, 2023 - Jan 04, 2024".
    static QString rangeText(qint64 startDay, qint64 endDay);

    bool guiIsStarted() const { return guiIsStarted_; }
    ViewStatsUsage* viewStatsUsage() const { return viewStatsUsage_; }
    StatsButtonCellDark* periodButton(qint64 type) const;
    QLabel* dateSelectorTextField() const;
    QLabel* dateRangeTextField() const { return dateRangeTextField_; }
    QLabel* dateRangeTextField2() const { return dateRangeTextField2_; }
    ViewStatsDateSelector* viewStatsDateSelector() const { return viewStatsDateSelector_; }
    ViewServerFilterSelector* viewServerFilterSelector() const { return viewServerFilterSelector_; }
    QWidget* viewServersBar() const { return viewServersBar_; }
    QLabel* totalBytesTextField() const { return totalBytesTextField_; }
    // Shown in place of the table while no news server is set up.
    QLabel* noServersTextField() const { return noServersTextField_; }
    StatsCellTable* tableviewUsagePerServer() const { return tableviewUsagePerServer_; }
    const QList<StatsUsageObject>& usagePerServerArray() const { return usagePerServerArray_; }
    StatsDateSelectorPopOverVC* statsDateSelectorPopOverVC() const { return statsDateSelectorPopOverVC_; }
    StatsServerFilterPopOverVC* statsServerFilterPopOverVC() const { return statsServerFilterPopOverVC_; }
    QTimer* dataCollectTimer() const { return dataCollectTimer_; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void buildView();
    void reloadTable();

    StatsUsageController* statsUsageController_;
    NNTPServersController* nntpServersController_;
    bool guiIsStarted_ = false;

    ViewStatsUsage* viewStatsUsage_ = nullptr;
    QButtonGroup* periodButtons_ = nullptr;
    ViewStatsDateSelector* viewStatsDateSelector_ = nullptr;
    ViewServerFilterSelector* viewServerFilterSelector_ = nullptr;
    QLabel* dateRangeTextField_ = nullptr;
    QLabel* dateRangeTextField2_ = nullptr;
    QWidget* viewServersBar_ = nullptr;
    QLabel* totalBytesTextField_ = nullptr;
    QLabel* noServersTextField_ = nullptr;
    StatsCellTable* tableviewUsagePerServer_ = nullptr;
    QList<StatsUsageObject> usagePerServerArray_;
    QPointer<StatsDateSelectorPopOverVC> statsDateSelectorPopOverVC_;
    QPointer<StatsServerFilterPopOverVC> statsServerFilterPopOverVC_;
    QTimer* dataCollectTimer_;
};
