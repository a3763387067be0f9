#include "ui/search/watchdog/WatchdogVC.h"

#include "controls/ButtonCellTBDark.h"
#include "controls/ContextMenuRows.h"
#include "controls/TableRowViewDefault.h"
#include "controls/ViewTitleBarMain.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/WatchdogController.h"
#include "ui/search/watchdog/SplitViewWatchdogHistory.h"
#include "ui/search/watchdog/SplitViewWatchdogLog.h"
#include "ui/search/watchdog/TableRowViewWatchdog.h"
#include "ui/search/watchdog/TableViewWatchdog.h"
#include "ui/search/watchdog/WatchdogHistoryTableModel.h"
#include "ui/search/watchdog/WatchdogLogTableModel.h"
#include "ui/search/watchdog/WatchdogTableModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kUpdateHistory = QStringLiteral("UpdateHistoryTableviewForWatchdogNotification");
const QString kUpdateLog = QStringLiteral("UpdateLogTableviewForWatchdogNotification");
const QString kAskRemove = QStringLiteral("showDialogRemoveWatchdogEntries");

QTableView* makePlainTable(const QString& name, QWidget* parent, QAbstractItemDelegate* rows)
{
    auto* table = new QTableView(parent);
    table->setObjectName(name);
    rows->setParent(table);
    table->setItemDelegate(rows);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
    return table;
}

QList<int> targetedRows(const QTableView* table, int clickedRow)
{
    return ContextMenuRows::targeted(table->selectionModel(), clickedRow);
}

} // namespace

WatchdogVC::WatchdogVC(WatchdogController* controller, QWidget* parent)
    : QWidget(parent), controller_(controller)
{
    setObjectName(QStringLiteral("WatchdogVC"));
    buildInterface();
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(kUpdateHistory, this, [this](const Notification& n) {
        updateHistoryTableviewForWatchdog(n.userInfo.value(QStringLiteral("watchdog")).value<WatchdogPtr>());
    });
    hub.addObserver(kUpdateLog, this, [this](const Notification&) { logNotified(); });
    changeTitleBarButtonsStateTo(false);
}

WatchdogVC::~WatchdogVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QPushButton* WatchdogVC::makeButton(const QString& name, const QString& title, const QString& tip)
{
    // The same dark title-bar buttons as the queue page, so the pages read as one program.
    auto* b = new ButtonCellTBDark(this);
    b->setText(title);
    b->setObjectName(name);
    b->setToolTip(tip);
    return b;
}

void WatchdogVC::buildInterface()
{
    auto* titleBar = new ViewTitleBarMain(this);
    titleBar->setObjectName(QStringLiteral("viewTitleBar"));
    titleBar->setFixedHeight(40);
    auto* title = new QLabel(QStringLiteral("Watchdog"), titleBar);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    QPalette tp = title->palette();
    tp.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(tp);

    QPushButton* btnAdd = makeButton(QStringLiteral("btnAdd"), QStringLiteral("Add"),
                                     QStringLiteral("Add a new Watchdog entry"));
    btnRemove_ = makeButton(QStringLiteral("btnRemove"), QStringLiteral("Remove"),
                            QStringLiteral("Remove the selected entries"));
    btnEdit_ = makeButton(QStringLiteral("btnEdit"), QStringLiteral("Edit"),
                          QStringLiteral("Edit the selected entry"));
    btnPause_ = makeButton(QStringLiteral("btnPause"), QStringLiteral("Pause"),
                           QStringLiteral("Pause the selected entries"));
    btnResume_ = makeButton(QStringLiteral("btnResume"), QStringLiteral("Resume"),
                            QStringLiteral("Resume the selected entries"));
    btnSearchNow_ = makeButton(QStringLiteral("btnSearchNow"), QStringLiteral("Search now"),
                               QStringLiteral("Search the selected entries now"));
    QPushButton* btnHistory = makeButton(QStringLiteral("btnToggleRightPanel"), QStringLiteral("History"),
                                         QStringLiteral("Show or hide the matches of the selected entry"));
    QPushButton* btnLog = makeButton(QStringLiteral("btnToggleBottomPanel"), QStringLiteral("Log"),
                                     QStringLiteral("Show or hide the Watchdog log"));
    QPushButton* btnHelp = makeButton(QStringLiteral("btnHelp"), QStringLiteral("?"), QStringLiteral("Help"));
    connect(btnAdd, &QPushButton::clicked, this, &WatchdogVC::addEntry);
    connect(btnRemove_, &QPushButton::clicked, this, &WatchdogVC::removeEntry);
    connect(btnEdit_, &QPushButton::clicked, this, &WatchdogVC::editFirstSelected);
    connect(btnPause_, &QPushButton::clicked, this, &WatchdogVC::deactivateEntries);
    connect(btnResume_, &QPushButton::clicked, this, &WatchdogVC::activateEntries);
    connect(btnSearchNow_, &QPushButton::clicked, this, &WatchdogVC::searchNowRequest);
    connect(btnHistory, &QPushButton::clicked, this, &WatchdogVC::toggleSplitViewHistory);
    connect(btnLog, &QPushButton::clicked, this, &WatchdogVC::toggleSplitViewLog);
    connect(btnHelp, &QPushButton::clicked, this, &WatchdogVC::helpButtonClicked);

    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(10, 7, 6, 8);
    bar->setSpacing(6);
    bar->addWidget(title);
    bar->addSpacing(12);
    for (QPushButton* b : {btnAdd, btnEdit_, btnRemove_, btnPause_, btnResume_, btnSearchNow_})
        bar->addWidget(b);
    bar->addStretch(1);
    for (QPushButton* b : {btnHistory, btnLog, btnHelp})
        bar->addWidget(b);

    tableViewWatchdog_ = new TableViewWatchdog(controller_, this);
    tableViewWatchdogHistory_ =
        makePlainTable(QStringLiteral("tableViewWatchdogHistory"), this, new TableRowViewWatchdog);
    historyModel_ = new WatchdogHistoryTableModel(this);
    tableViewWatchdogHistory_->setModel(historyModel_);
    // The match's name takes what the narrow pane has left.
    tableViewWatchdogHistory_->horizontalHeader()->setStretchLastSection(false);
    tableViewWatchdogHistory_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tableViewWatchdogHistory_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tableViewWatchdogHistory_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    QPalette hp = tableViewWatchdogHistory_->palette();
    hp.setColor(QPalette::Base, QColor::fromRgbF(0.933f, 0.933f, 0.933f));
    tableViewWatchdogHistory_->setPalette(hp);
    tableViewWatchdogLog_ =
        makePlainTable(QStringLiteral("tableViewWatchdogLog"), this, new TableRowViewDefault);
    logModel_ = new WatchdogLogTableModel(controller_, this);
    tableViewWatchdogLog_->setModel(logModel_);
    // The log is read, never acted on row by row.
    tableViewWatchdogLog_->setSelectionMode(QAbstractItemView::NoSelection);
    tableViewWatchdogLog_->setColumnWidth(0, 150);
    tableViewWatchdogLog_->setColumnWidth(1, 200);

    splitViewWatchdogHistory_ = new SplitViewWatchdogHistory(this);
    splitViewWatchdogHistory_->addWidget(tableViewWatchdog_);
    splitViewWatchdogHistory_->addWidget(tableViewWatchdogHistory_);
    splitViewWatchdogHistory_->setStretchFactor(0, 1);
    splitViewWatchdogHistory_->setStretchFactor(1, 0);
    connect(splitViewWatchdogHistory_, &SplitViewCollapsible::doubleClickedDivider, this, [this] {
        collapsePane(splitViewWatchdogHistory_, SplitViewWatchdogHistory::restorePositionKey());
    });
    splitViewWatchdogLog_ = new SplitViewWatchdogLog(this);
    splitViewWatchdogLog_->addWidget(splitViewWatchdogHistory_);
    splitViewWatchdogLog_->addWidget(tableViewWatchdogLog_);
    splitViewWatchdogLog_->setStretchFactor(0, 1);
    splitViewWatchdogLog_->setStretchFactor(1, 0);
    // One frame around the three tables: inside it the 1-point dividers
    // alone part them.
    for (QTableView* t : {static_cast<QTableView*>(tableViewWatchdog_), tableViewWatchdogHistory_,
                          tableViewWatchdogLog_})
        t->setFrameShape(QFrame::NoFrame);
    splitViewWatchdogLog_->setFrameShape(QFrame::StyledPanel);
    // Both panes start closed; their toggles open them.
    splitViewWatchdogHistory_->setSizes({1, 0});
    splitViewWatchdogLog_->setSizes({1, 0});

    auto* content = new QVBoxLayout;
    content->setContentsMargins(6, 6, 6, 6);
    content->addWidget(splitViewWatchdogLog_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(titleBar);
    layout->addLayout(content, 1);

    // Menus.
    menuWatchdog_ = new QMenu(this);
    menuWatchdog_->setObjectName(QStringLiteral("menuWatchdog"));
    mnuItemAdd_ = menuWatchdog_->addAction(QStringLiteral("Add new entry"), this, &WatchdogVC::addEntry);
    mnuItemEdit_ =
        menuWatchdog_->addAction(QStringLiteral("Edit entry"), this, &WatchdogVC::editFirstSelected);
    mnuItemRemove_ = menuWatchdog_->addAction(QStringLiteral("Remove"), this, &WatchdogVC::removeEntry);
    menuWatchdog_->addSeparator();
    mnuItemPause_ = menuWatchdog_->addAction(QStringLiteral("Pause"), this, &WatchdogVC::deactivateEntries);
    mnuItemResume_ = menuWatchdog_->addAction(QStringLiteral("Resume"), this, &WatchdogVC::activateEntries);
    mnuItemSearchNow_ =
        menuWatchdog_->addAction(QStringLiteral("Search now"), this, &WatchdogVC::searchNowRequest);
    mnuItemAdd_->setObjectName(QStringLiteral("mnuItemAdd"));
    mnuItemEdit_->setObjectName(QStringLiteral("mnuItemEdit"));
    mnuItemRemove_->setObjectName(QStringLiteral("mnuItemRemove"));
    mnuItemPause_->setObjectName(QStringLiteral("mnuItemPause"));
    mnuItemResume_->setObjectName(QStringLiteral("mnuItemResume"));
    mnuItemSearchNow_->setObjectName(QStringLiteral("mnuItemSearchNow"));
    tableViewWatchdog_->setContextMenuRunner([this](const QPoint& at) {
        menuWillOpenWatchdog();
        menuWatchdog_->exec(at);
        menuDidCloseWatchdog();
    });

    menuHistory_ = new QMenu(this);
    menuHistory_->setObjectName(QStringLiteral("menuHistory"));
    mnuItemRemoveHistorySelection_ = menuHistory_->addAction(QStringLiteral("Remove selected"), this,
                                                             &WatchdogVC::removeSelectedHistoryEntries);
    mnuItemRemoveHistoryAll_ =
        menuHistory_->addAction(QStringLiteral("Remove all"), this, &WatchdogVC::removeAllHistoryEntries);
    mnuItemRemoveHistorySelection_->setObjectName(QStringLiteral("mnuItemRemoveHistorySelection"));
    mnuItemRemoveHistoryAll_->setObjectName(QStringLiteral("mnuItemRemoveHistoryAll"));
    tableViewWatchdogHistory_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tableViewWatchdogHistory_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        menuWillOpenHistory();
        menuHistory_->exec(tableViewWatchdogHistory_->viewport()->mapToGlobal(pos));
    });

    menuLog_ = new QMenu(this);
    menuLog_->addAction(QStringLiteral("Clear log"), this, &WatchdogVC::clearWatchdogLog)
        ->setObjectName(QStringLiteral("mnuItemClearLog"));
    tableViewWatchdogLog_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tableViewWatchdogLog_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        menuLog_->exec(tableViewWatchdogLog_->viewport()->mapToGlobal(pos));
    });

    // Keys: Return edits, Delete removes, as the buttons do.
    connect(tableViewWatchdog_, &TableViewWatchdog::editKeyPressed, this, &WatchdogVC::editFirstSelected);
    connect(tableViewWatchdog_, &TableViewWatchdog::deleteKeyPressed, this, &WatchdogVC::removeEntry);
    connect(tableViewWatchdog_, &QAbstractItemView::doubleClicked, this, &WatchdogVC::editFirstSelected);
    connect(tableViewWatchdog_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WatchdogVC::entrySelectionChanged);
    connect(tableViewWatchdogHistory_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WatchdogVC::menuWillOpenHistory);
}

const QList<WatchdogHistoryObj>& WatchdogVC::watchdogHistoryArray() const
{
    return historyModel_->rows();
}

QList<WatchdogPtr> WatchdogVC::selectedEntries() const
{
    QList<WatchdogPtr> entries;
    for (int row : targetedRows(tableViewWatchdog_, tableViewWatchdog_->clickedRow()))
        if (WatchdogPtr e = tableViewWatchdog_->watchdogModel()->entryAt(row)) entries.append(e);
    return entries;
}

WatchdogPtr WatchdogVC::firstSelectedEntry() const
{
    const QList<WatchdogPtr> entries = selectedEntries();
    return entries.isEmpty() ? nullptr : entries.first();
}

// ---- commands

void WatchdogVC::addEntry()
{
    if (controller_) controller_->showWatchdogEditWindow(nullptr);
}

void WatchdogVC::removeEntry()
{
    const QList<WatchdogPtr> entries = selectedEntries();
    if (entries.isEmpty() || !controller_) return;
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.boolForKey(kAskRemove)) {
        const qsizetype n = entries.size();
        const int answer = DialogBoxes::alertBoxYesNoWithNotShowAgain(
            QStringLiteral("Are you sure to remove %1 %2?")
                .arg(n)
                .arg(n == 1 ? QStringLiteral("entry") : QStringLiteral("entries")),
            QStringLiteral("This action can not be undone."), false);
        if (answer == 1) return;
        if (answer == 2) defaults.setBool(false, kAskRemove);
    }
    controller_->removeEntries(entries);
    updateHistoryTableviewForWatchdog(nullptr);
    menuWillOpenWatchdog();
}

void WatchdogVC::deactivateEntries()
{
    for (const WatchdogPtr& e : selectedEntries())
        if (e->active()) e->setActive(false);
}

void WatchdogVC::activateEntries()
{
    for (const WatchdogPtr& e : selectedEntries())
        if (!e->active()) e->setActive(true);
}

void WatchdogVC::editFirstSelected()
{
    if (const WatchdogPtr e = firstSelectedEntry(); e && controller_) controller_->showWatchdogEditWindow(e);
}

void WatchdogVC::searchNowRequest()
{
    const QList<WatchdogPtr> entries = selectedEntries();
    if (entries.isEmpty() || !controller_) return;
    controller_->searchNowRequest(entries);
    tableViewWatchdog_->clearSelection();
}

void WatchdogVC::removeSelectedHistoryEntries()
{
    const WatchdogPtr entry = firstSelectedEntry();
    QList<qsizetype> rows;
    for (int row : targetedRows(tableViewWatchdogHistory_, -1))
        rows.append(row);
    if (!entry || rows.isEmpty() || !controller_) return;
    controller_->removeHistoryEntries(rows, entry);
}

void WatchdogVC::removeAllHistoryEntries()
{
    const WatchdogPtr entry = firstSelectedEntry();
    if (!entry || historyModel_->rows().isEmpty() || !controller_) return;
    QList<qsizetype> rows;
    for (qsizetype i = 0; i < historyModel_->rows().size(); ++i)
        rows.append(i);
    controller_->removeHistoryEntries(rows, entry);
}

void WatchdogVC::clearWatchdogLog()
{
    if (controller_) controller_->clearWatchdogLog();
}

void WatchdogVC::helpButtonClicked()
{
    NotificationHub::defaultCenter().post(QStringLiteral("ShowHelpWindowForTopic"), this,
                                          {{QStringLiteral("topic"), 3}});
}

// ---- tables

void WatchdogVC::updateHistoryTableviewForWatchdog(const WatchdogPtr& entry)
{
    if (!entry) {
        historyModel_->setRows({});
        return;
    }
    // Only the shown entry's history is of interest here.
    const QModelIndexList selected = tableViewWatchdog_->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : selected)
        first = first < 0 ? i.row() : std::min(first, i.row());
    if (tableViewWatchdog_->watchdogModel()->entryAt(first) != entry) return;
    historyModel_->setRows(entry->history());
}

void WatchdogVC::entrySelectionChanged()
{
    const QModelIndexList selected = tableViewWatchdog_->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : selected)
        first = first < 0 ? i.row() : std::min(first, i.row());
    const WatchdogPtr entry = tableViewWatchdog_->watchdogModel()->entryAt(first);
    if (entry)
        historyModel_->setRows(entry->history());
    else
        updateHistoryTableviewForWatchdog(nullptr);
    menuWillOpenWatchdog();
}

void WatchdogVC::logNotified()
{
    logModel_->logChanged();
}

// ---- enabled state

void WatchdogVC::changeTitleBarButtonsStateTo(bool enabled)
{
    for (QPushButton* b : {btnRemove_, btnPause_, btnResume_, btnEdit_, btnSearchNow_})
        b->setEnabled(enabled);
}

void WatchdogVC::menuWillOpenWatchdog()
{
    const qsizetype n = selectedEntries().size();
    mnuItemAdd_->setEnabled(true);
    mnuItemEdit_->setEnabled(n == 1);
    for (QAction* a : {mnuItemRemove_, mnuItemSearchNow_, mnuItemPause_, mnuItemResume_})
        a->setEnabled(n >= 1);
    changeTitleBarButtonsStateTo(n >= 1);
}

void WatchdogVC::menuDidCloseWatchdog()
{
    // A right-click on an unselected row enabled the buttons for the menu.
    if (!tableViewWatchdog_->selectionModel()->hasSelection()) changeTitleBarButtonsStateTo(false);
}

void WatchdogVC::menuWillOpenHistory()
{
    if (!historyModel_->rows().isEmpty()) mnuItemRemoveHistoryAll_->setEnabled(true);
    mnuItemRemoveHistorySelection_->setEnabled(tableViewWatchdogHistory_->selectionModel()->hasSelection());
}

// ---- panes

bool WatchdogVC::historyPaneIsCollapsed() const
{
    return splitViewWatchdogHistory_->isSubviewCollapsed(1);
}

bool WatchdogVC::logPaneIsCollapsed() const
{
    return splitViewWatchdogLog_->isSubviewCollapsed(1);
}

void WatchdogVC::collapsePane(SplitViewCollapsible* split, const QString& key)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setFloat(float(split->paneSize()), key);
    defaults.synchronize();
    split->setPositionOfDividerAtIndex(split->maxPossiblePositionOfDividerAtIndex(0), 0);
}

void WatchdogVC::expandPane(SplitViewCollapsible* split, const QString& key, int minimum)
{
    const int stored = int(UserDefaults::standard().floatForKey(key));
    const int max = split->maxPossiblePositionOfDividerAtIndex(0);
    split->setPositionOfDividerAtIndex(max - std::max(minimum, stored), 0);
}

void WatchdogVC::toggleSplitViewHistory()
{
    if (historyPaneIsCollapsed())
        expandPane(splitViewWatchdogHistory_, SplitViewWatchdogHistory::restorePositionKey(),
                   kHistoryMinWidth);
    else
        collapsePane(splitViewWatchdogHistory_, SplitViewWatchdogHistory::restorePositionKey());
}

void WatchdogVC::toggleSplitViewLog()
{
    // Without a stored height the log still opens, at its minimum.
    if (logPaneIsCollapsed())
        expandPane(splitViewWatchdogLog_, SplitViewWatchdogLog::restorePositionKey(), kLogMinHeight);
    else
        collapsePane(splitViewWatchdogLog_, SplitViewWatchdogLog::restorePositionKey());
}
