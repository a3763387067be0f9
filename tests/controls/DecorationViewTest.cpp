#include "controls/HorizontalLine.h"
#include "controls/SRGB.h"
#include "controls/TVLView.h"
#include "controls/ViewBottom.h"
#include "controls/ViewColorBox.h"
#include "controls/ViewFooter.h"
#include "controls/ViewHeader.h"
#include "controls/ViewLeftSideBar.h"
#include "controls/ViewMain.h"
#include "controls/ViewOrangeLed.h"
#include "controls/ViewRedLed.h"
#include "controls/ViewTitleBarBottom.h"
#include "controls/ViewTitleBarMain.h"
#include "controls/ViewTitleBarMainGray.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <memory>
#include <utility>
#include <vector>

namespace {
using Fills = std::vector<std::pair<QRect, QColor>>;

std::string describe(const Fills& fills)
{
    std::string out;
    for (const auto& [r, c] : fills) {
        out += std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
               std::to_string(r.height()) + " " + c.name(QColor::HexArgb).toStdString() + "; ";
    }
    return out;
}

Fills fillsOf(const QColor& a, const QRect& ra)
{
    return {{ra, a}};
}
} // namespace

TEST(DecorationViews, EachViewPaintsItsColoursAndEdgeLines)
{
    const QRect b(0, 0, 100, 30);
    struct Row
    {
        std::unique_ptr<FlatColorView> view;
        Fills expected;
    };
    std::vector<Row> rows;
    rows.push_back({std::make_unique<ViewMain>(), fillsOf(grey(0.878), b)});
    rows.push_back({std::make_unique<ViewBottom>(), fillsOf(grey(0.902), b)});
    rows.push_back({std::make_unique<ViewHeader>(),
                    {{QRect(0, 0, 100, 29), grey(0.902)}, {QRect(0, 29, 100, 1), grey(0.78)}}});
    rows.push_back({std::make_unique<ViewFooter>(),
                    {{QRect(0, 1, 100, 29), grey(0.871)}, {QRect(0, 0, 100, 1), grey(0.757)}}});
    rows.push_back({std::make_unique<ViewLeftSideBar>(),
                    {{QRect(0, 0, 99, 30), srgb(0.271, 0.294, 0.325)}, {QRect(99, 0, 1, 30), grey(0.0)}}});
    rows.push_back({std::make_unique<ViewTitleBarMain>(),
                    {{QRect(0, 0, 100, 29), srgb(0.22, 0.243, 0.263)}, {QRect(0, 29, 100, 1), grey(0.0)}}});
    rows.push_back({std::make_unique<ViewTitleBarMainGray>(), {{QRect(0, 29, 100, 1), grey(0.702)}}});
    rows.push_back({std::make_unique<ViewTitleBarBottom>(),
                    {{QRect(0, 1, 100, 29), srgb(0.2, 0.23, 0.26)},
                     {QRect(0, 0, 100, 1), grey(0.0)},
                     {QRect(0, 29, 100, 1), grey(0.0)}}});
    rows.push_back({std::make_unique<ViewOrangeLed>(), fillsOf(srgb(0.996, 0.769, 0.522), b)});
    rows.push_back({std::make_unique<ViewRedLed>(), fillsOf(srgb(0.996, 0.522, 0.522), b)});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.view->metaObject()->className());
        EXPECT_EQ(describe(row.view->fills(b)), describe(row.expected));
    }
}

TEST(DecorationViews, LineAndColourBoxColours)
{
    HorizontalLine line;
    line.awakeFromNib();
    EXPECT_EQ(line.color(), grey(0.835));
    HorizontalLine given;
    given.setColor(Qt::red);
    given.awakeFromNib();
    EXPECT_EQ(given.color(), QColor(Qt::red));

    ViewColorBox box;
    EXPECT_FALSE(box.bgcolor().isValid());
    QSignalSpy spy(&box, &ViewColorBox::bgcolorChanged);
    box.setBgcolor(Qt::green);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(box.property("bgcolor").value<QColor>(), QColor(Qt::green));
}

TEST(TVLView, SideBordersRunBetweenTopAndBottomAndTheBackgroundFillsTheRest)
{
    const QRect b(0, 0, 50, 20);
    TVLView left;
    left.setLeftBorderColor(Qt::red);
    left.setBackgroundColor(Qt::white);
    EXPECT_EQ(describe(left.fills(b)),
              describe({{QRect(0, 0, 1, 20), QColor(Qt::red)}, {QRect(1, 0, 49, 20), QColor(Qt::white)}}));

    TVLView all;
    all.setTopBorderColor(Qt::red);
    all.setBottomBorderColor(Qt::green);
    all.setRightBorderColor(Qt::blue);
    all.setLeftBorderColor(Qt::yellow);
    EXPECT_EQ(describe(all.fills(b)), describe({{QRect(0, 0, 50, 1), QColor(Qt::red)},
                                                {QRect(0, 19, 50, 1), QColor(Qt::green)},
                                                {QRect(49, 1, 1, 18), QColor(Qt::blue)},
                                                {QRect(0, 1, 1, 18), QColor(Qt::yellow)}}));
    TVLView none;
    EXPECT_TRUE(none.fills(b).empty());
}
