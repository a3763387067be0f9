// The usage page with the real engine and server list behind it: period
// buttons, range, legend, table, server filter.
#include "ui/stats/StatsUsageVC.h"

#include "StatsPageFixture.h"
#include "controls/CheckBoxCellGray.h"
#include "controls/ViewColorBox.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/stats/StatisticsVC.h"
#include "ui/stats/StatsButtonCellDark.h"
#include "ui/stats/StatsCellTable.h"
#include "ui/stats/StatsDateSelectorPopOverVC.h"
#include "ui/stats/StatsServerFilterPopOverVC.h"
#include "ui/stats/TVCStatsServerFilter.h"
#include "ui/stats/TVCStatsServerUsage.h"
#include "ui/stats/ViewServerFilterSelector.h"
#include "ui/stats/ViewServerName.h"
#include "ui/stats/ViewStatsDateSelector.h"
#include "ui/stats/ViewStatsUsage.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QTimer>

namespace {

class StatsPage : public StatsPageFixture
{
public:
    std::unique_ptr<StatsUsageVC> makePage()
    {
        auto page = std::make_unique<StatsUsageVC>(engine.get(), &servers);
        page->resize(1000, 640);
        return page;
    }
    static qint64 displayType() { return UserDefaults::standard().integerForKey("statsUsageDisplayType"); }
    static QList<bool> enabledButtons(const StatsUsageVC& page)
    {
        QList<bool> out;
        for (int t = 1; t <= 4; ++t)
            out << page.periodButton(t)->isEnabled();
        return out;
    }
    static QStringList tableRows(const StatsUsageVC& page)
    {
        QStringList out;
        for (int r = 0; r < page.tableviewUsagePerServer()->rowCount(); ++r) {
            auto* cell = qobject_cast<TVCStatsServerUsage*>(page.tableviewUsagePerServer()->rowView(r));
            out << cell->serverAlias()->text() + "=" + cell->bytes()->text();
        }
        return out;
    }
    static QStringList legend(const StatsUsageVC& page)
    {
        QStringList out;
        for (auto* item : page.viewServersBar()->findChildren<ViewServerName*>())
            out << QStringLiteral("%1@%2+%3").arg(item->nntpServer()->alias()).arg(item->x()).arg(item->width());
        return out;
    }
};

} // namespace

// Spans of 160, 161, 1121 and 4481 days: which period buttons stay usable
// and which grouping the page raises to.
TEST_F(StatsPage, LongSpansRaiseTheGrouping)
{
    auto page = makePage();
    const struct
    {
        qint64 span;
        QList<bool> enabled;
        qint64 type;
    } cases[] = {
        {160, {true, true, true, true}, 1},
        {161, {false, true, true, true}, 2},
        {1121, {false, false, true, true}, 3},
        {4481, {false, false, false, true}, 4},
    };
    for (const auto& c : cases) {
        setRange(today - c.span, today);
        page->setDisplayType(1);
        EXPECT_EQ(enabledButtons(*page), c.enabled) << c.span;
        EXPECT_EQ(displayType(), c.type) << c.span;
        EXPECT_TRUE(page->periodButton(c.type)->isChecked()) << c.span;
    }
    // Shortened again, the raised type stays and every button is usable.
    setRange(today - 3, today);
    page->queryNewData();
    EXPECT_EQ(enabledButtons(*page), QList<bool>({true, true, true, true}));
    EXPECT_EQ(displayType(), 4);
}

TEST_F(StatsPage, AnUnsetRangeBecomesTheLastWeekAndIsStored)
{
    setRange(0, 0);
    auto page = makePage();
    page->queryNewData();
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageStartDay"), today - 7);
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageEndDay"), today);
    EXPECT_EQ(page->viewStatsUsage()->totalbars(), 8);
    // No servers yet: the page says so where the table would be.
    EXPECT_FALSE(page->noServersTextField()->isHidden());
    EXPECT_TRUE(page->tableviewUsagePerServer()->isHidden());
    EXPECT_EQ(page->dateRangeTextField()->text(), "Feb 27 - Mar 05, 2024");

    // An end before the start becomes today; the start stays.
    setRange(today - 3, today - 9);
    page->queryNewData();
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageStartDay"), today - 3);
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageEndDay"), today);
}

TEST(StatsUsageVC, RangeTexts)
{
    const auto d = &StatsPageFixture::day;
    const struct
    {
        qint64 start, end;
        const char* text;
    } cases[] = {
        {d(2024, 3, 5), d(2024, 3, 5), "Mar 05, 2024"},
        {d(2024, 3, 5), d(2024, 3, 12), "Mar 05 - 12, 2024"},
        {d(2024, 3, 5), d(2024, 4, 2), "Mar 05 - Apr 02, 2024"},
        {d(2023, 12, 28), d(2024, 1, 4), "Dec 28, 2023 - Jan 04, 2024"},
        {d(2024, 3, 5), d(2025, 3, 5), "Mar 05, 2024 - Mar 05, 2025"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatsUsageVC::rangeText(c.start, c.end), c.text);
}

// The table lists every configured server, largest first, one without
// traffic last; the legend has every server, 5 points per character + 50.
TEST_F(StatsPage, TableTotalAndLegend)
{
    const NNTPServerObjectPtr a = addServer("Abc", Qt::red);
    const NNTPServerObjectPtr b = addServer("Bigger News", Qt::green);
    const NNTPServerObjectPtr c = addServer("Idle", Qt::blue);
    storeDay(a, today - 2, 1000);
    storeDay(b, today - 1, 5000);
    engine->addBytes(500, a->serverID());
    setRange(today - 7, today);
    auto page = makePage();
    page->show();
    spinEventLoop(10);

    EXPECT_EQ(tableRows(*page),
              QStringList({"Bigger News=" + Utils::formatBytes(5000), "Abc=" + Utils::formatBytes(1500),
                           "Idle=" + Utils::formatBytes(0)}));
    EXPECT_EQ(page->totalBytesTextField()->text(), Utils::formatBytes(6500) + " transfered");
    EXPECT_TRUE(page->noServersTextField()->isHidden());
    EXPECT_EQ(legend(*page), QStringList({"Abc@0+65", "Bigger News@65+105", "Idle@170+70"}));
    auto* swatch = qobject_cast<TVCStatsServerUsage*>(page->tableviewUsagePerServer()->rowView(0))->colorbox();
    EXPECT_EQ(swatch->bgcolor(), QColor(Qt::green));
    // Today's bar holds today's live count.
    EXPECT_EQ(page->viewStatsUsage()->parentsArray().last().bytes, 500);
}

TEST(ViewServerName, ItemGeometry)
{
    ViewServerName item(QRect(0, 0, 130, 27));
    EXPECT_EQ(item.aliasTextField()->geometry(), QRect(28, 0, 102, 22));
    EXPECT_EQ(item.colorBox()->size(), QSize(8, 8));
    EXPECT_EQ(ViewServerName::widthForAlias("abc"), 65);
}

// Unticking a server: saved with the servers, announced, its traffic left out
// of the bars, while legend and table still list it.
TEST_F(StatsPage, UntickingAServerHidesItsTrafficAndIsKept)
{
    const NNTPServerObjectPtr a = addServer("Alpha", Qt::red);
    const NNTPServerObjectPtr b = addServer("Beta", Qt::blue);
    engine->addBytes(300, a->serverID());
    engine->addBytes(700, b->serverID());
    setRange(today, today);
    auto page = makePage();
    page->show();
    spinEventLoop(10);
    ASSERT_EQ(page->viewStatsUsage()->parentsArray().size(), 1);
    EXPECT_EQ(page->viewStatsUsage()->parentsArray()[0].bytes, 1000);

    page->showServerFilterPopover();
    StatsServerFilterPopOverVC* filter = page->statsServerFilterPopOverVC();
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->windowFlags().testFlag(Qt::Popup));
    ASSERT_EQ(filter->tableView()->rowCount(), 2);
    auto* row = qobject_cast<TVCStatsServerFilter*>(filter->tableView()->rowView(1));
    EXPECT_EQ(row->serverAlias()->text(), "Beta");
    EXPECT_TRUE(row->checkbox()->isChecked());

    int posted = 0;
    NotificationHub::defaultCenter().addObserver("RebuildStatsUsageGraph", page.get(),
                                                 [&](const Notification&) { ++posted; });
    row->checkbox()->click();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(b->showStats(), 0);
    EXPECT_EQ(page->viewStatsUsage()->parentsArray()[0].bytes, 300);
    EXPECT_EQ(tableRows(*page), QStringList({"Alpha=" + Utils::formatBytes(300), "Beta=" + Utils::formatBytes(0)}));
    EXPECT_EQ(legend(*page).size(), 2);

    // A row without a server changes nothing and announces nothing.
    filter->checkboxClicked(7, false);
    EXPECT_EQ(posted, 1);

    // Kept across a restart: the store has the flag.
    NNTPServersController again;
    ASSERT_EQ(again.arrayNNTPServers().size(), 2);
    EXPECT_EQ(again.arrayNNTPServers()[0]->showStats(), 1);
    EXPECT_EQ(again.arrayNNTPServers()[1]->showStats(), 0);
}

// The refresh timer runs only while the page is shown.
TEST_F(StatsPage, TheTimerRunsOnlyWhileShown)
{
    UserDefaults::standard().setInteger(3, "statsDataQueryInterval");
    auto page = makePage();
    EXPECT_FALSE(page->dataCollectTimer()->isActive());
    page->show();
    EXPECT_TRUE(page->guiIsStarted());
    EXPECT_TRUE(page->dataCollectTimer()->isActive());
    EXPECT_EQ(page->dataCollectTimer()->interval(), 3000);
    page->hide();
    EXPECT_FALSE(page->dataCollectTimer()->isActive());
}

// The "All" preset keeps its own start, not read as "unset" and turned
// into the last week.
TEST_F(StatsPage, TheAllPresetIsNotReadAsUnset)
{
    auto page = makePage();
    page->show();
    page->showDateSelectorPopover();
    ASSERT_NE(page->statsDateSelectorPopOverVC(), nullptr);
    page->statsDateSelectorPopOverVC()->btnClicked(6);
    spinEventLoop(10);
    EXPECT_EQ(page->statsDateSelectorPopOverVC(), nullptr); // dropped once a range is chosen
    page->queryNewData();
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageStartDay"),
              StatsDateSelectorPopOverVC::kAllTimeStartDay);
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsUsageEndDay"), today);
    EXPECT_EQ(page->dateSelectorTextField()->text(), "Jan 02, 1970 - Mar 05, 2024");
    EXPECT_EQ(displayType(), 4);
}

// The page as the main window makes it.
TEST_F(StatsPage, StatisticsVCHoldsTheUsagePage)
{
    StatisticsVC stats(engine.get(), &servers);
    EXPECT_EQ(stats.currentVCTag(), 1);
    ASSERT_NE(stats.statsUsageVC(), nullptr);
    EXPECT_EQ(stats.currentVC(), stats.statsUsageVC());
    stats.changeViewController(1);
    EXPECT_EQ(stats.findChildren<StatsUsageVC*>().size(), 1);
}

// The page as a user sees it: three servers over two weeks, one column's
// figures open. BINORAMA_SCREENSHOT names a PNG to keep the picture in.
TEST_F(StatsPage, ThreeServersOverTwoWeeksWithAColumnOpen)
{
    const NNTPServerObjectPtr servers3[] = {addServer("Main Hub", QColor(236, 112, 64)),
                                            addServer("Block Backup", QColor(70, 96, 160)),
                                            addServer("Fill", QColor(250, 214, 92))};
    for (int d = 0; d < 14; ++d) {
        if (d == 4 || d == 9) continue; // days without downloads
        storeDay(servers3[0], today - 14 + d, (3.0 + (d * 7 % 5)) * 1e9);
        storeDay(servers3[1], today - 14 + d, (0.4 + (d * 3 % 4) * 0.3) * 1e9);
        if (d % 3 == 0) storeDay(servers3[2], today - 14 + d, 0.15e9);
    }
    engine->addBytes(2.2e9, servers3[0]->serverID());
    engine->addBytes(0.6e9, servers3[1]->serverID());
    setRange(today - 13, today);
    QWidget window;
    window.resize(1100, 700);
    auto* page = new StatsUsageVC(engine.get(), &servers, &window);
    page->resize(window.size());
    page->setDisplayType(1);
    window.show();
    spinEventLoop(50);
    ViewStatsUsage* graph = page->viewStatsUsage();
    ASSERT_EQ(graph->totalbars(), 14);
    const StatsUsageObject& bar = graph->parentsArray()[10];
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(int(bar.xStart + 5), graph->height() / 2));
    spinEventLoop(50);
    StatsPopOverVC* popover = graph->statsPopOverVC();
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->tableView()->rowCount(), 2);

    QImage shot = window.grab().toImage();
    {
        QPainter p(&shot);
        p.drawImage(popover->mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0)), popover->grab().toImage());
    }
    if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty())
        shot.save(QString::fromLocal8Bit(out));
    // The popover lies inside the picture, below its column.
    const QPoint at = popover->mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0));
    EXPECT_TRUE(QRect(QPoint(0, 0), shot.size()).contains(QRect(at, popover->size())));
    EXPECT_EQ(legend(*page).size(), 3);
}

// The dark button: slate fill when on, clear when off, a half-white frame,
// the title faded when disabled.
TEST(StatsButtonCellDark, OnOffAndDisabled)
{
    QWidget back;
    back.setStyleSheet("background: black;");
    back.resize(100, 40);
    StatsButtonCellDark b("Week", &back);
    b.setGeometry(0, 0, 90, 28);
    back.show();
    spinEventLoop(10);
    auto pixel = [&](int x, int y) { return b.grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(pixel(6, 6).rgb(), QColor(Qt::black).rgb());
    b.setChecked(true);
    b.clearFocus(); // focus brightens the frame
    EXPECT_EQ(pixel(6, 6).rgb(), StatsButtonCellDark::onColor().rgb());
    EXPECT_NEAR(pixel(0, 14).lightnessF(), 0.5 * StatsButtonCellDark::onColor().lightnessF() + 0.5, 0.1);
    EXPECT_NEAR(StatsButtonCellDark::titleColor(false).alphaF(), 0.3, 0.01);
    EXPECT_EQ(StatsButtonCellDark::titleColor(true).alphaF(), 1.0f);
}
