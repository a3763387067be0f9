#include "controls/ButtonCellLSB.h"
#include "controls/ButtonCellToolbar.h"
#include "controls/ButtonCollapseBottom.h"
#include "controls/ButtonCollapseBottomDark.h"
#include "controls/ButtonCollapseLeft.h"
#include "controls/ButtonCollapseRight.h"
#include "controls/CheckBoxCellGray.h"
#include "controls/ViewLeftSideBar.h"

#include "StandInPixmaps.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(ButtonCollapse, ImagesFollowThePaneStateOnlyWhileEnabled)
{
    ButtonCollapseLeft button;
    button.resize(20, 20);
    for (const QString& name : button.artworkNames())
        button.setArtwork(name,
                          StandInPixmaps::glyph(QSize(12, 12), Qt::black, name.endsWith("_hi") ? "+" : "-"));

    // A shown pane (state off) carries the "_hi" artwork.
    button.setState(0);
    button.grab();
    EXPECT_EQ(button.imageName(), u"btn_collapse_left_hi");
    EXPECT_EQ(button.alternateImageName(), u"btn_collapse_left");
    EXPECT_FALSE(button.image().isNull());

    button.setState(1);
    button.grab();
    EXPECT_EQ(button.imageName(), u"btn_collapse_left");
    EXPECT_EQ(button.alternateImageName(), u"btn_collapse_left_hi");

    // A mixed state changes nothing.
    button.setState(-1);
    button.grab();
    EXPECT_EQ(button.imageName(), u"btn_collapse_left");

    // Disabled: the images stay as they were.
    button.setEnabled(false);
    button.setState(0);
    button.grab();
    EXPECT_EQ(button.imageName(), u"btn_collapse_left");
    button.setEnabled(true);
    button.grab();
    EXPECT_EQ(button.imageName(), u"btn_collapse_left_hi");
}

TEST(ButtonCollapse, ArtworkAndDividerPerClass)
{
    struct Row
    {
        std::unique_ptr<ButtonCollapse> button;
        const char* art;
        ButtonCollapse::Divider divider;
    };
    std::vector<Row> rows;
    rows.push_back(
        {std::make_unique<ButtonCollapseBottom>(), "btn_collapse_bottom", ButtonCollapse::Divider::None});
    rows.push_back({std::make_unique<ButtonCollapseBottomDark>(), "btn_collapse_bottom_dark",
                    ButtonCollapse::Divider::Left});
    rows.push_back(
        {std::make_unique<ButtonCollapseLeft>(), "btn_collapse_left", ButtonCollapse::Divider::Right});
    rows.push_back(
        {std::make_unique<ButtonCollapseRight>(), "btn_collapse_right", ButtonCollapse::Divider::Left});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.art);
        EXPECT_EQ(row.button->plainArtworkName(), QString::fromLatin1(row.art));
        EXPECT_EQ(row.button->hiArtworkName(), QString::fromLatin1(row.art) + "_hi");
        EXPECT_EQ(row.button->divider(), row.divider);
    }
}

TEST(CheckBoxCellGray, BoxAndTickArtworkByState)
{
    struct Case
    {
        bool enabled;
        Qt::CheckState state;
        QStringList names;
    };
    const Case cases[] = {
        {true, Qt::Unchecked, {"checkbox_gray"}},
        {false, Qt::Unchecked, {"checkbox_gray_in"}},
        {true, Qt::Checked, {"checkbox_gray", "checkbox_tick"}},
        {false, Qt::Checked, {"checkbox_gray_in", "checkbox_tick_in"}},
        {true, Qt::PartiallyChecked, {"checkbox_gray", "checkbox_tick_mixed"}},
        {false, Qt::PartiallyChecked, {"checkbox_gray_in", "checkbox_tick_mixed_in"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.join(" ").toStdString());
        EXPECT_EQ(CheckBoxCellGray::imageNamesFor(c.enabled, c.state), c.names);
    }
    EXPECT_EQ(CheckBoxCellGray::artworkNames().size(), 6);
}

TEST(SideBarAndToolbarButtons, TheSideBarButtonIsAToggleAndBothTakeImages)
{
    ButtonCellLSB lsb;
    EXPECT_TRUE(lsb.isCheckable());
    lsb.setImage(StandInPixmaps::plate(QSize(24, 24), Qt::white));
    EXPECT_FALSE(lsb.image().isNull());
    ButtonCellToolbar tool;
    EXPECT_FALSE(tool.isCheckable());
    tool.setAlternateImage(StandInPixmaps::plate(QSize(24, 24), Qt::white));
    EXPECT_FALSE(tool.alternateImage().isNull());
}

TEST(SideBarAndToolbarButtons, AnOffSideBarButtonPaintsOnlyItsBottomLineOverTheBar)
{
    ViewLeftSideBar bar;
    bar.resize(72, 140);
    auto* off = new ButtonCellLSB(&bar);
    off->setGeometry(0, 0, 71, 64);
    auto* on = new ButtonCellLSB(&bar);
    on->setGeometry(0, 64, 71, 64);
    on->setChecked(true);
    const QImage shot = bar.grab().toImage();
    const QColor barColour(69, 75, 83), line(45, 52, 57), lit(86, 94, 101);
    for (int y : {1, 30, 62}) {
        SCOPED_TRACE(y);
        EXPECT_EQ(shot.pixelColor(35, y), barColour);
    }
    EXPECT_EQ(shot.pixelColor(35, 63), line);
    EXPECT_EQ(shot.pixelColor(35, 64 + 30), lit);
    EXPECT_EQ(shot.pixelColor(35, 64 + 63), line);
}
