#pragma once

#include "controls/MLCalendarViewDelegate.h"
#include "stats/StatsCalendar.h"
#include "ui/stats/StatsPopover.h"

#include <QList>

class MLCalendarView;
class QPushButton;
class TextFieldDateSelector;

// Picks the statistics page's range: a start and an end date field
// ("yyyy/MM/dd"), preset buttons that choose at once, a month calendar that
// follows the field last focused, and Apply. The range goes back as two
// local day numbers through selectedDate(); invalid text never does.
//
// Dates become day numbers by calendar arithmetic, never through a moment
// and an offset, so a date in summer time keeps its number in winter.
class StatsDateSelectorPopOverVC : public StatsPopover, public MLCalendarViewDelegate
{
    Q_OBJECT
public:
    // `calendar` gives today's local day (its clock and zone).
    explicit StatsDateSelectorPopOverVC(const StatsCalendar& calendar, QWidget* owner = nullptr);
    ~StatsDateSelectorPopOverVC() override;

    // The start of the "all" preset. Day 0 stands for "unset" in the stored
    // settings, so the preset starts the day after; nothing can have been
    // counted on 1 January 1970.
    static constexpr qint64 kAllTimeStartDay = 1;

    // Reads the stored range into the fields (each time the panel opens).
    void loadStoredRange();
    void updateDateFields();
    void checkIfValidDateFormat();
    // Preset `tag`: 0 today, 1 from yesterday, 2 the last 7 days and today,
    // 3 30 days, 4 90 days, 5 365 days, any other all days.
    void btnClicked(int tag);
    void btnApplyClicked();
    void didSelectDate(const QDate& date) override;

    qint64 startdate() const { return startdate_; }
    qint64 enddate() const { return enddate_; }
    qint64 today() const;
    // "" stands for today; text that is not a date gives nothing.
    std::optional<qint64> dayNumberForText(const QString& text) const;
    static QString textForDayNumber(qint64 day);
    static QDate dateForDayNumber(qint64 day);

    TextFieldDateSelector* startDateTextField() const { return startDateTextField_; }
    TextFieldDateSelector* endDateTextField() const { return endDateTextField_; }
    QPushButton* btnApply() const { return btnApply_; }
    const QList<QPushButton*>& presetButtons() const { return presetButtons_; }
    MLCalendarView* calendarView() const { return calendarView_; }
    bool validStartDateTextField() const { return validStart_; }
    bool validEndDateTextField() const { return validEnd_; }
    int focusedTextField() const { return focusedTextField_; }
    TextFieldDateSelector* selectedTextField() const { return selectedTextField_; }

Q_SIGNALS:
    void selectedDate(qint64 startDay, qint64 endDay);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void fieldTookFocus(TextFieldDateSelector* field);
    void showFieldState(TextFieldDateSelector* field, bool valid);
    std::optional<QDate> readField(const TextFieldDateSelector* field) const;

    StatsCalendar calendar_;
    TextFieldDateSelector* startDateTextField_;
    TextFieldDateSelector* endDateTextField_;
    QPushButton* btnApply_;
    QList<QPushButton*> presetButtons_;
    MLCalendarView* calendarView_;
    TextFieldDateSelector* selectedTextField_ = nullptr;
    qint64 startdate_ = 0;
    qint64 enddate_ = 0;
    bool validStart_ = false;
    bool validEnd_ = false;
    int focusedTextField_ = 0;
};
