#include "controls/MLCalendarCell.h"
#include "controls/MLCalendarView.h"
#include "controls/MLCalendarViewDelegate.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QTimeZone>

namespace {
struct RecordingDelegate : MLCalendarViewDelegate
{
    QList<QDate> picked;
    void didSelectDate(const QDate& date) override { picked << date; }
};

// The grid positions (row * 7 + column) that show a day, and the first one.
struct Layout
{
    int first = -1;
    int last = -1;
    int filled = 0;
};

Layout layoutOf(const MLCalendarView& calendar)
{
    Layout layout;
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 7; ++c) {
            const MLCalendarCell* cell = calendar.dayCells().at(r).at(c);
            if (!cell->representedDate().isValid()) continue;
            const int slot = r * 7 + c;
            if (layout.first < 0) layout.first = slot;
            layout.last = slot;
            ++layout.filled;
            EXPECT_EQ(cell->text().toInt(), slot - layout.first + 1);
        }
    }
    return layout;
}

struct EnglishLocale
{
    QLocale saved;
    EnglishLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~EnglishLocale() { QLocale::setDefault(saved); }
};
} // namespace

TEST(MLCalendarView, MonthLayoutFollowsTheFirstWeekday)
{
    MLCalendarView calendar;
    struct Case
    {
        int year, month, firstWeekday;
        Layout expected;
    };
    const Case cases[] = {
        // February 2024 is a leap month starting on a Thursday.
        {2024, 2, 1, {4, 32, 29}},
        {2024, 2, 2, {3, 31, 29}},
        {2023, 2, 1, {3, 30, 28}},
        // September 2024 starts on a Sunday: the leftmost column with Sunday first.
        {2024, 9, 1, {0, 29, 30}},
        // A 31-day month starting in the last column uses all six rows.
        {2025, 3, 1, {6, 36, 31}},
        {2024, 12, 2, {6, 36, 31}},
        {2024, 12, 1, {0, 30, 31}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << " first " << c.firstWeekday);
        calendar.setFirstWeekday(c.firstWeekday);
        calendar.setDate(QDate(c.year, c.month, 15));
        const Layout got = layoutOf(calendar);
        EXPECT_EQ(got.first, c.expected.first);
        EXPECT_EQ(got.last, c.expected.last);
        EXPECT_EQ(got.filled, c.expected.filled);
        EXPECT_EQ(calendar.lastDayOfTheMonth(), c.expected.filled);
    }
}

TEST(MLCalendarView, WeekdayLabelsAndTitle)
{
    EnglishLocale english;
    MLCalendarView calendar;
    calendar.setFirstWeekday(2);
    QStringList labels;
    for (const QLabel* label : calendar.dayLabels())
        labels << label->text();
    EXPECT_EQ(labels, (QStringList{"MON", "TUE", "WED", "THU", "FRI", "SAT", "SUN"}));
    calendar.setFirstWeekday(1);
    EXPECT_EQ(calendar.dayLabels().first()->text(), u"SUN");
    EXPECT_EQ(calendar.colForDay(1), 0);
    EXPECT_EQ(calendar.colForDay(7), 6);
    calendar.setFirstWeekday(2);
    EXPECT_EQ(calendar.colForDay(1), 6);
    EXPECT_EQ(calendar.colForDay(2), 0);

    calendar.setDate(QDate(2025, 1, 10));
    EXPECT_EQ(calendar.calendarTitle()->text(), u"January, 2025");
    EXPECT_EQ(calendar.calendarTitle()->objectName(), u"calendarTitle");
    EXPECT_NE(calendar.viewByID(QStringLiteral("c42")), nullptr);
    EXPECT_NE(calendar.viewByID(QStringLiteral("day7")), nullptr);
    EXPECT_EQ(calendar.viewByID(QStringLiteral("c43")), nullptr);
    EXPECT_EQ(calendar.dayCells().at(0).at(0)->objectName(), u"c1");
    EXPECT_EQ(calendar.dayCells().at(5).at(6)->objectName(), u"c42");
}

TEST(MLCalendarView, MonthStepsWrapTheYearAndKeepTheDayInTheMonth)
{
    MLCalendarView calendar;
    calendar.setDate(QDate(2024, 12, 5));
    calendar.nextMonth();
    EXPECT_EQ(calendar.date(), QDate(2025, 1, 5));
    calendar.prevMonth();
    calendar.prevMonth();
    EXPECT_EQ(calendar.date(), QDate(2024, 11, 5));
    calendar.setDate(QDate(2024, 1, 15));
    calendar.prevMonth();
    EXPECT_EQ(calendar.date(), QDate(2023, 12, 15));
    // The 31st steps to the last day of a shorter month, not past it.
    calendar.setDate(QDate(2024, 1, 31));
    calendar.nextMonth();
    EXPECT_EQ(calendar.date(), QDate(2024, 2, 29));
    calendar.nextMonth();
    EXPECT_EQ(calendar.date(), QDate(2024, 3, 29));
}

TEST(MLCalendarView, SelectionClicksAndToday)
{
    MLCalendarView calendar;
    RecordingDelegate delegate;
    calendar.setDelegate(&delegate);
    calendar.setFirstWeekday(1);
    calendar.setDate(QDate(2024, 2, 1));
    calendar.setSelectedDate(QDate(2024, 2, 10));
    int selected = 0;
    for (const auto& row : calendar.dayCells()) {
        for (const MLCalendarCell* cell : row) {
            if (cell->isSelected()) {
                ++selected;
                EXPECT_EQ(cell->representedDate(), QDate(2024, 2, 10));
            }
        }
    }
    EXPECT_EQ(selected, 1);

    // Feb 20, 2024 sits at slot 4 + 19 = 23: row 3, column 2.
    MLCalendarCell* cell = calendar.dayCells().at(3).at(2);
    ASSERT_EQ(cell->representedDate(), QDate(2024, 2, 20));
    cell->click();
    ASSERT_EQ(delegate.picked.size(), 1);
    EXPECT_EQ(delegate.picked.first(), QDate(2024, 2, 20));
    EXPECT_EQ(MLCalendarView::midnightUTC(delegate.picked.first()).toSecsSinceEpoch(), 19773LL * 86400);
    EXPECT_EQ(calendar.selectedDate(), QDate(2024, 2, 20));
    EXPECT_TRUE(cell->isSelected());
    EXPECT_FALSE(calendar.dayCells().at(1).at(6)->isSelected());

    // A click on an empty cell selects nothing and says so.
    MLCalendarCell* empty = calendar.dayCells().at(0).at(0);
    ASSERT_FALSE(empty->representedDate().isValid());
    empty->click();
    ASSERT_EQ(delegate.picked.size(), 2);
    EXPECT_FALSE(delegate.picked.last().isValid());
    EXPECT_FALSE(calendar.selectedDate().isValid());

    // Today shows its marker unless it is selected.
    calendar.setToday(QDate(2024, 2, 20));
    EXPECT_TRUE(cell->showsTodayMarker());
    cell->click();
    EXPECT_FALSE(cell->showsTodayMarker());
    calendar.setDelegate(nullptr);
}

TEST(MLCalendarView, DatesAndMomentsConvertOnce)
{
    EXPECT_TRUE(MLCalendarView::isSameDate(QDate(2024, 2, 29), QDate(2024, 2, 29)));
    EXPECT_FALSE(MLCalendarView::isSameDate(QDate(), QDate()));
    EXPECT_EQ(MLCalendarView::dd(QDate(2024, 3, 5)), u"2024-3-5");
    // A moment is taken as the local calendar day it falls on.
    const QDateTime lateEvening(QDate(2024, 7, 1), QTime(23, 30));
    EXPECT_EQ(MLCalendarView::toUTC(lateEvening), QDate(2024, 7, 1));
    // A day number of midnight UTC maps to the same calendar day, whatever
    // the local zone.
    const QDate day = QDateTime::fromSecsSinceEpoch(19905LL * 86400, QTimeZone::utc()).date();
    EXPECT_EQ(day, QDate(2024, 7, 1));
    MLCalendarView calendar;
    calendar.setDate(day);
    calendar.setSelectedDate(day);
    EXPECT_EQ(calendar.date(), QDate(2024, 7, 1));
    EXPECT_EQ(calendar.today(), QDate::currentDate());
    EXPECT_EQ(MLCalendarView::weekdaySundayFirst(QDate(2024, 9, 1)), 1);
    EXPECT_EQ(MLCalendarView::firstWeekdayOfLocale(QLocale(QLocale::German, QLocale::Germany)), 2);
    EXPECT_EQ(MLCalendarView::firstWeekdayOfLocale(QLocale(QLocale::English, QLocale::UnitedStates)), 1);
}

TEST(MLCalendarView, RunsInTheZoneItWasGiven)
{
    // The calendar cases also run under TZ=America/Los_Angeles and
    // TZ=Australia/Sydney; make sure such a run really is in that zone.
    const QByteArray zone = qgetenv("TZ");
    if (zone.isEmpty()) GTEST_SKIP() << "no TZ given";
    EXPECT_EQ(QTimeZone::systemTimeZoneId(), zone);
}

TEST(MLCalendarView, DayNumbersOfMidnightUtcShowTheirOwnDayInEveryZone)
{
    // Midnight UTC of these days is still the evening before west of UTC.
    struct Case
    {
        qint64 dayNumber;
        QDate day;
        const char* title;
    };
    const Case cases[] = {
        {19723, QDate(2024, 1, 1), "January, 2024"},  {19783, QDate(2024, 3, 1), "March, 2024"},
        {19905, QDate(2024, 7, 1), "July, 2024"},     {20088, QDate(2024, 12, 31), "December, 2024"},
        {20089, QDate(2025, 1, 1), "January, 2025"},
    };
    EnglishLocale english;
    MLCalendarView calendar;
    calendar.setFirstWeekday(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const QDate day = QDateTime::fromSecsSinceEpoch(c.dayNumber * 86400, QTimeZone::utc()).date();
        ASSERT_EQ(day, c.day);
        calendar.setDate(day);
        calendar.setSelectedDate(day);
        EXPECT_EQ(calendar.calendarTitle()->text(), QString::fromLatin1(c.title));
        int selected = 0;
        for (const auto& row : calendar.dayCells())
            for (const MLCalendarCell* cell : row) {
                if (!cell->isSelected()) continue;
                ++selected;
                EXPECT_EQ(cell->text(), QString::number(c.day.day()));
                EXPECT_EQ(MLCalendarView::midnightUTC(cell->representedDate()).toSecsSinceEpoch(),
                          c.dayNumber * 86400);
            }
        EXPECT_EQ(selected, 1);
    }
    // On the 1st the first filled cell is the 1st, in the column of its
    // weekday: March 1, 2024 is a Friday, the fifth column from Monday.
    calendar.setDate(QDate(2024, 3, 1));
    EXPECT_EQ(calendar.dayCells().at(0).at(4)->text(), u"1");
    EXPECT_FALSE(calendar.dayCells().at(0).at(4)->isSelected());
    // Today is the local date, whatever day it is in UTC.
    EXPECT_EQ(calendar.today(), QDateTime::currentDateTime().date());
}
