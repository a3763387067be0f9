#include "ui/search/ButtonDPRowWithBG.h"
#include "ui/search/ButtonExpandSearchFields.h"
#include "ui/search/SplitViewSearch.h"

#include "controls/Artwork.h"
#include "platform/NotificationHub.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>

namespace {

TEST(SplitViewSearch, TellsEachChangeOfTheLeftPaneOnceAndKeepsTheResults)
{
    TempHome home;
    SplitViewSearch split;
    split.addWidget(new QLabel("left"));
    split.addWidget(new QLabel("results"));
    split.resize(800, 300);
    split.show();
    QObject owner;
    QList<bool> states;
    NotificationHub::defaultCenter().addObserver(SplitViewSearch::collapseStateChangedNotification(), &owner,
                                                 [&](const Notification& n) {
                                                     EXPECT_EQ(n.object, &split);
                                                     states << n.userInfo.value("state").toBool();
                                                 });
    split.setSizes({200, 599});
    split.setLeftPaneCollapsed(true);
    split.setLeftPaneCollapsed(true);
    split.resize(900, 300);
    split.setLeftPaneCollapsed(false, 250);
    split.setSizes({300, 599});
    EXPECT_EQ(states, QList<bool>({true, false}));
    EXPECT_TRUE(split.isCollapsible(0));
    EXPECT_FALSE(split.isCollapsible(1));
    EXPECT_EQ(split.handleWidth(), 1);
}

TEST(ButtonDPRowWithBG, ShowsAHoverImageOnlyWhereOneExists)
{
    TempHome home;
    const auto fill = [](QColor c) { return [c](QPainter& p, const QRectF& r) { p.fillRect(r, c); }; };
    Artwork::addPainted("test_marker", QSize(16, 16), fill(Qt::red));
    Artwork::addPainted("test_marker_hover", QSize(16, 16), fill(Qt::blue));
    EXPECT_EQ(ButtonDPRowWithBG::hoverImageName("test_marker"), "test_marker_hover");
    EXPECT_EQ(ButtonDPRowWithBG::hoverImageName("dp_icon_pwd"), "dp_icon_pwd");

    // At rest it is drawn dimmed, under the mouse at full strength.
    QImage rest(16, 16, QImage::Format_ARGB32_Premultiplied), hover = rest;
    rest.fill(Qt::white);
    hover.fill(Qt::white);
    {
        QPainter p(&rest);
        ButtonDPRowWithBG::paint(p, rest.rect(), "test_marker", false);
        QPainter q(&hover);
        ButtonDPRowWithBG::paint(q, hover.rect(), "test_marker", true);
    }
    EXPECT_NE(QColor(rest.pixel(8, 8)), QColor(Qt::red)); // 80 % over white
    EXPECT_EQ(QColor(hover.pixel(8, 8)), QColor(Qt::blue));
}

TEST(ButtonExpandSearchFields, ShowsTheArrowForWhatAClickWillDo)
{
    TempHome home;
    ButtonExpandSearchFields b;
    EXPECT_EQ(b.imageName(), "btn_expand_searchfields_expand");
    b.click();
    EXPECT_TRUE(b.isChecked());
    EXPECT_EQ(b.imageName(), "btn_expand_searchfields_collapse");
    EXPECT_TRUE(Artwork::contains(b.imageName()));
}

} // namespace
