#include "controls/RFOverlayScrollView.h"
#include "controls/RFOverlayScroller.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QHeaderView>
#include <QPropertyAnimation>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {
struct Fixture
{
    QStandardItemModel model{200, 3};
    RFOverlayScrollView view;
    QTableView* table = new QTableView;
    Fixture()
    {
        table->setModel(&model);
        table->horizontalHeader()->setFixedHeight(17);
        view.setDocumentView(table);
        view.resize(300, 200);
        view.show();
    }
};
} // namespace

TEST(RFOverlayScrollView, TheScrollerFloatsBelowTheHeaderOverTheFullWidthContent)
{
    Fixture f;
    ASSERT_TRUE(waitUntil([&] { return f.table->isVisible(); }));
    EXPECT_EQ(f.view.headerOffset(), 17);
    RFOverlayScroller* scroller = f.view.verticalScroller();
    EXPECT_EQ(scroller->y(), 17);
    EXPECT_EQ(scroller->height(), 200 - 17);
    EXPECT_EQ(scroller->geometry().right(), 299);
    EXPECT_EQ(f.table->width(), 300);
    EXPECT_EQ(f.table->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // The scroller lies above the content.
    const QObjectList children = f.view.children();
    EXPECT_GT(children.indexOf(scroller), children.indexOf(f.table));
    // It moves the table and follows it.
    ASSERT_GT(scroller->maximum(), 0);
    scroller->setValue(10);
    EXPECT_EQ(f.table->verticalScrollBar()->value(), 10);
    f.table->verticalScrollBar()->setValue(20);
    EXPECT_EQ(scroller->value(), 20);

    // A table without a header needs no offset.
    RFOverlayScrollView plain;
    auto* headless = new QTableView;
    headless->horizontalHeader()->hide();
    plain.setDocumentView(headless);
    EXPECT_EQ(plain.headerOffset(), 0);
}

TEST(RFOverlayScroller, AScrollShowsTheKnobAndFadesItOutLater)
{
    Fixture f;
    RFOverlayScroller* scroller = f.view.verticalScroller();
    EXPECT_EQ(scroller->alphaValue(), 0.0);
    scroller->setValue(5);
    EXPECT_TRUE(scroller->fadeOutPending());
    EXPECT_EQ(scroller->animation()->endValue().toDouble(), 1.0);
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 1.0; }, 2000));
    // Each scroll restarts the wait.
    scroller->setValue(6);
    EXPECT_TRUE(scroller->fadeOutPending());
    EXPECT_EQ(RFOverlayScroller::kFadeOutDelay, 1500);

    scroller->fadeOut();
    EXPECT_FALSE(scroller->fadeOutPending());
    EXPECT_EQ(scroller->animation()->duration(), 300);
    EXPECT_EQ(scroller->animation()->endValue().toDouble(), 0.0);
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 0.0; }, 2000));
}

TEST(RFOverlayScroller, TheMouseOverTheScrollerKeepsTheKnob)
{
    Fixture f;
    RFOverlayScroller* scroller = f.view.verticalScroller();
    scroller->setValue(5);
    scroller->fadeOut();
    // Entering during a fade-out brings it back within 0.1 s and cancels any
    // pending fade.
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(scroller, &enter);
    EXPECT_EQ(scroller->animation()->duration(), 100);
    EXPECT_EQ(scroller->animation()->endValue().toDouble(), 1.0);
    EXPECT_FALSE(scroller->fadeOutPending());
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 1.0; }, 2000));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(scroller, &leave);
    EXPECT_EQ(scroller->animation()->endValue().toDouble(), 0.0);
}

TEST(RFOverlayScroller, TheKnobFadesByItselfAfterTheLastScroll)
{
    Fixture f;
    RFOverlayScroller* scroller = f.view.verticalScroller();
    scroller->setValue(5);
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 1.0; }, 2000));
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 0.0; }, 5000));
}

TEST(RFOverlayScroller, TheMouseIsFollowedOverTheScrollerAfterAResize)
{
    Fixture f;
    RFOverlayScroller* scroller = f.view.verticalScroller();
    ASSERT_TRUE(waitUntil([&] { return f.view.isVisible(); }));
    // The scroll view grows: the scroller now reaches far below where it
    // ended when it was made.
    f.view.resize(300, 420);
    ASSERT_TRUE(waitUntil([&] { return scroller->height() == 420 - 17; }));
    QTest::mouseMove(&f.view, QPoint(100, 380));
    spinEventLoop(50);
    ASSERT_EQ(scroller->alphaValue(), 0.0);

    // The mouse comes over the part of the scroller that is new.
    const QPoint below = scroller->mapTo(&f.view, QPoint(scroller->width() / 2, 360));
    ASSERT_GT(below.y(), 200);
    QTest::mouseMove(&f.view, below);
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 1.0; }, 2000));
    EXPECT_FALSE(scroller->fadeOutPending());
    // And leaving it fades the knob.
    QTest::mouseMove(&f.view, QPoint(100, 380));
    ASSERT_TRUE(waitUntil([&] { return scroller->alphaValue() == 0.0; }, 2000));
}
