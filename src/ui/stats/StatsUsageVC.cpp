#include "ui/stats/StatsUsageVC.h"

#include "core/StringFormat.h"
#include "core/Utils.h"
#include "nntp/NNTPServersController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "stats/StatsCalendar.h"
#include "stats/StatsUsageController.h"
#include "ui/stats/StatsButtonCellDark.h"
#include "ui/stats/StatsCellTable.h"
#include "ui/stats/StatsDateSelectorPopOverVC.h"
#include "ui/stats/StatsFont.h"
#include "ui/stats/StatsServerFilterPopOverVC.h"
#include "ui/stats/TVCStatsServerUsage.h"
#include "ui/stats/ViewServerFilterSelector.h"
#include "ui/stats/ViewServerName.h"
#include "ui/stats/ViewStatsDateSelector.h"
#include "ui/stats/ViewStatsUsage.h"
#include "ui/stats/ViewStatsUsageBG.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kDisplayType = QStringLiteral("statsUsageDisplayType");
const QString kStartDay = QStringLiteral("statsUsageStartDay");
const QString kEndDay = QStringLiteral("statsUsageEndDay");

// Spans from which a finer grouping would give too many bars.
constexpr qint64 kNoDaysFrom = 161;
constexpr qint64 kNoWeeksFrom = 1121;
constexpr qint64 kNoMonthsFrom = 4481;

QLabel* whiteLabel(QWidget* parent, const QString& name, int pixels, bool bold)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = StatsFont::arial(pixels);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}

} // namespace

StatsUsageVC::StatsUsageVC(StatsUsageController* statsUsageController, NNTPServersController* servers,
                           QWidget* parent)
    : QWidget(parent), statsUsageController_(statsUsageController), nntpServersController_(servers),
      dataCollectTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("StatsUsageVC"));
    buildView();
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(QStringLiteral("ApplicationDidStartGUI"), this,
                    [this](const Notification&) { applicationDidStartGUI(); });
    hub.addObserver(QStringLiteral("RebuildStatsUsageGraph"), this,
                    [this](const Notification&) { rebuildStatsUsageGraph(); });
    hub.addObserver(QStringLiteral("NNTPServerListChanged"), this,
                    [this](const Notification&) { rebuildStatsUsageGraph(); });
    connect(dataCollectTimer_, &QTimer::timeout, this, &StatsUsageVC::queryNewData);
}

StatsUsageVC::~StatsUsageVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void StatsUsageVC::buildView()
{
    auto* background = new ViewStatsUsageBG(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(background);

    auto* title = whiteLabel(background, QStringLiteral("titleTextField"), 20, true);
    title->setText(tr("Usage"));
    periodButtons_ = new QButtonGroup(this);
    periodButtons_->setExclusive(true);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(title);
    top->addSpacing(18);
    const char* titles[] = {"Day", "Week", "Month", "Year"};
    const char* names[] = {"btnDailyStats", "btnWeeklyStats", "btnMonthlyStats", "btnYearlyStats"};
    for (int type = 1; type <= 4; ++type) {
        auto* b = new StatsButtonCellDark(tr(titles[type - 1]), background);
        b->setObjectName(QString::fromLatin1(names[type - 1]));
        periodButtons_->addButton(b, type);
        top->addWidget(b);
    }
    connect(periodButtons_, &QButtonGroup::idClicked, this, [this](int type) { setDisplayType(type); });
    top->addStretch(1);
    viewStatsDateSelector_ = new ViewStatsDateSelector(background);
    viewStatsDateSelector_->setMinimumWidth(250);
    viewStatsDateSelector_->setToolTip(tr("Choose the days shown"));
    connect(viewStatsDateSelector_, &ViewStatsFramedField::clicked, this, &StatsUsageVC::showDateSelectorPopover);
    top->addWidget(viewStatsDateSelector_);
    viewServerFilterSelector_ = new ViewServerFilterSelector(background);
    viewServerFilterSelector_->setText(tr("Servers"));
    viewServerFilterSelector_->setMinimumWidth(120);
    viewServerFilterSelector_->setToolTip(tr("Choose the servers whose traffic is shown"));
    connect(viewServerFilterSelector_, &ViewStatsFramedField::clicked, this,
            &StatsUsageVC::showServerFilterPopover);
    top->addWidget(viewServerFilterSelector_);

    dateRangeTextField_ = whiteLabel(background, QStringLiteral("dateRangeTextField"), 14, true);
    viewServersBar_ = new QWidget(background);
    viewServersBar_->setObjectName(QStringLiteral("viewServersBar"));
    viewServersBar_->setFixedHeight(27);
    auto* legendRow = new QHBoxLayout;
    legendRow->addWidget(dateRangeTextField_);
    legendRow->addSpacing(24);
    legendRow->addWidget(viewServersBar_, 1);

    viewStatsUsage_ = new ViewStatsUsage(background);

    auto* tableTitle = whiteLabel(background, QStringLiteral("tableTitleTextField"), 13, true);
    tableTitle->setText(tr("Downloaded per server"));
    dateRangeTextField2_ = whiteLabel(background, QStringLiteral("dateRangeTextField2"), 13, false);
    auto* tableHead = new QHBoxLayout;
    tableHead->addWidget(tableTitle);
    tableHead->addSpacing(10);
    tableHead->addWidget(dateRangeTextField2_);
    tableHead->addStretch(1);
    tableviewUsagePerServer_ = new StatsCellTable(background);
    tableviewUsagePerServer_->setObjectName(QStringLiteral("tableviewUsagePerServer"));
    tableviewUsagePerServer_->setStyleSheet(tableviewUsagePerServer_->styleSheet() +
                                            QStringLiteral(" QLabel { color: white; }"));
    tableviewUsagePerServer_->setFixedHeight(4 * StatsCellTable::kRowHeight + 2);
    tableviewUsagePerServer_->setMaximumWidth(520);
    totalBytesTextField_ = whiteLabel(background, QStringLiteral("totalBytesTextField"), 13, true);
    totalBytesTextField_->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    noServersTextField_ = whiteLabel(background, QStringLiteral("noServersTextField"), 13, false);
    noServersTextField_->setText(tr("No news servers are set up yet: add one in Preferences, News Servers."));
    noServersTextField_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noServersTextField_->setFixedHeight(tableviewUsagePerServer_->height());
    noServersTextField_->hide();
    auto* tableRow = new QHBoxLayout;
    tableRow->addWidget(tableviewUsagePerServer_, 1);
    tableRow->addWidget(noServersTextField_, 1);
    tableRow->addStretch(1);
    tableRow->addWidget(totalBytesTextField_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(background);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addLayout(legendRow);
    layout->addWidget(viewStatsUsage_, 1);
    layout->addLayout(tableHead);
    layout->addLayout(tableRow);
}

StatsButtonCellDark* StatsUsageVC::periodButton(qint64 type) const
{
    return qobject_cast<StatsButtonCellDark*>(periodButtons_->button(int(type)));
}

QLabel* StatsUsageVC::dateSelectorTextField() const
{
    return viewStatsDateSelector_->textField();
}

// ---------------------------------------------------------------- start-up, timer

void StatsUsageVC::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!guiIsStarted_) applicationDidStartGUI();
    startTimer();
}

void StatsUsageVC::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    stopTimer();
}

void StatsUsageVC::applicationDidStartGUI()
{
    guiIsStarted_ = true;
    resetDictionaryToLastWeek();
    updateStyleButtons();
    updateServersBar();
}

void StatsUsageVC::resetDictionaryToLastWeek()
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("statsUseLastWeekWhenStarting")) || !statsUsageController_) return;
    const qint64 today = statsUsageController_->getCurrentDay();
    d.setInteger(today - 7, kStartDay);
    d.setInteger(today, kEndDay);
    d.synchronize();
}

void StatsUsageVC::startTimer()
{
    queryNewData();
    const qint64 seconds =
        std::max<qint64>(1, UserDefaults::standard().integerForKey(QStringLiteral("statsDataQueryInterval")));
    dataCollectTimer_->start(int(std::min<qint64>(seconds, 86400) * 1000));
}

void StatsUsageVC::stopTimer()
{
    dataCollectTimer_->stop();
}

// ---------------------------------------------------------------- period and range

void StatsUsageVC::setDisplayType(qint64 type)
{
    UserDefaults::standard().setInteger(type, kDisplayType);
    updateStyleButtons();
}

void StatsUsageVC::updateStyleButtons()
{
    const qint64 type = UserDefaults::standard().integerForKey(kDisplayType);
    if (type >= 1 && type <= 4) periodButton(type)->setChecked(true);
    updateDateSelectorTextField();
    queryNewData();
}

void StatsUsageVC::queryNewData()
{
    if (!statsUsageController_) return;
    UserDefaults& d = UserDefaults::standard();
    qint64 start = d.integerForKey(kStartDay);
    qint64 end = d.integerForKey(kEndDay);
    if (start != 0 && end != 0 && end >= start) return getStatsForDayRange(start, end);
    // 0 is "unset": the last week up to today, stored for the next time.
    const qint64 today = statsUsageController_->getCurrentDay();
    if (start == 0) start = today - 7;
    if (end == 0 || end < start) end = today;
    d.setInteger(start, kStartDay);
    d.setInteger(end, kEndDay);
    updateDateSelectorTextField();
    getStatsForDayRange(start, end);
}

void StatsUsageVC::getStatsForDayRange(qint64 startDay, qint64 endDay)
{
    checkIfDateRangeFits(startDay, endDay);
    const QList<StatsUsageObject> bars = statsUsageController_->collectDataForPeriod(startDay, endDay);
    viewStatsUsage_->updateContent(bars);
    buildUsagePerServerArray(bars);
}

void StatsUsageVC::checkIfDateRangeFits(qint64 startDay, qint64 endDay)
{
    const qint64 span = endDay - startDay;
    for (int type = 1; type <= 4; ++type)
        periodButton(type)->setEnabled(true);
    const struct
    {
        qint64 from;
        qint64 minimumType;
    } limits[] = {{kNoDaysFrom, 2}, {kNoWeeksFrom, 3}, {kNoMonthsFrom, 4}};
    for (const auto& limit : limits) {
        if (span < limit.from) break;
        for (qint64 type = 1; type < limit.minimumType; ++type)
            periodButton(type)->setEnabled(false);
        if (UserDefaults::standard().integerForKey(kDisplayType) < limit.minimumType)
            setDisplayType(limit.minimumType);
    }
}

void StatsUsageVC::buildUsagePerServerArray(const QList<StatsUsageObject>& bars)
{
    QList<StatsUsageObject> rows;
    QHash<QString, qsizetype> rowOfServer;
    if (nntpServersController_) {
        for (const NNTPServerObjectPtr& server : nntpServersController_->arrayNNTPServers()) {
            StatsUsageObject row;
            row.serverID = server->serverID();
            row.alias = server->alias();
            row.color = server->color();
            rowOfServer.insert(row.serverID, rows.size());
            rows.append(row);
        }
    }
    double total = 0;
    for (const StatsUsageObject& bar : bars) {
        for (const StatsUsageObject& child : bar.children) {
            const qsizetype row = rowOfServer.value(child.serverID, -1);
            if (row < 0) continue; // not configured any more
            rows[row].bytes += child.bytes;
            total += child.bytes;
        }
    }
    // Largest first; servers without traffic last, in list order.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const StatsUsageObject& a, const StatsUsageObject& b) { return a.bytes > b.bytes; });
    usagePerServerArray_ = rows;
    reloadTable();
    totalBytesTextField_->setText(sformat(u"%@ transfered", Utils::formatBytes(total)));
}

void StatsUsageVC::reloadTable()
{
    QList<QWidget*> views;
    for (const StatsUsageObject& row : std::as_const(usagePerServerArray_)) {
        auto* cell = new TVCStatsServerUsage;
        cell->setRow(row.color, row.alias, Utils::formatBytes(row.bytes));
        views.append(cell);
    }
    tableviewUsagePerServer_->setRowViews(views);
    tableviewUsagePerServer_->setVisible(!views.isEmpty());
    noServersTextField_->setVisible(views.isEmpty());
}

void StatsUsageVC::updateServersBar()
{
    for (QWidget* item : viewServersBar_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete item;
    if (!nntpServersController_) return;
    // Every server is in the legend, whatever its filter flag.
    int x = 0;
    for (const NNTPServerObjectPtr& server : nntpServersController_->arrayNNTPServers()) {
        const int width = ViewServerName::widthForAlias(server->alias());
        auto* item = new ViewServerName(QRect(x, 0, width, 27), viewServersBar_);
        item->setNntpServer(server);
        item->startBindings();
        item->show();
        x += width;
    }
    viewServersBar_->setMinimumWidth(x);
}

QString StatsUsageVC::rangeText(qint64 startDay, qint64 endDay)
{
    int sy = 1970, sm = 1, sd = 1, ey = 1970, em = 1, ed = 1;
    StatsCalendar::dateForDayNumber(startDay, sy, sm, sd);
    StatsCalendar::dateForDayNumber(endDay, ey, em, ed);
    const QString sMonth = StatsCalendar::monthName(sm), eMonth = StatsCalendar::monthName(em);
    const QString sDay = QStringLiteral("%1").arg(sd, 2, 10, QLatin1Char('0'));
    const QString eDay = QStringLiteral("%1").arg(ed, 2, 10, QLatin1Char('0'));
    if (sy == ey && sm == em && sd == ed) return sformat(u"%@ %@, %ld", sMonth, sDay, ey);
    if (sy == ey && sm == em) return sformat(u"%@ %@ - %@, %ld", sMonth, sDay, eDay, ey);
    if (sy == ey) return sformat(u"%@ %@ - %@ %@, %ld", sMonth, sDay, eMonth, eDay, ey);
    return sformat(u"%@ %@, %ld - %@ %@, %ld", sMonth, sDay, sy, eMonth, eDay, ey);
}

void StatsUsageVC::updateDateSelectorTextField()
{
    UserDefaults& d = UserDefaults::standard();
    const QString text = rangeText(d.integerForKey(kStartDay), d.integerForKey(kEndDay));
    viewStatsDateSelector_->setText(text);
    dateRangeTextField_->setText(text);
    dateRangeTextField2_->setText(text);
}

void StatsUsageVC::rebuildStatsUsageGraph()
{
    // Fresh aliases, colours and filter flags in the engine, and its cache
    // emptied, before the page asks again.
    if (statsUsageController_) statsUsageController_->makeDictWithNNTPServers();
    queryNewData();
    updateServersBar();
}

// ---------------------------------------------------------------- popovers

void StatsUsageVC::showDateSelectorPopover()
{
    if (!statsUsageController_) return;
    if (!statsDateSelectorPopOverVC_) {
        statsDateSelectorPopOverVC_ = new StatsDateSelectorPopOverVC(statsUsageController_->calendar(), this);
        connect(statsDateSelectorPopOverVC_, &StatsDateSelectorPopOverVC::selectedDate, this,
                &StatsUsageVC::selectedDate);
    }
    statsDateSelectorPopOverVC_->showRelativeTo(viewStatsDateSelector_, viewStatsDateSelector_->rect());
}

void StatsUsageVC::showServerFilterPopover()
{
    if (!statsServerFilterPopOverVC_)
        statsServerFilterPopOverVC_ = new StatsServerFilterPopOverVC(nntpServersController_, this);
    statsServerFilterPopOverVC_->showRelativeTo(viewServerFilterSelector_, viewServerFilterSelector_->rect());
}

void StatsUsageVC::selectedDate(qint64 startDay, qint64 endDay)
{
    UserDefaults& d = UserDefaults::standard();
    d.setInteger(startDay, kStartDay);
    d.setInteger(endDay, kEndDay);
    d.synchronize();
    // The next opening starts afresh.
    if (StatsDateSelectorPopOverVC* popover = statsDateSelectorPopOverVC_) {
        popover->hide();
        popover->deleteLater();
    }
    statsDateSelectorPopOverVC_ = nullptr;
    updateDateSelectorTextField();
    queryNewData();
}
