#include "controls/SplitViewCollapsible.h"
#include "controls/SplitViewArticleBrowser.h"

#include "platform/NotificationHub.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

namespace {

TEST(SplitViewCollapsible, OnlyItsPaneClosesAndEachChangeIsToldOnce)
{
    struct Case
    {
        Qt::Orientation orientation;
        int pane;
    };
    for (const Case& c : {Case{Qt::Horizontal, 0}, Case{Qt::Horizontal, 1}, Case{Qt::Vertical, 1}}) {
        SCOPED_TRACE(std::to_string(int(c.orientation)) + " pane " + std::to_string(c.pane));
        SplitViewCollapsible split(c.orientation, c.pane);
        split.addWidget(new QWidget);
        split.addWidget(new QWidget);
        split.resize(600, 400);
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
        EXPECT_TRUE(split.isCollapsible(c.pane));
        EXPECT_FALSE(split.isCollapsible(1 - c.pane));
        const int extent = c.orientation == Qt::Horizontal ? 600 : 400;
        EXPECT_EQ(split.maxPossiblePositionOfDividerAtIndex(0), extent - 1);

        QSignalSpy told(&split, &SplitViewCollapsible::collapseStateChanged);
        const int closed = c.pane == 0 ? 0 : split.maxPossiblePositionOfDividerAtIndex(0);
        split.setPositionOfDividerAtIndex(closed, 0);
        split.setPositionOfDividerAtIndex(closed, 0);
        EXPECT_TRUE(split.isSubviewCollapsed(c.pane));
        EXPECT_EQ(split.paneSize(), 0);
        EXPECT_FALSE(split.handle(1)->isVisible()) << "no divider next to a closed pane";
        split.setPositionOfDividerAtIndex(150, 0);
        split.setPositionOfDividerAtIndex(160, 0);
        EXPECT_EQ(split.positionOfDividerAtIndex(0), 160);
        EXPECT_EQ(split.paneSize(), c.pane == 0 ? 160 : extent - 1 - 160);
        EXPECT_TRUE(split.handle(1)->isVisible());
        ASSERT_EQ(told.size(), 2);
        EXPECT_TRUE(told.at(0).at(0).toBool());
        EXPECT_FALSE(told.at(1).at(0).toBool());
        EXPECT_FALSE(split.paneIsCollapsed());
    }
}

TEST(SplitViewArticleBrowser, PostsEachChangeOfTheLeftPane)
{
    TempHome home;
    SplitViewArticleBrowser split;
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(500, 300);
    split.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
    QObject owner;
    QList<bool> states;
    NotificationHub::defaultCenter().addObserver(SplitViewArticleBrowser::collapseStateChangedNotification(),
                                                 &owner, [&](const Notification& n) {
                                                     EXPECT_EQ(n.object, &split);
                                                     states << n.userInfo.value("state").toBool();
                                                 });
    split.setPositionOfDividerAtIndex(0, 0);
    EXPECT_TRUE(split.leftViewIsCollapsed());
    split.resize(520, 300); // a resize that keeps the state tells nothing
    split.setPositionOfDividerAtIndex(200, 0);
    EXPECT_FALSE(split.leftViewIsCollapsed());
    EXPECT_EQ(states, QList<bool>({true, false}));
    NotificationHub::defaultCenter().removeObserver(&owner);
}

} // namespace
