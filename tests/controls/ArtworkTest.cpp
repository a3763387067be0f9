#include "controls/Artwork.h"
#include "controls/CoreArtwork.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

// How many pixels are not fully transparent.
int paintedPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}

} // namespace

TEST(Artwork, EveryNamedImageIsDrawnAtItsDesignSizeAndAtAnyOther)
{
    const QStringList names = Artwork::names();
    for (const char* name : {CoreArtwork::kApplicationIcon, CoreArtwork::kCaution})
        EXPECT_TRUE(names.contains(QLatin1String(name))) << name;
    for (const QString& name : names) {
        const QSize design = Artwork::designSize(name);
        ASSERT_TRUE(design.isValid() && !design.isEmpty()) << name.toStdString();
        const QImage atDesign = Artwork::image(name);
        EXPECT_EQ(atDesign.size(), design) << name.toStdString();
        EXPECT_GT(paintedPixels(atDesign), design.width() * design.height() / 10) << name.toStdString();
        const QImage small = Artwork::image(name, QSize(24, 20));
        EXPECT_EQ(small.size(), QSize(24, 20));
        EXPECT_GT(paintedPixels(small), 24 * 20 / 10) << name.toStdString();
        EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0) << "a transparent background";
        const QPixmap pm = Artwork::pixmap(name, QSize(32, 32));
        EXPECT_FALSE(pm.isNull());
        EXPECT_EQ(pm.deviceIndependentSize().toSize(), QSize(32, 32));
    }
}

TEST(Artwork, TheCautionSignIsYellowWithADarkMark)
{
    const QImage caution = Artwork::image(CoreArtwork::kCaution, QSize(64, 64));
    const QColor body = caution.pixelColor(20, 50); // inside the triangle, beside the mark
    const QColor mark = caution.pixelColor(32, 30); // the bar of the exclamation mark
    EXPECT_GT(body.red(), 200);
    EXPECT_GT(body.green(), 150);
    EXPECT_LT(body.blue(), 80);
    EXPECT_LT(mark.lightness(), 60);
    EXPECT_EQ(caution.pixelColor(2, 2).alpha(), 0); // outside the triangle
}

TEST(Artwork, UnknownNamesGiveNothingAndLaterImagesJoinTheRegistry)
{
    EXPECT_FALSE(Artwork::contains("no-such-image"));
    EXPECT_TRUE(Artwork::image("no-such-image").isNull());
    EXPECT_TRUE(Artwork::pixmap("no-such-image").isNull());
    EXPECT_FALSE(Artwork::designSize("no-such-image").isValid());

    EXPECT_FALSE(Artwork::addSvg("test_broken", "<svg this is not"));
    EXPECT_FALSE(Artwork::contains("test_broken"));

    ASSERT_TRUE(
        Artwork::addSvg("test_square", R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="8">
        <rect width="10" height="8" fill="#ff0000"/></svg>)"));
    EXPECT_EQ(Artwork::designSize("test_square"), QSize(10, 8));
    EXPECT_EQ(Artwork::image("test_square").pixelColor(5, 4), QColor(255, 0, 0));

    // Replacing an image also replaces what was kept for reuse.
    const QPixmap before = Artwork::pixmap("test_square");
    Artwork::addPainted("test_square", QSize(10, 8),
                        [](QPainter& p, const QRectF& r) { p.fillRect(r, QColor(0, 0, 255)); });
    EXPECT_EQ(Artwork::pixmap("test_square").toImage().pixelColor(5, 4), QColor(0, 0, 255));
    EXPECT_EQ(before.toImage().pixelColor(5, 4), QColor(255, 0, 0));
}
