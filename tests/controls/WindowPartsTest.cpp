#include "controls/ViewAnimator.h"
#include "controls/ViewAnimatorDelegate.h"
#include "controls/ViewToolbar.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

TEST(ViewToolbar, DragsStopWhereTheBarWouldLeaveTheTopOfTheScreen)
{
    const QRect screen(0, 0, 1280, 800);
    EXPECT_EQ(ViewToolbar::clampedOrigin(QPoint(50, 200), 0, screen), QPoint(50, 200));
    EXPECT_EQ(ViewToolbar::clampedOrigin(QPoint(50, -40), 0, screen), QPoint(50, 0));
    // A bar 22 points down in its window may take the window up by 22.
    EXPECT_EQ(ViewToolbar::clampedOrigin(QPoint(-30, -40), 22, screen), QPoint(-30, -22));
    // Sideways and downward drags are free.
    EXPECT_EQ(ViewToolbar::clampedOrigin(QPoint(-3000, 5000), 0, screen), QPoint(-3000, 5000));
}

TEST(ViewToolbar, APressAndADragMoveTheWindow)
{
    QWidget window(nullptr, Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new ViewToolbar;
    bar->setFixedHeight(30);
    layout->addWidget(bar);
    layout->addStretch();
    window.setGeometry(200, 300, 400, 200);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    EXPECT_TRUE(bar->windowIsActive());

    const QPoint start = window.frameGeometry().topLeft() + QPoint(50, 10);
    bar->pressAt(start);
    EXPECT_EQ(bar->initialLocation(), QPoint(50, 10));
    bar->dragTo(start + QPoint(25, 40));
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(225, 340));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    bar->dragTo(QPoint(start.x(), screen.top() - 500));
    EXPECT_EQ(window.frameGeometry().top(), screen.top());
}

namespace {
struct Recorder : ViewAnimatorDelegate
{
    int started = 0;
    int finished = 0;
    void animationStarted() override { ++started; }
    void animationFinished() override { ++finished; }
};
} // namespace

TEST(ViewAnimator, SwapsTheHeldViewWithAPushAndReportsItsEnd)
{
    QWidget window;
    window.resize(400, 300);
    auto* holder = new QWidget(&window);
    auto* first = new QWidget(holder);
    first->resize(300, 200);
    window.show();
    ViewAnimator animator(holder);
    Recorder recorder;
    animator.setDelegate(&recorder);
    EXPECT_EQ(animator.getCurrentView(), first);

    QWidget second;
    second.resize(250, 150);
    animator.animateFromRightForView(&second);
    EXPECT_EQ(animator.subtype(), ViewAnimator::Subtype::FromRight);
    EXPECT_EQ(recorder.started, 1);
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_EQ(second.parentWidget(), holder);
    EXPECT_EQ(holder->size(), QSize(250, 150));
    EXPECT_EQ(animator.getCurrentView(), &second);
    ASSERT_TRUE(waitUntil([&] { return recorder.finished == 1; }, 3000));
    EXPECT_EQ(second.pos(), QPoint(0, 0));
    EXPECT_FALSE(animator.isAnimating());
    delete first;
    second.setParent(nullptr);
}

TEST(ViewAnimator, AnInterruptedSlideDoesNotReportAnEnd)
{
    QWidget window;
    auto* holder = new QWidget(&window);
    window.resize(400, 300);
    window.show();
    ViewAnimator animator(holder);
    Recorder recorder;
    animator.setDelegate(&recorder);
    QWidget a, b;
    a.resize(100, 100);
    b.resize(120, 80);
    animator.animateFromTopForView(&a);
    animator.animateFromBottomForView(&b);
    EXPECT_EQ(recorder.started, 2);
    ASSERT_TRUE(waitUntil([&] { return recorder.finished > 0; }, 3000));
    spinEventLoop(ViewAnimator::kDuration + 100);
    EXPECT_EQ(recorder.finished, 1);
    EXPECT_EQ(b.pos(), QPoint(0, 0));
    EXPECT_EQ(a.parentWidget(), nullptr);
    b.setParent(nullptr);
}

TEST(ViewAnimator, TheWindowGrowsToFitTheViewAndKeepsItsTopEdge)
{
    QWidget window;
    auto* holder = new QWidget(&window);
    window.setGeometry(100, 120, 500, 400);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.isVisible(); }));
    const QRect before = window.geometry();
    ViewAnimator animator(holder);
    QWidget page;
    page.resize(600, 300);
    animator.resizeWindowToFitView(&page);
    ASSERT_TRUE(waitUntil([&] { return window.geometry().size() == QSize(600, 337); }, 3000));
    EXPECT_EQ(window.geometry().topLeft(), before.topLeft());
}
