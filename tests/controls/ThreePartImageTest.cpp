#include "controls/ButtonCellTBBlue.h"
#include "controls/ButtonCellTBDark.h"
#include "controls/ButtonCellTBDarkOnOff.h"
#include "controls/ButtonCellTBRed.h"
#include "controls/PopupButtonCellBlue.h"
#include "controls/PopupButtonCellTBDark.h"
#include "controls/PopupButtonTransparent.h"
#include "controls/ThreePartImageCell.h"
#include "controls/ViewToolbar.h"

#include "StandInPixmaps.h"

#include <gtest/gtest.h>

#include <QImage>

using Artwork = ThreePartImageCell::Artwork;

namespace {
QColor at(const QPixmap& pm, int x, int y)
{
    return QColor(pm.toImage().pixel(x, y));
}
} // namespace

TEST(ThreePartImage, ArtworkIsCutIntoCapsAndWhatLiesBetween)
{
    const QPixmap art = StandInPixmaps::capsAndMiddle(QSize(80, 20), 4, 14, Qt::red, Qt::blue);
    const ThreePartImageCell::Pieces pieces = ThreePartImageCell::makeThreepartImage(art, 4, 47, 14);
    ASSERT_EQ(pieces.size(), 3);
    const QPixmap lp = pieces.value("lp"), mp = pieces.value("mp"), rp = pieces.value("rp");
    EXPECT_EQ(lp.size(), QSize(4, 20));
    // The middle width argument does not enter: 80 - 4 - 14.
    EXPECT_EQ(mp.size(), QSize(62, 20));
    EXPECT_EQ(rp.size(), QSize(14, 20));
    EXPECT_EQ(at(lp, 3, 10), QColor(Qt::red));
    EXPECT_EQ(at(mp, 0, 10), QColor(Qt::blue));
    EXPECT_EQ(at(mp, 61, 10), QColor(Qt::blue));
    EXPECT_EQ(at(rp, 0, 10), QColor(Qt::red));

    // Artwork narrower than its caps has no middle.
    const QPixmap narrow = StandInPixmaps::capsAndMiddle(QSize(6, 20), 3, 3, Qt::red, Qt::blue);
    const auto thin = ThreePartImageCell::makeThreepartImage(narrow, 4, 57, 4);
    EXPECT_TRUE(thin.value("mp").isNull());
    EXPECT_EQ(thin.value("lp").width(), 4);
    // The toolbar view offers the same cutting.
    EXPECT_EQ(ViewToolbar::makeThreepartImage(art, 4, 47, 14).value("mp").size(), QSize(62, 20));
}

TEST(ThreePartImage, EachClassChoosesArtworkAndTitleAlphaByState)
{
    ButtonCellTBDark dark;
    ButtonCellTBDarkOnOff darkOnOff;
    ButtonCellTBBlue blue;
    ButtonCellTBRed red;
    PopupButtonCellTBDark popDark;
    PopupButtonCellBlue popBlue;
    PopupButtonTransparent popClear;
    struct Row
    {
        const ThreePartImageCell* cell;
        const char* name;
        // artwork and alpha for: resting, pressed, on (not pressed), disabled, disabled+on
        Artwork art[5];
        double alpha[5];
    };
    const Artwork N = Artwork::Normal, H = Artwork::High, I = Artwork::Inactive;
    const Row rows[] = {
        {&dark.cell(), "TBDark", {N, H, N, I, I}, {1.0, 0.7, 1.0, 0.5, 0.5}},
        {&darkOnOff.cell(), "TBDarkOnOff", {N, H, H, I, I}, {0.7, 1.0, 1.0, 0.3, 0.5}},
        {&blue.cell(), "TBBlue", {N, H, N, I, I}, {1.0, 1.0, 1.0, 0.5, 0.5}},
        {&red.cell(), "TBRed", {N, H, N, I, I}, {1.0, 1.0, 1.0, 0.5, 0.5}},
        {&popDark.cell(), "PopTBDark", {N, H, N, I, I}, {0.7, 0.7, 0.7, 0.3, 0.3}},
        {&popBlue.cell(), "PopBlue", {N, H, N, I, I}, {1.0, 1.0, 1.0, 0.5, 0.5}},
        {&popClear.cell(), "PopTransparent", {N, N, N, I, I}, {0.8, 0.8, 0.8, 0.3, 0.3}},
    };
    struct State
    {
        bool enabled, pressed, on;
    };
    const State states[5] = {{true, false, false},
                             {true, true, false},
                             {true, false, true},
                             {false, false, false},
                             {false, false, true}};
    for (const Row& row : rows) {
        for (int s = 0; s < 5; ++s) {
            SCOPED_TRACE(std::string(row.name) + " state " + std::to_string(s));
            const State& st = states[s];
            EXPECT_EQ(row.cell->artworkFor(st.enabled, st.pressed, st.on), row.art[s]);
            EXPECT_DOUBLE_EQ(row.cell->titleAlpha(st.enabled, st.pressed, st.on), row.alpha[s]);
        }
    }
    EXPECT_TRUE(darkOnOff.isCheckable());
    EXPECT_FALSE(dark.isCheckable());
}

TEST(ThreePartImage, ArtworkNamesCapsShadowsAndTitleRectangles)
{
    ButtonCellTBDark dark;
    PopupButtonCellTBDark popDark;
    PopupButtonCellBlue popBlue;
    PopupButtonTransparent popClear;
    ButtonCellTBRed red;
    EXPECT_EQ(dark.artworkNames(), (QStringList{"btn_tb_dark", "btn_tb_dark_hi", "btn_tb_dark_in"}));
    EXPECT_EQ(red.artworkNames(), (QStringList{"btn_tb_red", "btn_tb_red_hi", "btn_tb_red_in"}));
    EXPECT_EQ(popDark.artworkNames(), (QStringList{"pop_tb_dark", "pop_tb_dark_in"}));
    EXPECT_EQ(popBlue.artworkNames(), (QStringList{"btn_tb_blue", "btn_tb_blue_in"}));
    EXPECT_EQ(popClear.artworkNames(), (QStringList{"pop_transparent", "pop_transparent_in"}));

    const QRectF frame(0, 0, 100, 24);
    EXPECT_EQ(dark.cell().titleRect(frame), frame);
    EXPECT_EQ(popDark.cell().titleRect(frame), QRectF(0, 0, 85, 24));
    EXPECT_EQ(popBlue.cell().titleRect(frame), QRectF(0, -1, 93, 24));
    EXPECT_EQ(popClear.cell().titleRect(frame), QRectF(0, -1, 85, 24));
    EXPECT_TRUE(popBlue.cell().style().titleShadow);
    EXPECT_FALSE(popClear.cell().style().titleShadow);
    EXPECT_EQ(dark.cell().style().middle, 57);
    EXPECT_EQ(popDark.cell().style().rightCap, 14);

    // One artwork serves the resting and the pressed look of the dark pop-up;
    // the inactive look keeps the registry's artwork it was built with.
    const QPixmap art = StandInPixmaps::capsAndMiddle(QSize(70, 22), 4, 14, Qt::darkGray, Qt::gray);
    const int registryMiddle = popDark.cell().imgInactive().value("mp").width();
    ASSERT_GT(registryMiddle, 0);
    ASSERT_NE(registryMiddle, 52);
    popDark.setArtwork(QStringLiteral("pop_tb_dark"), art);
    EXPECT_EQ(popDark.cell().imgNormal().value("mp").width(), 52);
    EXPECT_EQ(popDark.cell().imgHigh().value("mp").width(), 52);
    EXPECT_EQ(popDark.cell().imgInactive().value("mp").width(), registryMiddle);
    // The transparent pop-up has no pressed artwork at all.
    popClear.setArtwork(QStringLiteral("pop_transparent"), art);
    EXPECT_TRUE(popClear.cell().imgHigh().isEmpty());
    // A name the button does not use is ignored.
    const qint64 before = dark.cell().imgNormal().value("mp").cacheKey();
    dark.setArtwork(QStringLiteral("btn_tb_blue"), art);
    EXPECT_EQ(dark.cell().imgNormal().value("mp").cacheKey(), before);
}

TEST(ThreePartImage, ButtonsReportTheArtworkTheyShow)
{
    ButtonCellTBDarkOnOff onOff;
    EXPECT_EQ(onOff.currentArtwork(), Artwork::Normal);
    onOff.setChecked(true);
    EXPECT_EQ(onOff.currentArtwork(), Artwork::High);
    onOff.setEnabled(false);
    EXPECT_EQ(onOff.currentArtwork(), Artwork::Inactive);
    PopupButtonTransparent clear;
    clear.setDown(true);
    EXPECT_EQ(clear.currentArtwork(), Artwork::Normal);
}
