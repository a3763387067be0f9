// The speed graph: its series of samples, its scale, the no-data label and
// what it draws, probed pixel by pixel.

#include "ui/nntp/ViewBandwidth.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>

namespace {

// The topmost row with graph paint in column `x`, or -1.
int topOfGraph(const QImage& image, int x)
{
    for (int y = 0; y < image.height(); ++y)
        if (qAlpha(image.pixel(x, y)) > 0) return y;
    return -1;
}

QImage render(ViewBandwidth& view)
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    // The graph alone: no ground, and the label is not part of it.
    view.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

} // namespace

TEST(ViewBandwidth, StartsAsAFullSeriesOfZerosAndSaysThereIsNoData)
{
    ViewBandwidth view(QSize(100, 30));
    EXPECT_EQ(view.ypoints(), QList<qint64>(21, 0));
    const QImage image = render(view);
    EXPECT_TRUE(view.noDataFoundSent());
    EXPECT_FALSE(view.textFieldNoData()->isHidden());
    EXPECT_EQ(view.textFieldNoData()->text(), "No data");
    for (int x : {0, 50, 99})
        EXPECT_EQ(topOfGraph(image, x), -1) << "nothing drawn for zeros";
}

TEST(ViewBandwidth, OneSampleKeepsTheLengthAndPeaksFivePointsBelowTheTop)
{
    ViewBandwidth view(QSize(100, 30));
    view.addBandwidthValue(8000000);
    ASSERT_EQ(view.ypoints().size(), 21) << "the oldest zero dropped";
    EXPECT_EQ(view.ypoints().last(), 8000000);
    EXPECT_EQ(view.peekBandwidth(), 8000000);
    view.addBandwidthValue(8000000);
    const QImage image = render(view);
    EXPECT_TRUE(view.textFieldNoData()->isHidden());
    // The last two samples are the peak: between them the top is 5 below.
    EXPECT_EQ(topOfGraph(image, 97), 5);
    EXPECT_EQ(topOfGraph(image, 10), -1) << "a zero sample lies below the bottom edge";
}

TEST(ViewBandwidth, SpeedsAbove268MegabytesASecondAreDrawn)
{
    ViewBandwidth view(QSize(100, 30));
    for (qint64 v : {qint64(3000000000), qint64(3000000000), qint64(1500000000)})
        view.addBandwidthValue(v);
    EXPECT_EQ(view.peekBandwidth(), 3000000000);
    const QImage image = render(view);
    EXPECT_TRUE(view.textFieldNoData()->isHidden());
    EXPECT_EQ(topOfGraph(image, 92), 5) << "the 3 Gbit/s samples reach the peak";
    EXPECT_GT(topOfGraph(image, 99), 5) << "the half-speed sample lies lower";
}

TEST(ViewBandwidth, TheLabelReturnsWhenTheDataScrollsOutAndALineWidthOfZeroIsFive)
{
    ViewBandwidth view(QSize(20, 30));
    view.addBandwidthValue(1000);
    render(view);
    EXPECT_TRUE(view.textFieldNoData()->isHidden());
    for (int i = 0; i < 5; ++i)
        view.addBandwidthValue(0);
    ASSERT_EQ(view.ypoints().size(), 5) << "20 / 5 + 1 from the start, one dropped per add";
    render(view);
    EXPECT_FALSE(view.textFieldNoData()->isHidden());
    view.addBandwidthValue(5);
    render(view);
    EXPECT_TRUE(view.textFieldNoData()->isHidden());

    view.setGraphLineWidth(0);
    render(view);
    EXPECT_EQ(view.graphLineWidth(), 5);
}
