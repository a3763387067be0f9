#include "ui/queue/CustomProgressBar.h"
#include "ui/queue/StripeAnimationClock.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

QImage paintBar(const CustomProgressBar& bar, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    bar.paint(p);
    return image;
}

} // namespace

TEST(CustomProgressBar, ValueIsClampedAndFillsThatShareOfTheInsetWidth)
{
    struct Case
    {
        double percent;
        double fraction;
        double innerWidth; // of a 200 wide bar with a border of 2
    };
    const Case cases[] = {
        {-20, 0.0, 0.0}, {0, 0.0, 0.0}, {50, 0.5, 98.0}, {100, 1.0, 196.0}, {180, 1.0, 196.0}};
    for (const Case& c : cases) {
        CustomProgressBar bar;
        bar.setBorderWidth(2);
        bar.setFrame(QRectF(0, 0, 200, 12));
        bar.setCollapsed(false);
        bar.setFloatValue(c.percent);
        EXPECT_DOUBLE_EQ(bar.floatValue(), c.fraction) << c.percent;
        EXPECT_EQ(bar.innerClipLayerFrame(), QRectF(2, 2, c.innerWidth, 8)) << c.percent;
    }
}

TEST(CustomProgressBar, ACollapsedBarLaysOutOnlyItsInnerClipAndPaintsNothing)
{
    CustomProgressBar bar;
    bar.setColorTint(Qt::red);
    bar.setFrame(QRectF(0, 0, 100, 10));
    bar.setFloatValue(100);
    EXPECT_TRUE(bar.clipLayerFrame().isNull());
    EXPECT_TRUE(bar.fillLayerFrame().isNull());
    EXPECT_TRUE(bar.colorTintLayerFrame().isNull());
    EXPECT_TRUE(bar.stripesLayerFrame().isNull());
    EXPECT_EQ(bar.innerClipLayerFrame(), QRectF(0, 0, 100, 10));
    EXPECT_EQ(qAlpha(paintBar(bar, QSize(100, 10)).pixel(50, 5)), 0);

    bar.setCollapsed(false);
    EXPECT_EQ(bar.clipLayerFrame(), QRectF(0, 0, 100, 10));
    EXPECT_EQ(bar.fillLayerFrame(), QRectF(0, 0, 100, 10));
    EXPECT_EQ(bar.borderLayerFrame(), QRectF(0, 0, 100, 10));
    // One tile wider than needed, starting one tile to the left.
    EXPECT_EQ(bar.stripesLayerFrame(), QRectF(-20, 0, 20 * (5 + 1), 10));

    // Collapsing again freezes the layout: a new frame is not followed.
    bar.setCollapsed(true);
    bar.setFrame(QRectF(0, 0, 300, 10));
    EXPECT_EQ(bar.clipLayerFrame(), QRectF(0, 0, 100, 10));
}

TEST(CustomProgressBar, TintCoversTheGreyGradientAndStripesShadeFaintly)
{
    CustomProgressBar bar;
    bar.setFrame(QRectF(0, 0, 100, 20));
    bar.setCollapsed(false);
    bar.setFloatValue(50);
    bar.setAnimates(false);
    waitUntil([&] { return !bar.isAnimating(); }, 2000);

    QImage grey = paintBar(bar, QSize(100, 20));
    EXPECT_NEAR(qRed(grey.pixel(25, 1)), 0.75 * 255, 6);  // gradient top
    EXPECT_NEAR(qRed(grey.pixel(25, 18)), 0.85 * 255, 6); // gradient bottom
    EXPECT_EQ(qAlpha(grey.pixel(75, 10)), 0) << "beyond the value nothing is drawn";

    bar.setColorTint(QColor(0, 128, 0));
    const QImage tinted = paintBar(bar, QSize(100, 20));
    EXPECT_EQ(tinted.pixelColor(25, 10), QColor(0, 128, 0));

    bar.setAnimates(true);
    waitUntil([&] { return bar.stripesLayerOpacity() >= CustomProgressBar::kStripesOpacity; }, 2000);
    const QImage striped = paintBar(bar, QSize(100, 20));
    bool lighter = false, darker = false;
    for (int x = 0; x < 50; ++x) {
        const QColor c = striped.pixelColor(x, 10);
        lighter |= c.red() > 0;
        darker |= c.green() < 128;
        EXPECT_LE(std::abs(c.green() - 128), 12) << "stripes are faint";
    }
    EXPECT_TRUE(lighter && darker);
}

TEST(CustomProgressBar, StripeTileIsOneBandContinuingAcrossTheEdges)
{
    const QImage tile = CustomProgressBar::stripesImageWithSize(QSize(20, 10));
    ASSERT_EQ(tile.size(), QSize(20, 10));
    const auto black = [&](int x, int y) { return qRed(tile.pixel(x, y)) < 64; };
    EXPECT_TRUE(black(1, 1));   // the corner triangle at the top left
    EXPECT_TRUE(black(18, 2));  // the band at the right edge, top
    EXPECT_TRUE(black(2, 9));   // the band at the bottom, left
    EXPECT_FALSE(black(10, 2)); // white between the band and the corner
    EXPECT_FALSE(black(18, 9)); // white below the band at the right
}

TEST(CustomProgressBar, OffAndOnInOneTurnKeepsExactlyOneStripeAnimation)
{
    CustomProgressBar bar;
    ASSERT_TRUE(bar.animates());
    ASSERT_EQ(bar.stripeAnimationCount(), 1);
    bar.setAnimates(false);
    bar.setAnimates(true);
    spinEventLoop(int(CustomProgressBar::kImplicitDuration * 1000) + 150);
    EXPECT_EQ(bar.stripeAnimationCount(), 1);

    bar.setAnimates(false);
    EXPECT_EQ(bar.stripeAnimationCount(), 1) << "the stripes fade out before they stop";
    EXPECT_TRUE(waitUntil([&] { return bar.stripeAnimationCount() == 0; }, 2000));
    EXPECT_DOUBLE_EQ(bar.stripesLayerOpacity(), 0.0);
}

TEST(CustomProgressBar, StripesSlideOneTileRightPerCycle)
{
    CustomProgressBar bar;
    bar.setAnimationDuration(0.4);
    bar.setFrame(QRectF(0, 0, 60, 10));
    bar.setCollapsed(false);
    const CustomProgressBar::BasicAnimation a = bar.stripesAnimation();
    EXPECT_EQ(a.keyPath, "position.x");
    EXPECT_EQ(a.fromValue, -20);
    EXPECT_EQ(a.byValue, 20);
    EXPECT_EQ(a.duration, 0.4);
    EXPECT_TRUE(a.repeatsForever);
    EXPECT_FALSE(a.removedOnCompletion);
    EXPECT_FALSE(a.autoreverses);
    QList<double> seen;
    for (int i = 0; i < 8; ++i) {
        seen << bar.stripesLayerPositionX();
        spinEventLoop(60);
    }
    for (double x : seen) {
        EXPECT_GE(x, -20.0);
        EXPECT_LT(x, 0.0);
    }
    EXPECT_NE(seen.first(), seen.last());
}

TEST(CustomProgressBar, OneSharedClockRunsOnlyWhileABarAnimates)
{
    StripeAnimationClock& clock = StripeAnimationClock::shared();
    const int before = clock.retainCount();
    {
        CustomProgressBar a, b, c;
        EXPECT_EQ(clock.retainCount(), before + 3);
        EXPECT_TRUE(clock.isRunning());
        int frames = 0;
        QObject::connect(&a, &CustomProgressBar::needsDisplay, [&] { ++frames; });
        spinEventLoop(200);
        EXPECT_GE(frames, 3);
        EXPECT_LE(frames, 200 / StripeAnimationClock::kFrameIntervalMs + 2);
        a.setAnimates(false);
        b.setAnimates(false);
        c.setAnimates(false);
        EXPECT_TRUE(waitUntil([&] { return clock.retainCount() == before; }, 2000));
    }
    EXPECT_EQ(clock.retainCount(), before);
    if (before == 0) {
        EXPECT_FALSE(clock.isRunning());
    }
}

TEST(CustomProgressBar, HidingFadesThenHidesAndShowingRestartsTheStripes)
{
    CustomProgressBar bar;
    bar.setHidden(true);
    EXPECT_TRUE(bar.it_isHidden());
    EXPECT_FALSE(bar.isHidden()) << "hidden only once the fade ends";
    EXPECT_TRUE(waitUntil([&] { return bar.isHidden(); }, 2000));
    EXPECT_EQ(bar.stripeAnimationCount(), 0);
    EXPECT_DOUBLE_EQ(bar.alphaValue(), 0.0);

    bar.setHidden(false);
    EXPECT_FALSE(bar.isHidden()) << "shown at once";
    EXPECT_EQ(bar.stripeAnimationCount(), 1);
    EXPECT_TRUE(waitUntil([&] { return bar.alphaValue() >= 1.0; }, 2000));
}

TEST(CustomProgressBar, BorderAndShadowWidthsAndTheBorderImage)
{
    CustomProgressBar bar;
    bar.setBorderWidth(4);
    bar.setShadowWidth(5);
    EXPECT_EQ(bar.shadowWidth(), 0) << "wider than the border: ignored";
    bar.setShadowWidth(3);
    EXPECT_EQ(bar.shadowWidth(), 3);
    bar.setBorderWidth(2);
    EXPECT_EQ(bar.shadowWidth(), 2);

    EXPECT_TRUE(bar.borderImageForSize(QSizeF(0, 10), false).isNull());
    EXPECT_TRUE(bar.borderImageForSize(QSizeF(10, 0), true).isNull());
    bar.setBorderColor(Qt::blue);
    const QImage border = bar.borderImageForSize(QSizeF(40, 20), false);
    ASSERT_EQ(border.size(), QSize(40, 20));
    EXPECT_EQ(border.pixelColor(20, 0).blue(), 255);
    EXPECT_EQ(qAlpha(border.pixel(20, 10)), 0);

    const CustomProgressBar::BasicAnimation in = CustomProgressBar::fadeAnimationVisible(true);
    const CustomProgressBar::BasicAnimation out = CustomProgressBar::fadeAnimationVisible(false);
    EXPECT_EQ(in.keyPath, "opacity");
    EXPECT_EQ(in.fromValue, 0.0);
    EXPECT_EQ(in.toValue, 0.04);
    EXPECT_EQ(out.fromValue, 0.04);
    EXPECT_EQ(out.toValue, 0.0);
    EXPECT_EQ(out.duration, 0.255);
    EXPECT_EQ(CustomProgressBar::defaultAnimationForKey("floatValue"), "easeInEaseOut");
    EXPECT_TRUE(CustomProgressBar::defaultAnimationForKey("colorTint").isEmpty());
}
