#include "ui/search/page/BusySearchingWC.h"

#include "platform/NotificationHub.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

TEST(BusySearchingWC, SitsOverTheResultsWithinTheVisibleScreen)
{
    const QSize w(300, 100);
    const QRect screen(0, 0, 1920, 1050);
    const struct
    {
        QRect main;
        QRectF results;
        QPoint expected;
    } cases[] = {
        // x = 100 + (1200 + 250 + 80) / 2 - 150, y = 50 + 600 / 2 + 65
        {{100, 50, 1200, 800}, {250, 60, 950, 600}, {715, 415}},
        // A main window low on the screen pushes the window up to its edge.
        {{100, 900, 1200, 800}, {250, 60, 950, 600}, {715, 950}},
        // Far to the right it stays on the screen.
        {{1700, 50, 1200, 800}, {250, 60, 950, 600}, {1620, 415}},
        // Far to the left as well.
        {{-2000, 50, 1200, 800}, {0, 0, 100, 100}, {0, 165}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BusySearchingWC::centerWindow(c.main, c.results, w, screen), c.expected) << c.main.x() << "," << c.main.y();
    // On a second screen to the right the window stays on that screen: the
    // clamps use the screen's far edges, not its width and height.
    const QRect right(1920, 0, 1920, 1050);
    EXPECT_EQ(BusySearchingWC::centerWindow({3500, 50, 1200, 800}, {250, 60, 950, 600}, w, right), QPoint(3540, 415));
    EXPECT_EQ(BusySearchingWC::centerWindow({2000, 50, 1200, 800}, {250, 60, 950, 600}, w, right), QPoint(2615, 415));
}

TEST(BusySearchingWC, CancelClosesOnceAndTellsTheCancelWhileQuittingDoesNot)
{
    TempHome home;
    {
        BusySearchingWC busy(QRectF(0, 0, 400, 300));
        QSignalSpy closing(&busy, &BusySearchingWC::closing);
        busy.showWindow();
        QTest::mouseClick(busy.cancelButton(), Qt::LeftButton);
        EXPECT_TRUE(busy.isCancelled());
        EXPECT_FALSE(busy.isVisible());
        EXPECT_FALSE(busy.cancelButton()->isEnabled());
        busy.closeWindow();
        busy.close();
        EXPECT_EQ(closing.size(), 1);
    }
    {
        BusySearchingWC busy(QRectF(0, 0, 400, 300));
        busy.showWindow();
        QTest::keyClick(&busy, Qt::Key_Escape);
        EXPECT_TRUE(busy.isCancelled());
    }
    {
        BusySearchingWC busy(QRectF(0, 0, 400, 300));
        QSignalSpy closing(&busy, &BusySearchingWC::closing);
        busy.showWindow();
        NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr, {});
        EXPECT_FALSE(busy.isCancelled());
        EXPECT_TRUE(busy.windowIsClosing());
        EXPECT_EQ(closing.size(), 1);
    }
}

} // namespace
