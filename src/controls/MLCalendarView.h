#pragma once

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QWidget>

class MLCalendarBackground;
class MLCalendarCell;
class MLCalendarViewDelegate;
class QLabel;
class QAbstractButton;

// A month calendar for picking one day. Its dates are calendar days (QDate):
// a caller holding a moment converts it once, with toUTC(); a caller holding
// day numbers of midnight UTC uses midnightUTC() and QDate directly. Today is
// the user's local date. The leftmost column is the first weekday of the
// user's locale (or the one set with setFirstWeekday).
//
// Its parts carry these object names: "calendarTitle", the weekday labels
// "day1" … "day7", the day cells "c1" … "c42" (row by row from the top left)
// and the month buttons "prevMonth" and "nextMonth".
class MLCalendarView : public QWidget
{
    Q_OBJECT
public:
    explicit MLCalendarView(QWidget* parent = nullptr);
    ~MLCalendarView() override;

    MLCalendarBackground* view() const { return background_; }
    QLabel* calendarTitle() const { return calendarTitle_; }
    const QList<QLabel*>& dayLabels() const { return dayLabels_; }
    const QList<QList<MLCalendarCell*>>& dayCells() const { return dayCells_; }
    // The direct subview of the root view with this object name, or none.
    QWidget* viewByID(const QString& identifier) const;

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    QColor selectionColor() const { return selectionColor_; }
    void setSelectionColor(const QColor& color);
    QColor todayMarkerColor() const { return todayMarkerColor_; }
    void setTodayMarkerColor(const QColor& color);
    QColor dayMarkerColor() const { return dayMarkerColor_; }
    void setDayMarkerColor(const QColor& color);

    // Held weakly: its owner clears it before it goes away.
    MLCalendarViewDelegate* delegate() const { return delegate_; }
    void setDelegate(MLCalendarViewDelegate* delegate) { delegate_ = delegate; }

    QDate date() const { return date_; }
    void setDate(const QDate& date);
    QDate selectedDate() const { return selectedDate_; }
    void setSelectedDate(const QDate& date);

    // 1 Sunday … 7 Saturday.
    int firstWeekday() const { return firstWeekday_; }
    void setFirstWeekday(int weekday);
    // The day marked as today: the local date, unless set.
    QDate today() const;
    void setToday(const QDate& day);

    void prevMonth();
    void nextMonth();
    void stepMonth(int delta);
    void cellClicked(MLCalendarCell* cell);

    // The column of a weekday (1 Sunday … 7 Saturday).
    int colForDay(int weekday) const;
    // Day `n` of the month shown.
    QDate monthDay(int n) const;
    int lastDayOfTheMonth() const;
    void layoutCalendar();

    static bool isSameDate(const QDate& a, const QDate& b);
    static QString dd(const QDate& date);
    // The calendar day a moment falls on in the user's time zone.
    static QDate toUTC(const QDateTime& moment);
    static QDateTime midnightUTC(const QDate& date);
    // A QDate weekday (1 Monday … 7 Sunday) as 1 Sunday … 7 Saturday.
    static int weekdaySundayFirst(const QDate& date);
    static int firstWeekdayOfLocale(const QLocale& locale);

Q_SIGNALS:
    void dateSelected(const QDate& date);

private:
    void buildView();
    void fillDayLabels();
    void updateTitle();

    MLCalendarBackground* background_ = nullptr;
    QLabel* calendarTitle_ = nullptr;
    QList<QLabel*> dayLabels_;
    QList<QList<MLCalendarCell*>> dayCells_;
    QColor backgroundColor_;
    QColor textColor_;
    QColor selectionColor_;
    QColor todayMarkerColor_;
    QColor dayMarkerColor_;
    MLCalendarViewDelegate* delegate_ = nullptr;
    QDate date_;
    QDate selectedDate_;
    QDate today_;
    int firstWeekday_ = 1;
};
