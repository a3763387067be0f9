// The flat progress bar of the files pane and the result tree, and the
// plain views that paint the grounds of progress areas and the queue page's
// right pane, probed pixel by pixel.

#include "controls/ProgressBarSimple.h"
#include "controls/SRGB.h"
#include "controls/ViewBackGroundProgressBar.h"
#include "controls/ViewProgressBarBG.h"
#include "controls/ViewProgressQueueBG.h"
#include "controls/ViewQueueFilesHeaderWarning.h"
#include "controls/ViewQueueRight.h"
#include "controls/ViewSimpleProgressBarBG.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>

namespace {

// The view painted alone on a transparent image of its own size.
QImage render(QWidget& view, const QSize& size)
{
    view.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2 && std::abs(a.alpha() - b.alpha()) <= 2;
}

QColor pixel(const QImage& image, int x, int y)
{
    return QColor::fromRgba(image.pixel(x, y));
}

} // namespace

TEST(ProgressBarSimple, FillsTheShareOfItsWidthAndNeverDrawsATrack)
{
    struct Case
    {
        double value, maxValue;
        int filledColumns; // of 100
    } cases[] = {{0, 100, 0}, {-5, 100, 0}, {100, 100, 100}, {50, 100, 50}, {25, 50, 50}, {10, 0, 0}, {150, 100, 100}};
    for (const Case& c : cases) {
        ProgressBarSimple bar;
        bar.setMaxValue(c.maxValue);
        bar.setDoubleValue(c.value);
        bar.setColorBackground(srgb(0.247, 0.576, 0.976));
        const QImage image = render(bar, QSize(100, 6));
        int filled = 0;
        for (int x = 0; x < 100; ++x)
            if (qAlpha(image.pixel(x, 3)) > 0) ++filled;
        EXPECT_EQ(filled, c.filledColumns) << c.value << "/" << c.maxValue;
        // Nothing around the fill: no border, no track.
        if (c.filledColumns < 100) {
            EXPECT_EQ(qAlpha(image.pixel(99, 0)), 0) << c.value;
        }
    }
}

TEST(ProgressBarSimple, ANewColourShowsAtOnceAndAClearOneShowsNothing)
{
    ProgressBarSimple bar;
    bar.setDoubleValue(100);
    EXPECT_EQ(qAlpha(render(bar, QSize(20, 4)).pixel(10, 2)), 0) << "clear until a row gives a colour";
    bar.setColorBackground(Qt::red);
    EXPECT_TRUE(near(pixel(render(bar, QSize(20, 4)), 10, 2), Qt::red));

    // The delegates' form draws the same without a widget.
    QImage image(QSize(40, 4), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    ProgressBarSimple::paint(p, QRectF(0, 0, 40, 4), 30, 120, Qt::blue);
    p.end();
    EXPECT_TRUE(near(pixel(image, 9, 1), Qt::blue));
    EXPECT_EQ(qAlpha(image.pixel(10, 1)), 0);
}

TEST(PaneBackgrounds, EachViewPaintsItsGroundAndEdges)
{
    struct Probe
    {
        int x, y;
        QColor color;
    };
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
        std::vector<Probe> probes;
    };
    const QColor white = Qt::white;
    const Case cases[] = {
        {"ViewBackGroundProgressBar", [] { return std::make_unique<ViewBackGroundProgressBar>(); },
         {{10, 5, withAlpha(white, 0.7)}}},
        {"ViewProgressQueueBG", [] { return std::make_unique<ViewProgressQueueBG>(); },
         {{10, 5, grey(0.925)}, {0, 5, grey(0.863)}, {10, 0, grey(0.863)}}},
        {"ViewQueueFilesHeaderWarning", [] { return std::make_unique<ViewQueueFilesHeaderWarning>(); },
         {{10, 5, srgb(0.965, 0.949, 0.871)}, {10, 0, white}, {10, 9, grey(0.78)}}},
        {"ViewQueueRight", [] { return std::make_unique<ViewQueueRight>(); },
         {{10, 5, srgb(0.851, 0.847, 0.847)}, {0, 0, srgb(0.851, 0.847, 0.847)}}},
        {"ViewSimpleProgressBarBG", [] { return std::make_unique<ViewSimpleProgressBarBG>(); },
         {{10, 5, white}}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QWidget> view = c.make();
        EXPECT_EQ(view->objectName(), QLatin1String(c.name));
        const QImage image = render(*view, QSize(40, 10));
        for (const Probe& p : c.probes)
            EXPECT_TRUE(near(pixel(image, p.x, p.y), p.color))
                << c.name << " at " << p.x << "," << p.y << ": " << pixel(image, p.x, p.y).name(QColor::HexArgb).toStdString();
    }
}

TEST(PaneBackgrounds, TheSimpleBarGroundHasAGreyFrameAndTheTrackUsesItsThreeImages)
{
    ViewSimpleProgressBarBG simple;
    const QImage framed = render(simple, QSize(40, 10));
    EXPECT_FALSE(near(pixel(framed, 0, 5), Qt::white)) << "the frame's inner half";
    EXPECT_TRUE(near(pixel(framed, 1, 5), Qt::white));

    EXPECT_EQ(ViewProgressBarBG::artworkNames(),
              QStringList({"grph_prgbarbg_lp", "grph_prgbarbg_mp", "grph_prgbarbg_rp"}));
    ViewProgressBarBG track;
    const QImage image = render(track, QSize(120, 12));
    // The caps and the stretched middle cover the width: no empty column.
    for (int x : {2, 4, 60, 115, 117})
        EXPECT_GT(qAlpha(image.pixel(x, 6)), 0) << x;
}
