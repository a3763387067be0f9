// The usage bar graph and a bar's popover.
#include "ui/stats/StatsFont.h"
#include "ui/stats/StatsPopOverVC.h"
#include "ui/stats/ViewStatsUsage.h"

#include "core/Utils.h"
#include "ui/stats/StatsCellTable.h"
#include "ui/stats/TVCStatsPopOverVC.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QTest>

namespace {

StatsUsageObject child(const QString& id, const QString& alias, double bytes, const QColor& color)
{
    StatsUsageObject c;
    c.serverID = id;
    c.alias = alias;
    c.bytes = bytes;
    c.color = color;
    return c;
}

// `count` day bars, bar i holding one server's bytes[i].
QList<StatsUsageObject> bars(const QList<double>& bytes)
{
    QList<StatsUsageObject> out;
    for (int i = 0; i < bytes.size(); ++i) {
        StatsUsageObject bar;
        bar.type = 1;
        bar.bytes = bytes[i];
        bar.xLabel = QStringLiteral("Mar %1\r2024").arg(i + 1);
        bar.children = {child("1", "News A", bytes[i], QColor(200, 40, 40))};
        out.append(bar);
    }
    return out;
}

struct Graph
{
    ViewStatsUsage view;
    explicit Graph(int w = 600, int h = 300)
    {
        view.resize(w, h);
        view.show();
        spinEventLoop(10);
    }
    QImage shot() { return view.grab().toImage(); }
};

bool lighter(const QImage& img, int x, int y, int bx, int by)
{
    return img.pixelColor(x, y).lightnessF() > img.pixelColor(bx, by).lightnessF() + 0.05;
}

} // namespace

// Grid of 7 columns in a 600 × 300 view: the vertical lines, the horizontal
// lines (given from the bottom: pixel row 300 − y − 1), each a crisp pixel.
TEST(ViewStatsUsage, GridLinesOf600By300WithSevenBars)
{
    Graph g;
    g.view.updateContent(bars({0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(g.view.gridwidth(), 480);
    EXPECT_EQ(g.view.maxheight(), 250);
    const QImage img = g.shot();
    const int xs[] = {90, 158, 227, 295, 364, 432, 501, 570};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(g.view.columnEdge(i), xs[i]);
        EXPECT_TRUE(lighter(img, xs[i], 150, xs[i] + 3, 150)) << xs[i];
        EXPECT_FALSE(lighter(img, xs[i] - 1, 150, xs[i] + 3, 150)) << xs[i];
    }
    const int ys[] = {40, 101, 164, 226, 289};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g.view.gridLineY(i), ys[i]);
        const int row = 300 - ys[i] - 1;
        EXPECT_TRUE(lighter(img, 120, row, 120, row - 3)) << ys[i];
        EXPECT_FALSE(lighter(img, 120, row + 1, 120, row - 3)) << ys[i];
    }
}

// The tallest column ends 10 points below the top; the others in scale; a
// point of background right of each column.
TEST(ViewStatsUsage, TheTallestColumnEndsTenPointsBelowTheTop)
{
    Graph g;
    g.view.updateContent(bars({100, 200, 300, 400, 500, 600, 4000000}));
    const QImage img = g.shot();
    const QColor red(200, 40, 40);
    const int mid = (501 + 569) / 2;
    EXPECT_EQ(img.pixelColor(mid, 10), red);
    EXPECT_NE(img.pixelColor(mid, 9), red);
    EXPECT_EQ(img.pixelColor(mid, 259), red); // down to the base line
    EXPECT_NE(img.pixelColor(mid, 260), red);
    EXPECT_EQ(img.pixelColor(568, 100), red);
    EXPECT_NE(img.pixelColor(569, 100), red); // the gap
    EXPECT_EQ(g.view.parentsArray()[6].children[0].height, 250);
    EXPECT_EQ(g.view.parentsArray()[0].children[0].height, 0); // 100 × 250 / 4e6 rounds to 0
    EXPECT_EQ(g.view.yLabels(),
              QStringList({Utils::formatBytes(0), Utils::formatBytes(1e6), Utils::formatBytes(2e6),
                           Utils::formatBytes(3e6), Utils::formatBytes(4e6)}));
    EXPECT_TRUE(g.view.noDataTextField()->isHidden());
}

// Heights follow the size the view has now, not the one it had when the
// figures arrived.
TEST(ViewStatsUsage, HeightsFollowTheCurrentSize)
{
    Graph g(600, 220);
    g.view.updateContent(bars({50, 100}));
    EXPECT_EQ(g.view.parentsArray()[1].children[0].height, 170);
    g.view.resize(600, 300);
    spinEventLoop(10);
    EXPECT_EQ(g.view.parentsArray()[1].children[0].height, 250);
    EXPECT_EQ(g.view.parentsArray()[0].children[0].height, 125);
    EXPECT_EQ(g.shot().pixelColor(100, 12), QColor(g.view.backgroundColor().rgb()));
    EXPECT_EQ(g.shot().pixelColor(100, 135), QColor(200, 40, 40));
}

// No bars: 7 empty, unlabelled columns that no click hits; no traffic:
// heights 0 and the no-data text.
TEST(ViewStatsUsage, EmptyContentAndNoTraffic)
{
    Graph g;
    g.view.updateContent({});
    EXPECT_EQ(g.view.columnEdge(7), 570);
    EXPECT_EQ(g.view.barAt(120), 0);
    EXPECT_FALSE(g.view.noDataTextField()->isHidden());
    g.view.grab(); // draws without touching a missing bar
    QTest::mouseClick(&g.view, Qt::LeftButton, {}, QPoint(120, 150));
    EXPECT_EQ(g.view.statsPopOverVC(), nullptr);

    g.view.updateContent(bars({0, 0, 0}));
    for (const StatsUsageObject& bar : g.view.parentsArray())
        EXPECT_EQ(bar.children[0].height, 0);
    EXPECT_EQ(g.view.yLabels(), QStringList(5, Utils::formatBytes(0)));
    EXPECT_FALSE(g.view.noDataTextField()->isHidden());
}

TEST(ViewStatsUsage, NarrowColumnsShareTheirLabels)
{
    const struct
    {
        int bars;
        qint64 step;
    } cases[] = {{30, 3}, {7, 1}, {1, 1}, {12, 1}, {13, 2}};
    Graph g;
    for (const auto& c : cases) {
        g.view.updateContent(bars(QList<double>(c.bars, 1.0)));
        EXPECT_EQ(g.view.labelStep(), c.step) << c.bars;
    }
    g.view.updateContent(bars(QList<double>(30, 1.0)));
    EXPECT_EQ(g.view.columnEdge(1) - g.view.columnEdge(0), 16);
    // One bar: the whole grid less the gap.
    g.view.updateContent(bars({5}));
    EXPECT_EQ(g.view.parentsArray()[0].xStart, 90);
    EXPECT_EQ(g.view.parentsArray()[0].xEnd, 569);
}

// A click on either edge of a column opens its popover; the 1-point gap
// between two columns opens nothing.
TEST(ViewStatsUsage, ClicksOnEdgesHitAndTheGapDoesNot)
{
    Graph g;
    g.view.updateContent(bars({1, 2, 3, 4, 5, 6, 7}));
    const StatsUsageObject& second = g.view.parentsArray()[1];
    EXPECT_EQ(second.xStart, 158);
    EXPECT_EQ(second.xEnd, 226);
    EXPECT_EQ(g.view.barAt(158), 2);
    EXPECT_EQ(g.view.barAt(226), 2);
    EXPECT_EQ(g.view.barAt(226.5), 0);
    EXPECT_EQ(g.view.barAt(227), 3);
    EXPECT_EQ(g.view.barAt(89), 0);

    QTest::mouseClick(&g.view, Qt::LeftButton, {}, QPoint(226, 290));
    ASSERT_NE(g.view.statsPopOverVC(), nullptr);
    EXPECT_TRUE(g.view.statsPopOverVC()->isVisible());
    EXPECT_TRUE(g.view.statsPopOverVC()->windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(g.view.statsPopOverVC()->dateRangeTextField()->text(), "Mar 2 2024");
}

// Without a mouse: Left and Right choose a column, Return opens it.
TEST(ViewStatsUsage, TheKeyboardOpensAColumn)
{
    Graph g;
    g.view.updateContent(bars({1, 2, 3}));
    QTest::keyClick(&g.view, Qt::Key_Return);
    EXPECT_EQ(g.view.statsPopOverVC(), nullptr); // no column chosen yet
    QTest::keyClick(&g.view, Qt::Key_Right);
    QTest::keyClick(&g.view, Qt::Key_Right);
    EXPECT_EQ(g.view.keyboardBar(), 2);
    QTest::keyClick(&g.view, Qt::Key_Left);
    QTest::keyClick(&g.view, Qt::Key_Left); // stays on the first
    QTest::keyClick(&g.view, Qt::Key_Return);
    ASSERT_NE(g.view.statsPopOverVC(), nullptr);
    EXPECT_EQ(g.view.statsPopOverVC()->dateRangeTextField()->text(), "Mar 1 2024");
    g.view.updateContent({});
    EXPECT_EQ(g.view.keyboardBar(), 0);
}

TEST(StatsPopOverVC, RowsFromTheTopOfTheColumnDown)
{
    StatsUsageObject bar;
    bar.bytes = 600;
    bar.xLabel = QStringLiteral("Mar 5\r2024");
    bar.children = {child("a", "A", 100, Qt::red), child("b", "B", 200, Qt::green), child("c", "C", 300, Qt::blue)};
    StatsPopOverVC popover(bar);
    EXPECT_EQ(popover.dateRangeTextField()->text(), "Mar 5 2024");
    EXPECT_EQ(popover.totalBytesTextField()->text(), "Total: " + Utils::formatBytes(600));
    ASSERT_EQ(popover.tableView()->rowCount(), 3);
    QStringList rows;
    for (int r = 0; r < 3; ++r) {
        auto* cell = qobject_cast<TVCStatsPopOverVC*>(popover.tableView()->rowView(r));
        ASSERT_NE(cell, nullptr);
        rows << cell->serverAlias()->text() + "=" + cell->bytes()->text();
    }
    EXPECT_EQ(rows, QStringList({"C=" + Utils::formatBytes(300), "B=" + Utils::formatBytes(200),
                                 "A=" + Utils::formatBytes(100)}));
    EXPECT_TRUE(popover.noDataTextField()->isHidden());

    // A period without records: no rows, the no-data text, an empty label.
    StatsUsageObject empty;
    empty.children = {StatsUsageObject()};
    StatsPopOverVC none(empty);
    EXPECT_EQ(none.tableView()->rowCount(), 0);
    EXPECT_FALSE(none.noDataTextField()->isHidden());
    EXPECT_EQ(none.dateRangeTextField()->text(), "");
    EXPECT_EQ(none.totalBytesTextField()->text(), "Total: " + Utils::formatBytes(0));
}

// "Arial" where installed, else the default family: a real font either way.
TEST(StatsFont, ArialOrTheDefaultFamily)
{
    const QFont f = StatsFont::arial(10);
    EXPECT_EQ(f.pixelSize(), 10);
    EXPECT_FALSE(QFontInfo(f).family().isEmpty());
}
