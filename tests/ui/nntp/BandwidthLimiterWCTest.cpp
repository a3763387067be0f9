// The Bandwidth Limiter window over the real settings and limiter
// controller: the four ranges and the clamp, the slider over doubles, the
// texts, when the limit is written, and the weekly schedule.

#include "core/Utils.h"
#include "nntp/BandwidthLimitController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/nntp/BandwidthLimiterWC.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>

namespace {

const char* const kLimit = "maxBandwidthThroughPut";
const char* const kRange = "bandLimiterRangeTag";
const char* const kSchedule = "bandwidthThrottlingScheduler";

struct LimiterFixture
{
    TempHome home;
    BandwidthLimitController limiter;
    BandwidthLimiterWC window;

    LimiterFixture() { window.setBandwidthLimitController(&limiter); }
    UserDefaults& defaults() const { return UserDefaults::standard(); }
    double stored() const { return defaults().doubleForKey(kLimit); }
    void open(qint64 tag, double limit)
    {
        defaults().setInteger(tag, kRange);
        defaults().setDouble(limit, kLimit);
        window.showWindow();
    }
};

} // namespace

TEST(BandwidthLimiterWC, FirstOpeningWithTheDefaultsStoresTheBottomOfTheFirstRange)
{
    LimiterFixture f;
    EXPECT_EQ(f.defaults().integerForKey(kRange), 1);
    EXPECT_DOUBLE_EQ(f.stored(), 625000.0);
    f.window.showWindow();
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_FALSE(f.window.isModal());
    EXPECT_DOUBLE_EQ(f.stored(), 1000000.0);
    EXPECT_EQ(f.window.rangePopup()->currentData().toLongLong(), 1);
    EXPECT_EQ(f.window.slider()->value(), f.window.slider()->minimum());
    EXPECT_EQ(f.window.bitsPSTextField()->text(), Utils::formatBitsPerSecond(1e6));
    EXPECT_EQ(f.window.bytesPSTextField()->text(), Utils::formatBytesPerSecond(125000));
}

TEST(BandwidthLimiterWC, ARangeClampsTheLimitIntoItAndTheTextsFollow)
{
    struct Case
    {
        qint64 openTag;
        double limit;
        qint64 chosenTag;
        double after;
    } cases[] = {
        {1, 5e6, 3, 1e8},  // below the new range: its bottom
        {2, 5e7, 1, 1e7},  // above: its top
        {1, 8e6, 1, 8e6},  // inside: kept
        {4, 5e9, 4, 5e9},
    };
    for (const Case& c : cases) {
        LimiterFixture f;
        f.open(c.openTag, c.limit);
        QComboBox* popup = f.window.rangePopup();
        popup->setCurrentIndex(popup->findData(c.chosenTag));
        Q_EMIT popup->activated(popup->currentIndex());
        EXPECT_DOUBLE_EQ(f.window.selectedspeed(), c.after) << c.limit << " into range " << c.chosenTag;
        EXPECT_DOUBLE_EQ(f.stored(), c.after);
        EXPECT_EQ(f.defaults().integerForKey(kRange), c.chosenTag) << "the choice is kept";
        EXPECT_EQ(f.window.bitsPSTextField()->text(), Utils::formatBitsPerSecond(c.after));
        EXPECT_EQ(f.window.bytesPSTextField()->text(), Utils::formatBytesPerSecond(c.after * 0.125));
    }
}

TEST(BandwidthLimiterWC, TheSliderHoldsTenGigabitsAndPutsFiveAtFortyFourPercent)
{
    LimiterFixture f;
    f.open(4, 5e9);
    QSlider* slider = f.window.slider();
    const double share = double(slider->value() - slider->minimum()) / (slider->maximum() - slider->minimum());
    EXPECT_NEAR(share, 4.0 / 9.0, 1e-3);
    slider->setValue(slider->maximum());
    EXPECT_DOUBLE_EQ(f.window.selectedspeed(), 1e10);
    EXPECT_DOUBLE_EQ(f.stored(), 1e10) << "a step that is no drag is a finished choice";
    EXPECT_EQ(f.window.bitsPSTextField()->text(), Utils::formatBitsPerSecond(1e10));
}

TEST(BandwidthLimiterWC, ADragWritesTheLimitOnlyWhenTheKnobIsLetGo)
{
    LimiterFixture f;
    f.open(2, 2e7);
    QSlider* slider = f.window.slider();
    slider->setSliderDown(true);
    slider->setValue(slider->maximum() / 2);
    slider->setValue(slider->maximum());
    EXPECT_DOUBLE_EQ(f.stored(), 2e7) << "nothing written while dragging";
    EXPECT_EQ(f.window.bitsPSTextField()->text(), Utils::formatBitsPerSecond(1e8)) << "the texts follow";
    slider->setSliderDown(false);
    EXPECT_DOUBLE_EQ(f.stored(), 1e8);
}

TEST(BandwidthLimiterWC, TheScheduleStoresDaysAndWholeMinutesAndReopensWithThem)
{
    LimiterFixture f;
    f.window.showWindow();
    f.window.dayButton(2)->click(); // Monday
    f.window.dayButton(7)->click(); // Saturday
    f.window.startTime()->setTime(QTime(8, 30, 45));
    f.window.endTime()->setTime(QTime(23, 59));
    f.window.close();
    QVariantMap dict = f.defaults().dictionaryForKey(kSchedule);
    EXPECT_EQ(dict.value("starttime").toLongLong(), 30600);
    EXPECT_EQ(dict.value("endtime").toLongLong(), 86340);
    for (int d = 1; d <= 7; ++d)
        EXPECT_EQ(dict.value(QString::number(d)).toBool(), d == 2 || d == 7) << d;

    // The pickers show the stored times again, so that closing keeps them.
    LimiterFixture again;
    again.defaults().setObject(dict, kSchedule);
    again.window.showWindow();
    EXPECT_EQ(again.window.startTime()->time(), QTime(8, 30));
    EXPECT_EQ(again.window.endTime()->time(), QTime(23, 59));
    EXPECT_TRUE(again.window.dayButton(2)->isChecked());
    EXPECT_FALSE(again.window.dayButton(3)->isChecked());
    again.window.close();
    dict = again.defaults().dictionaryForKey(kSchedule);
    EXPECT_EQ(dict.value("starttime").toLongLong(), 30600);
    EXPECT_EQ(dict.value("endtime").toLongLong(), 86340);
}

TEST(BandwidthLimiterWC, EscapeClosesTheWindowAndKeepsTheChosenTimes)
{
    LimiterFixture f;
    f.window.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
    f.window.startTime()->setTime(QTime(22, 15));
    QTest::keyClick(&f.window, Qt::Key_Escape);
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_EQ(f.defaults().dictionaryForKey(kSchedule).value("starttime").toLongLong(), 22 * 3600 + 15 * 60);
}

TEST(BandwidthLimiterWC, TheEnableBoxesSetTheirSettingAndTheLimiterReadsThemAtOnce)
{
    LimiterFixture f;
    f.window.showWindow();
    ASSERT_FALSE(f.limiter.isThrottling());
    f.window.enableThrottling()->click();
    EXPECT_TRUE(f.defaults().boolForKey("enableBandwidthThrottling"));
    EXPECT_TRUE(f.limiter.isThrottling()) << "the limiter re-read its settings";
    EXPECT_TRUE(f.defaults().objectForKey(kSchedule).isValid()) << "the schedule was saved with it";
    f.window.enableThrottling()->click();
    EXPECT_FALSE(f.limiter.isThrottling());
}

TEST(BandwidthLimiterWC, TheMainWindowMakesOneWindowAndOpensItFromTheMenuAndTheNotification)
{
    TempHome home;
    MainWindow window;
    auto* vc = new MainVC(&window);
    window.setCentralWidget(vc);
    window.buildMenuBar(vc);
    window.resize(1000, 700);
    window.show();
    spinEventLoop(20);
    QAction* item = nullptr;
    for (QAction* a : window.menuBar()->findChildren<QAction*>())
        if (a->objectName() == QLatin1String("menuShowBandwidthLimiterWindow")) item = a;
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    BandwidthLimiterWC* limiter = vc->bandwidthLimiterWC();
    ASSERT_NE(limiter, nullptr);
    EXPECT_TRUE(limiter->isVisible());
    EXPECT_EQ(limiter->bandwidthLimitController(), vc->engine().bandwidthLimitController());
    // Placed over the main window, its top 44 points below the main window's.
    EXPECT_EQ(limiter->frameGeometry().top() - window.frameGeometry().top(), BandwidthLimiterWC::kWindowDistance);
    limiter->close();
    NotificationHub::defaultCenter().post(QStringLiteral("OpenBandwidthLimiterWindow"));
    EXPECT_EQ(vc->bandwidthLimiterWC(), limiter) << "made once";
    EXPECT_TRUE(limiter->isVisible());
}
