#include "controls/Artwork.h"
#include "controls/ButtonCellTBBlue.h"
#include "controls/ButtonCollapseLeft.h"
#include "controls/CheckBoxCellGray.h"
#include "controls/CoreArtwork.h"
#include "controls/PopupButtonTransparent.h"
#include "controls/TVLPopupButton.h"

#include "StandInPixmaps.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QStyleOptionButton>
#include <QSvgRenderer>

namespace {

// Every image the controls and the pages ask for by name, the side-bar
// glyphs, the program icon and the one platform image the dialogs use.
const char* const kNamedImages[] = {
    "btn_tb_blue", "btn_tb_blue_hi", "btn_tb_blue_in", "btn_tb_red", "btn_tb_red_hi", "btn_tb_red_in",
    "btn_tb_dark", "btn_tb_dark_hi", "btn_tb_dark_in", "pop_tb_dark", "pop_tb_dark_in", "pop_transparent",
    "pop_transparent_in", "btn_collapse_bottom", "btn_collapse_bottom_hi", "btn_collapse_bottom_dark",
    "btn_collapse_bottom_dark_hi", "btn_collapse_left", "btn_collapse_left_hi", "btn_collapse_right",
    "btn_collapse_right_hi", "checkbox_gray", "checkbox_gray_in", "checkbox_tick", "checkbox_tick_in",
    "checkbox_tick_mixed", "checkbox_tick_mixed_in", "tvl_sf_cancel", "tvl_sf_cancel_hi",
    "tvl_sf_history_arrow", "tvl_sf_history_arrow_hi", "sf_bg_flat", "sf_searchcell", "sf_searchcell_hi",
    "sf_cancelcell", "sf_cancelcell_hi", "sf_icon_search_lightgray", "sf_icon_cancel_lightgray",
    "sf_icon_cancel_lightgray_hi", "dp_icon_pwd", "dp_icon_junk", "icon_bullet_header", "icon_bullet_new",
    "row_collapsed", "row_expanded", "img_searchhistory_id_gen", "img_searchhistory_id_ero",
    "btns_search_leftpane_header_history", "btns_search_leftpane_header_history_hi",
    "btns_search_leftpane_header_bookmarks", "btns_search_leftpane_header_bookmarks_hi",
    "btn_expand_searchfields_expand", "btn_expand_searchfields_collapse", "sf_icon_converter",
    "icon_nzbexport_finished",
    "icon_nzbexport_error", "btn_online", "btn_offline01", "btn_offline02", "grph_prgbarbg_lp",
    "grph_prgbarbg_mp", "grph_prgbarbg_rp", "lsb_icon_search", "lsb_icon_queue", "lsb_icon_watchdog",
    "lsb_icon_post", "lsb_icon_statistics", "lsb_icon_log", "NSApplicationIcon", "NSCaution"};

void expectClearCorners(const QImage& image, const char* name)
{
    const int r = image.width() - 1, b = image.height() - 1;
    for (const QPoint& corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << name << " " << image.width() << "x" << image.height()
                                                  << " corner " << corner.x() << "," << corner.y();
}

// How many pixels are not fully transparent.
int paintedPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}

// The sum of the alpha of every pixel: how much of the ground an image hides.
double coverage(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y)) / 255.0;
    return sum;
}

// The mean lightness of an image laid on white.
double lightnessOnWhite(const QImage& image)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    double sum = 0;
    for (int y = 0; y < flat.height(); ++y)
        for (int x = 0; x < flat.width(); ++x)
            sum += QColor(flat.pixel(x, y)).lightnessF();
    return sum / (flat.width() * flat.height());
}

int differingPixels(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Pixels darker than mid grey, with enough alpha to be seen.
int darkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.alpha() > 128 && c.lightness() < 110;
        }
    return n;
}

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(ControlsArtwork, EveryNamedImageResolvesAndDrawsWithClearCorners)
{
    for (const char* name : kNamedImages) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Artwork::contains(QLatin1String(name)));
        const QSize design = Artwork::designSize(QLatin1String(name));
        const QImage atDesign = Artwork::image(QLatin1String(name));
        ASSERT_EQ(atDesign.size(), design);
        EXPECT_GT(paintedPixels(atDesign), design.width() * design.height() / 10);
        expectClearCorners(atDesign, name);
        const QImage small = Artwork::image(QLatin1String(name), QSize(24, 20));
        ASSERT_EQ(small.size(), QSize(24, 20));
        EXPECT_GT(paintedPixels(small), 24 * 20 / 10);
        expectClearCorners(small, name);
    }
}

TEST(ControlsArtwork, ThreePartArtworkIsWiderThanItsCapsSoTheMiddleIsNeverEmpty)
{
    struct Case
    {
        const char* name;
        int leftCap, rightCap;
    };
    const Case cases[] = {
        {"btn_tb_blue", 4, 4},    {"btn_tb_blue_hi", 4, 4},    {"btn_tb_blue_in", 4, 4},
        {"btn_tb_red", 4, 4},     {"btn_tb_red_hi", 4, 4},     {"btn_tb_red_in", 4, 4},
        {"btn_tb_dark", 4, 4},    {"btn_tb_dark_hi", 4, 4},    {"btn_tb_dark_in", 4, 4},
        {"btn_tb_blue", 4, 14},   {"btn_tb_blue_in", 4, 14},   {"pop_tb_dark", 4, 14},
        {"pop_tb_dark_in", 4, 14}, {"pop_transparent", 4, 14}, {"pop_transparent_in", 4, 14},
        {"sf_bg_flat", 6, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " caps " << c.leftCap << "+" << c.rightCap);
        const QSize design = Artwork::designSize(QLatin1String(c.name));
        EXPECT_GT(design.width(), c.leftCap + c.rightCap);
        const auto pieces = ThreePartImageCell::makeThreepartImage(Artwork::pixmap(QLatin1String(c.name)),
                                                                   c.leftCap, 0, c.rightCap);
        const QPixmap middle = pieces.value(QStringLiteral("mp"));
        ASSERT_FALSE(middle.isNull());
        EXPECT_GT(qAlpha(middle.toImage().pixel(middle.width() / 2, middle.height() / 2)), 0);
    }
}

TEST(ControlsArtwork, InactiveArtworkIsPalerAndHighArtworkDiffers)
{
    const char* const withInactive[] = {"btn_tb_blue",   "btn_tb_red",    "btn_tb_dark",
                                        "pop_tb_dark",   "pop_transparent", "checkbox_gray",
                                        "checkbox_tick", "checkbox_tick_mixed"};
    for (const char* name : withInactive) {
        SCOPED_TRACE(name);
        const QImage normal = Artwork::image(QLatin1String(name));
        const QImage inactive = Artwork::image(QLatin1String(name) + QStringLiteral("_in"));
        ASSERT_EQ(inactive.size(), normal.size());
        EXPECT_LT(coverage(inactive), 0.6 * coverage(normal));
        EXPECT_GE(lightnessOnWhite(inactive), lightnessOnWhite(normal));
    }
    const char* const withHigh[] = {"btn_tb_blue",
                                    "btn_tb_red",
                                    "btn_tb_dark",
                                    "btn_collapse_bottom",
                                    "btn_collapse_bottom_dark",
                                    "btn_collapse_left",
                                    "btn_collapse_right",
                                    "tvl_sf_cancel",
                                    "tvl_sf_history_arrow",
                                    "sf_searchcell",
                                    "sf_cancelcell",
                                    "sf_icon_cancel_lightgray",
                                    "btns_search_leftpane_header_history",
                                    "btns_search_leftpane_header_bookmarks"};
    for (const char* name : withHigh) {
        SCOPED_TRACE(name);
        const QImage plain = Artwork::image(QLatin1String(name));
        const QImage high = Artwork::image(QLatin1String(name) + QStringLiteral("_hi"));
        ASSERT_EQ(high.size(), plain.size());
        // A visible change, not a few stray pixels.
        EXPECT_GT(differingPixels(plain, high), plain.width() * plain.height() / 8);
    }
}

TEST(ControlsArtwork, ACheckBoxShowsItsTickOnlyForANonZeroValue)
{
    CheckBoxCellGray box;
    box.setTristate(true);
    box.resize(24, 24);
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    ASSERT_FALSE(indicator.isEmpty());

    box.setCheckState(Qt::Unchecked);
    const QImage unchecked = box.grab().toImage();
    box.setCheckState(Qt::Checked);
    const QImage checked = box.grab().toImage();
    box.setCheckState(Qt::PartiallyChecked);
    const QImage mixed = box.grab().toImage();
    box.setEnabled(false);
    const QImage mixedDisabled = box.grab().toImage();

    // The box itself is light: only a tick is dark.
    EXPECT_EQ(darkPixels(unchecked, indicator), 0);
    EXPECT_GT(darkPixels(checked, indicator), 6);
    EXPECT_GT(darkPixels(mixed, indicator), 4);
    EXPECT_GT(differingPixels(checked, mixed), 6);
    // The disabled box draws the paler "_in" tick.
    EXPECT_LT(darkPixels(mixedDisabled, indicator), darkPixels(mixed, indicator));
    EXPECT_GT(differingPixels(mixed, mixedDisabled), 6);
}

TEST(ControlsArtwork, AButtonBuiltWithoutArtworkDrawsTheRegistrysCapsAndMiddle)
{
    ButtonCellTBBlue button;
    button.resize(120, 24);
    const QImage shot = button.grab().toImage();
    const QImage art = Artwork::image(QStringLiteral("btn_tb_blue"));
    ASSERT_EQ(art.height(), 24);
    struct Probe
    {
        int buttonX, artX;
        const char* part;
    };
    // The caps keep their width; the middle stretches.
    const Probe probes[] = {{1, 1, "left cap"}, {3, 3, "left cap"},      {60, 32, "middle"},
                            {116, 61, "right cap"}, {118, 63, "right cap"}};
    for (const Probe& p : probes) {
        // Away from the rounded corners, whose soft edge mixes with the ground.
        for (int y : {6, 12, 18}) {
            SCOPED_TRACE(testing::Message() << p.part << " x " << p.buttonX << " y " << y);
            const QColor drawn = shot.pixelColor(p.buttonX, y);
            const QColor source = art.pixelColor(p.artX, y);
            ASSERT_GT(source.alpha(), 200);
            EXPECT_TRUE(near(drawn, source)) << drawn.name().toStdString() << " vs " << source.name().toStdString();
        }
    }
    // Pressed shows the "_hi" artwork, disabled the "_in" one.
    button.setDown(true);
    EXPECT_TRUE(near(button.grab().toImage().pixelColor(60, 12),
                     Artwork::image(QStringLiteral("btn_tb_blue_hi")).pixelColor(32, 12)));
}

TEST(ControlsArtwork, ArtworkNarrowerThanItsCapsDrawsOnlyTheCaps)
{
    ThreePartImageCell cell(PopupButtonTransparent::style());
    cell.setArtwork(QStringLiteral("pop_transparent"),
                    StandInPixmaps::capsAndMiddle(QSize(16, 20), 4, 12, Qt::red, Qt::blue));
    ASSERT_TRUE(cell.imgNormal().value(QStringLiteral("mp")).isNull());
    QImage canvas(100, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        cell.drawInterior(painter, QRectF(0, 0, 100, 20), true, false, false);
    }
    EXPECT_EQ(canvas.pixelColor(2, 10), QColor(Qt::red));
    EXPECT_EQ(qAlpha(canvas.pixel(50, 10)), 0);
    EXPECT_GT(qAlpha(canvas.pixel(95, 10)), 0);
}

TEST(ControlsArtwork, ADisabledCollapseButtonDrawsItsDividerAndKeepsItsImages)
{
    ButtonCollapseLeft button;
    button.resize(24, 24);
    button.setState(0);
    button.grab();
    const qint64 shown = button.image().cacheKey();
    EXPECT_EQ(shown, Artwork::pixmap(QStringLiteral("btn_collapse_left_hi")).cacheKey());
    button.setEnabled(false);
    button.setState(1);
    const QImage shot = button.grab().toImage();
    EXPECT_EQ(button.image().cacheKey(), shown);
    EXPECT_EQ(shot.pixelColor(23, 12), QColor(194, 194, 194));
}

TEST(TVLPopupButton, AnItemImageMovesTheTitleToItsWidthPlus14)
{
    const auto firstTitleColumn = [](const QImage& image) {
        // The title is black; the item image is red and the arrow grey.
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128 && c.red() < 90 && c.green() < 90 && c.blue() < 90) return x;
            }
        return -1;
    };
    TVLPopupButton plain;
    plain.resize(160, 22);
    plain.addItem(QStringLiteral("HHHH"));
    TVLPopupButton withImage;
    withImage.resize(160, 22);
    withImage.addItem(QStringLiteral("HHHH"), StandInPixmaps::plate(QSize(16, 16), Qt::red), 1);
    const int plainX = firstTitleColumn(plain.grab().toImage());
    const int imageX = firstTitleColumn(withImage.grab().toImage());
    EXPECT_GE(plainX, 10);
    EXPECT_LT(plainX, 14);
    EXPECT_GE(imageX, 16 + 14);
    EXPECT_LT(imageX, 16 + 18);
    // The arrow comes from the registry.
    EXPECT_EQ(plain.cell().arrowImage().cacheKey(),
              Artwork::pixmap(TVLPopupButtonCell::arrowImageName()).cacheKey());
}

TEST(ProgramIcon, TheInstalledSvgIsTheWindowIcon)
{
    QFile installed(QStringLiteral(BINORAMA_TEST_DATA "/../../data/icons/hicolor/scalable/apps/binorama.svg"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    QFile compiled(QString::fromLatin1(CoreArtwork::kProgramIconResource));
    ASSERT_TRUE(compiled.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), compiled.readAll());
    QSvgRenderer renderer(QString::fromLatin1(CoreArtwork::kProgramIconResource));
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize().width(), renderer.defaultSize().height());

    const QIcon icon = CoreArtwork::applicationIcon();
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const QPixmap pm = icon.pixmap(size, size);
        ASSERT_EQ(pm.size(), QSize(size, size));
        // The blue tile fills the middle; the corners stay clear.
        const QImage image = pm.toImage();
        EXPECT_GT(image.pixelColor(size / 2, size * 3 / 16).blue(), 150);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
}
