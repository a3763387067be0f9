// The range selector: presets, typed dates, the calendar, Apply.
#include "ui/stats/StatsDateSelectorPopOverVC.h"

#include "StatsPageFixture.h"
#include "controls/MLCalendarView.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/stats/TextFieldDateSelector.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using StatsDateSelector = StatsPageFixture;

QList<qint64> lastRange(const QSignalSpy& spy)
{
    if (spy.isEmpty()) return {};
    return {spy.last().at(0).toLongLong(), spy.last().at(1).toLongLong()};
}

} // namespace

TEST_F(StatsDateSelector, PresetsChooseAtOnce)
{
    StatsDateSelectorPopOverVC vc(engine->calendar());
    QSignalSpy spy(&vc, &StatsDateSelectorPopOverVC::selectedDate);
    const struct
    {
        int tag;
        qint64 start;
    } cases[] = {{0, today},      {1, today - 1},   {2, today - 7}, {3, today - 30},
                 {4, today - 90}, {5, today - 365}, {6, 1},         {-3, 1}};
    for (const auto& c : cases) {
        vc.btnClicked(c.tag);
        EXPECT_EQ(lastRange(spy), QList<qint64>({c.start, today})) << c.tag;
        EXPECT_TRUE(vc.btnApply()->isEnabled()) << c.tag;
    }
    // Tag 2: eight days, today included.
    vc.btnClicked(2);
    EXPECT_EQ(vc.enddate() - vc.startdate() + 1, 8);
    EXPECT_EQ(vc.startDateTextField()->text(), "2024/02/27");
    // The buttons reach the same place.
    vc.presetButtons().at(1)->click();
    EXPECT_EQ(lastRange(spy), QList<qint64>({today - 1, today}));
}

TEST_F(StatsDateSelector, StoredDaysFillTheFields)
{
    setRange(19723, 19730);
    StatsDateSelectorPopOverVC vc(engine->calendar());
    EXPECT_EQ(vc.startDateTextField()->text(), "2024/01/01");
    EXPECT_EQ(vc.endDateTextField()->text(), "2024/01/08");
    EXPECT_TRUE(vc.btnApply()->isEnabled());
    EXPECT_EQ(vc.startDateTextField()->tag(), 1);
    EXPECT_EQ(vc.endDateTextField()->tag(), 2);
}

// Apply stays off until both fields hold dates from 1970 on, the start not
// after the end; invalid text never reaches the page.
TEST_F(StatsDateSelector, InvalidTextDisablesApply)
{
    StatsDateSelectorPopOverVC vc(engine->calendar());
    QSignalSpy spy(&vc, &StatsDateSelectorPopOverVC::selectedDate);
    const struct
    {
        const char* start;
        const char* end;
        bool valid;
    } cases[] = {
        {"2024/03/01", "2024/03/05", true},  {"2024/03/06", "2024/03/05", false},
        {"1969/12/31", "2024/03/05", false}, {"2024/02/30", "2024/03/05", false},
        {"yesterday", "2024/03/05", false},  {"", "2024/03/05", false},
        {"1970/01/01", "1970/01/01", true},
    };
    for (const auto& c : cases) {
        vc.startDateTextField()->setText(c.start);
        vc.endDateTextField()->setText(c.end);
        vc.checkIfValidDateFormat();
        EXPECT_EQ(vc.btnApply()->isEnabled(), c.valid) << c.start << " " << c.end;
        if (!c.valid) {
            vc.btnApplyClicked();
            EXPECT_TRUE(spy.isEmpty()) << c.start;
        }
    }
    // A start after the end marks both fields.
    vc.startDateTextField()->setText("2024/03/06");
    vc.endDateTextField()->setText("2024/03/05");
    vc.checkIfValidDateFormat();
    EXPECT_FALSE(vc.validStartDateTextField());
    EXPECT_FALSE(vc.validEndDateTextField());
}

// Typed dates are calendar days: in Berlin in winter, a summer date keeps
// its own day number.
TEST_F(StatsDateSelector, ApplyReturnsTheDaysOfTheTypedDates)
{
    StatsDateSelectorPopOverVC vc(engine->calendar());
    QSignalSpy spy(&vc, &StatsDateSelectorPopOverVC::selectedDate);
    QTest::keyClicks(vc.startDateTextField(), QString(), {});
    vc.startDateTextField()->setText("2024/07/01");
    vc.endDateTextField()->setText("2024/10/28");
    vc.checkIfValidDateFormat();
    vc.btnApply()->click();
    EXPECT_EQ(lastRange(spy), QList<qint64>({day(2024, 7, 1), day(2024, 10, 28)}));
    EXPECT_EQ(day(2024, 7, 1), 19905);
    EXPECT_EQ(vc.dayNumberForText(""), today);
    EXPECT_EQ(vc.dayNumberForText("nonsense"), std::nullopt);
}

// A field taking the focus points the calendar at it; a pick fills that
// field only, and nothing goes back before Apply.
TEST_F(StatsDateSelector, TheCalendarFillsTheFocusedFieldUntilApply)
{
    setRange(today - 7, today);
    StatsDateSelectorPopOverVC vc(engine->calendar());
    QSignalSpy spy(&vc, &StatsDateSelectorPopOverVC::selectedDate);
    int announced = 0;
    NotificationHub::defaultCenter().addObserver("TextFieldDateSelectorBecomeFistResponder", &vc,
                                                 [&](const Notification& n) {
                                                     EXPECT_EQ(n.userInfo.value("textfield").value<QObject*>(),
                                                               vc.endDateTextField());
                                                     ++announced;
                                                 });
    vc.showRelativeTo(&vc, QRect());
    vc.endDateTextField()->setFocus(Qt::MouseFocusReason);
    spinEventLoop(10);
    vc.activateWindow();
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(vc.endDateTextField(), &focus);
    EXPECT_GE(announced, 1);
    EXPECT_EQ(vc.focusedTextField(), 2);
    EXPECT_EQ(vc.calendarView()->selectedDate(), QDate(2024, 3, 5));
    EXPECT_EQ(vc.calendarView()->today(), QDate(2024, 3, 5));

    vc.didSelectDate(QDate(2024, 3, 3));
    EXPECT_EQ(vc.endDateTextField()->text(), "2024/03/03");
    EXPECT_EQ(vc.startDateTextField()->text(), "2024/02/27");
    EXPECT_TRUE(spy.isEmpty());
    EXPECT_TRUE(vc.isVisible());
    vc.btnApply()->click();
    EXPECT_EQ(lastRange(spy), QList<qint64>({today - 7, day(2024, 3, 3)}));
}
