#include "ui/search/page/ButtonDPRowWithBG.h"
#include "ui/search/page/ButtonExpandSearchFields.h"
#include "ui/search/page/SplitViewSearch.h"

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

#include "ui/search/page/DeepLookupPagination.h"

namespace {

TEST(DeepLookupPagination, AsksEachPageUpToThePreviousPagesLastDate)
{
    DeepLookupPagination p;
    p.reset(1000);
    EXPECT_FALSE(p.getPageOffset());
    EXPECT_EQ(p.offsetText(), "0");
    EXPECT_EQ(p.limitText(), "1000");
    EXPECT_FALSE(p.previousPage());
    p.storePageOffset(1700000100);
    const struct
    {
        quint64 total;
        bool next;
    } cases[] = {{0, false}, {999, false}, {1000, true}, {5000, true}};
    for (const auto& c : cases) {
        p.setTotalMatchedFound(c.total);
        EXPECT_EQ(p.canGoNext(), c.next) << c.total;
    }
    p.nextPage();
    EXPECT_EQ(p.getPageOffset(), "1700000100");
    EXPECT_EQ(p.offsetText(), "1000");
    EXPECT_TRUE(p.canGoPrevious());
    // A page further than any seen has no date to ask from.
    p.nextPage();
    EXPECT_FALSE(p.getPageOffset());
    EXPECT_TRUE(p.previousPage());
    EXPECT_EQ(p.pageOffsets().value("0"), "1700000100");
    p.reset(50);
    EXPECT_TRUE(p.pageOffsets().isEmpty());
    EXPECT_EQ(p.paginationOffset(), 0u);
    EXPECT_EQ(p.totalMatchedFound(), 0u);
}

} // namespace
