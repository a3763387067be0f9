#include "controls/SplitViewMain.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
struct Fixture
{
    TempHome home;
    SplitViewMain split;
    QWidget* upper = new QWidget;
    QWidget* lower = new QWidget;
    QObject observer;
    QList<bool> posted;
    Fixture()
    {
        upper->setMinimumHeight(100);
        lower->setMinimumHeight(20);
        split.addWidget(upper);
        split.addWidget(lower);
        split.resize(400, 600);
        split.show();
        split.setSizes({400, 200});
        NotificationHub::defaultCenter().addObserver(
            SplitViewMain::collapseStateChangedNotification(), &observer, [this](const Notification& n) {
                EXPECT_EQ(n.object, &split);
                posted << n.userInfo.value(QStringLiteral("state")).toBool();
            });
    }
};
} // namespace

TEST(SplitViewMain, OnlyTheLowerPaneCollapsesAndTheDividerHasNoThickness)
{
    Fixture f;
    EXPECT_EQ(f.split.handleWidth(), 0);
    EXPECT_FALSE(f.split.isCollapsible(0));
    EXPECT_TRUE(f.split.isCollapsible(1));
    EXPECT_EQ(f.split.maxPossiblePositionOfDividerAtIndex(0), 600);
    EXPECT_EQ(f.split.minPossiblePositionOfDividerAtIndex(0), 100);
    EXPECT_EQ(f.split.positionOfDividerAtIndex(0), 400);
    // The divider is grabbed in a 27-point strip below it.
    EXPECT_EQ(f.split.dividerMouseArea(), QRect(0, 400, 400, 27));
}

TEST(SplitViewMain, DraggingAnnouncesEachChangeOfTheCollapseStateOnce)
{
    Fixture f;
    f.split.dragDividerTo(450);
    EXPECT_TRUE(f.posted.isEmpty());
    f.split.dragDividerTo(600);
    EXPECT_TRUE(f.split.isSubviewCollapsed(1));
    EXPECT_EQ(f.posted, QList<bool>{true});
    EXPECT_TRUE(f.split.bottomViewIsCollapsed());
    EXPECT_TRUE(f.split.dividerMouseArea().isEmpty());
    f.split.dragDividerTo(600);
    EXPECT_EQ(f.posted.size(), 1);
    f.split.dragDividerTo(300);
    EXPECT_EQ(f.posted, (QList<bool>{true, false}));
    EXPECT_FALSE(f.split.bottomViewIsCollapsed());
}

TEST(SplitViewMain, MovesMadeInCodePostNothing)
{
    Fixture f;
    f.split.setSizes({600, 0});
    f.split.setPositionOfDividerAtIndex(600, 0);
    EXPECT_TRUE(f.split.isSubviewCollapsed(1));
    f.split.setPositionOfDividerAtIndex(250, 0);
    f.split.resize(400, 700);
    EXPECT_TRUE(f.posted.isEmpty());
    // A drag after a move in code compares with what is on screen.
    f.split.collapseBottomPane();
    f.split.expandBottomPane();
    f.split.dragDividerTo(700);
    EXPECT_EQ(f.posted, QList<bool>{true});
}

TEST(SplitViewMain, TheLowerPaneReopensWhereItWasClosed)
{
    Fixture f;
    const QString key = SplitViewMain::restorePositionKey();
    EXPECT_EQ(key, u"SplitViewMainBottomRestorePosition");
    f.split.setPositionOfDividerAtIndex(320, 0);
    f.split.collapseBottomPane();
    EXPECT_TRUE(f.split.isSubviewCollapsed(1));
    EXPECT_FLOAT_EQ(UserDefaults::standard().floatForKey(key), 320.0f);
    // Collapsing a collapsed pane keeps the remembered height.
    f.split.collapseBottomPane();
    EXPECT_FLOAT_EQ(UserDefaults::standard().floatForKey(key), 320.0f);
    f.split.expandBottomPane();
    EXPECT_FALSE(f.split.isSubviewCollapsed(1));
    EXPECT_EQ(f.split.positionOfDividerAtIndex(0), 320);
    f.split.toggleBottomPane();
    EXPECT_TRUE(f.split.isSubviewCollapsed(1));
    f.split.toggleBottomPane();
    EXPECT_EQ(f.split.positionOfDividerAtIndex(0), 320);
    EXPECT_TRUE(f.posted.isEmpty());
}

TEST(SplitViewMain, WithoutARememberedHeightThePaneOpensNearTheBottom)
{
    for (float saved : {0.0f, 599.5f, 5000.0f}) {
        SCOPED_TRACE(saved);
        Fixture f;
        if (saved > 0) UserDefaults::standard().setFloat(saved, SplitViewMain::restorePositionKey());
        f.split.setPositionOfDividerAtIndex(600, 0);
        f.split.expandBottomPane();
        EXPECT_EQ(f.split.positionOfDividerAtIndex(0), 600 - 28);
    }
}

TEST(SplitViewMain, TheGripDragsTheDividerAndLetsButtonsBeClicked)
{
    Fixture f;
    auto* button = new QPushButton(QStringLiteral("x"), f.lower);
    button->setGeometry(370, 2, 24, 22);
    button->show();
    QSignalSpy clicks(button, &QPushButton::clicked);
    QWidget* grip = nullptr;
    for (QWidget* w : f.lower->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->inherits("SplitViewMainGrip")) grip = w;
    }
    ASSERT_NE(grip, nullptr);
    ASSERT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry(), QRect(0, 0, 400, 27));

    QTest::mouseClick(grip, Qt::LeftButton, {}, QPoint(380, 10));
    EXPECT_EQ(clicks.count(), 1);

    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseMove(grip, QPoint(100, 110));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(100, 110));
    EXPECT_EQ(f.split.positionOfDividerAtIndex(0), 500);
    EXPECT_TRUE(f.posted.isEmpty());
}
