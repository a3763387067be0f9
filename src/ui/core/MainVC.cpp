#include "ui/core/MainVC.h"

#include "controls/Artwork.h"
#include "controls/ButtonCellLSB.h"
#include "controls/ButtonCollapseBottom.h"
#include "controls/CoreArtwork.h"
#include "controls/SplitViewMain.h"
#include "controls/ViewFooter.h"
#include "controls/ViewLeftSideBar.h"
#include "core/DisplayController.h"
#include "core/Logger.h"
#include "core/MainConnectionsInterface.h"
#include "core/MainQueueInterface.h"
#include "nntp/NNTPServersController.h"
#include "platform/DefaultExtensionWrapper.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "queue/DownloadHistoryController.h"
#include "queue/FODController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"
#include "queue/WatchFolderController.h"
#include "search/WatchdogController.h"
#include "stats/StatsUsageController.h"
#include "ui/core/AboutWC.h"
#include "ui/core/ClosingAppWC.h"
#include "ui/core/DockIconController.h"
#include "ui/core/HelpWC.h"
#include "ui/core/LoadingSaveStateWC.h"
#include "ui/core/LogVC.h"
#include "ui/nntp/BandwidthLimiterWC.h"
#include "ui/nntp/ConnectionsVC.h"
#include "ui/nntp/ViewBandwidth.h"
#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsWC.h"
#include "ui/posting/MsgViewerWC.h"
#include "ui/posting/PostWC.h"
#include "ui/queue/QueuePasswordWC.h"
#include "ui/queue/QueueVC.h"
#include "ui/search/page/DeepLookupVC.h"
#include "ui/search/watchdog/WatchdogEditWC.h"
#include "ui/search/watchdog/WatchdogVC.h"
#include "ui/stats/StatisticsVC.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {

struct PageInfo
{
    qint64 tag;
    const char* title;
    const char* name;   // the page controller's own name
    const char* button; // the side-bar button's name
    const char* image;  // the side-bar button's glyph
};

// The side bar, top to bottom; tag 5 (post) only lights its button.
constexpr PageInfo kPages[] = {
    {4, "Search", "DeepLookupVC", "lsbBtnSearch", CoreArtwork::kSideBarSearch},
    {2, "Queue", "QueueVC", "lsbBtnQueue", CoreArtwork::kSideBarQueue},
    {6, "Watchdog", "WatchdogVC", "lsbBtnWatchdog", CoreArtwork::kSideBarWatchdog},
    {5, "Post", "", "lsbBtnPost", CoreArtwork::kSideBarPost},
    {1, "Statistics", "StatisticsVC", "lsbBtnStats", CoreArtwork::kSideBarStatistics},
    {3, "Log", "LogVC", "lsbBtnLog", CoreArtwork::kSideBarLog},
};

QLabel* statusLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

MainVC::MainVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainVC"));
    buildInterface();

    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(QStringLiteral("ApplicationDidStartGUI"), this,
                    [this](const Notification&) { applicationDidStartGUI(); });
    hub.addObserver(QStringLiteral("ApplicationShouldTerminate"), this,
                    [this](const Notification&) { applicationShouldTerminate(); });
    hub.addObserver(SplitViewMain::collapseStateChangedNotification(), this, [this](const Notification& n) {
        btnCollapseBottom_->setChecked(n.userInfo.value(QStringLiteral("state")).toBool());
    });
    hub.addObserver(QStringLiteral("ShowHelpWindowForTopic"), this, [this](const Notification& n) {
        showHelpWindow(n.userInfo.value(QStringLiteral("topic")).toLongLong());
    });
    hub.addObserver(QStringLiteral("BandwidthDisplayTypeChanged"), this,
                    [this](const Notification&) { updateBandwidthDisplayType(); });
    // The password window runs from the event loop, not inside the call of
    // whoever asked (a row's button handler, for one).
    hub.addObserver(QStringLiteral("ShowPasswordSheetForQueueArray"), this, [this](const Notification& n) {
        const QList<QueuePtr> jobs = n.userInfo.value(QStringLiteral("queuearray")).value<QList<QueuePtr>>();
        QTimer::singleShot(0, this, [this, jobs] {
            QueuePasswordWC::showPasswordSheetForQueueArray(jobs, engine_.queueController());
        });
    });
    hub.addObserver(QStringLiteral("OpenBandwidthLimiterWindow"), this,
                    [this](const Notification&) { showBandwidthLimiterWindow(); });
    hub.addObserver(QStringLiteral("OpenPostArticleWindow"), this, [this](const Notification& n) {
        openPostWindow(n.userInfo.value(QStringLiteral("queue")).value<QueuePtr>());
    });
    hub.addObserver(QStringLiteral("OpenMessagesViewer"), this, [this](const Notification& n) {
        openMessagesViewer(n.userInfo.value(QStringLiteral("dict")).toMap());
    });

    // Ticks only outside modal runs (see secondTimerSelector).
    secondTimer_.setInterval(1000);
    connect(&secondTimer_, &QTimer::timeout, this, &MainVC::secondTimerSelector);
    secondTimer_.start();

    logAppInformation();
    initControllers();
    changeTopViewController(getLastUsedMainView());
    changeBottomViewController(1);
    updateBandwidthDisplayType();

    DisplayController* display = engine_.displayController();
    const QHash<QString, QLabel*> bound = {{QStringLiteral("bandwidth"), textFieldBandwidth_},
                                           {QStringLiteral("bandwidthUnit"), textFieldBandwidthUnit_},
                                           {QStringLiteral("totalfiles"), textFieldFilesInQueue_},
                                           {QStringLiteral("timeleft"), textFieldTimeLeft_}};
    for (auto it = bound.begin(); it != bound.end(); ++it)
        it.value()->setText(display->displayData().value(it.key()).toString());
    connect(display, &DisplayController::displayDataChanged, this,
            [bound](const QString& key, const QString& v) {
                if (QLabel* label = bound.value(key)) label->setText(v);
            });
    connect(&freeSpaceGuard_, &FreeSpaceGuard::displayTextChanged, textFieldDiskSpaceLeft_, &QLabel::setText);
    connect(&memoryLimiter_, &MemoryLimiter::displayTextChanged, textFieldFileMaxMemLimiter_,
            &QLabel::setText);

    useSaveRestoreController();
    loadingSaveStateTimer_.setSingleShot(true);
    connect(&loadingSaveStateTimer_, &QTimer::timeout, this, &MainVC::showLoadingSaveStateWindow);
    wireStartupChecks();
    wireQuitSequence();
}

MainVC::~MainVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
    engine_.displayController()->setViewBandwidth({});
}

void MainVC::buildInterface()
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* sideBar = new ViewLeftSideBar(this);
    sideBar->setObjectName(QStringLiteral("leftSideBar"));
    auto* sideLayout = new QVBoxLayout(sideBar);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(0);
    for (const PageInfo& page : kPages) {
        auto* button = new ButtonCellLSB(sideBar);
        button->setText(QString::fromLatin1(page.title));
        button->setCheckable(true);
        button->setObjectName(QString::fromLatin1(page.button));
        button->setImage(Artwork::pixmap(QString::fromLatin1(page.image)));
        sideLayout->addWidget(button);
        sideBar_.insert(page.tag, button);
        const qint64 tag = page.tag;
        if (tag == 5) {
            connect(button, &QAbstractButton::clicked, this, [this, button] {
                button->setChecked(false);
                openPostWindow({});
            });
        } else {
            connect(button, &QAbstractButton::clicked, this, [this, tag] { changeTopViewController(tag); });
        }
    }
    sideLayout->addStretch(1);
    outer->addWidget(sideBar);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    splitViewMain_ = new SplitViewMain(right);
    splitViewMain_->setObjectName(QStringLiteral("splitViewMain"));
    topContainer_ = new QWidget(splitViewMain_);
    topContainer_->setObjectName(QStringLiteral("topContainer"));
    topContainer_->setLayout(new QVBoxLayout);
    topContainer_->layout()->setContentsMargins(0, 0, 0, 0);
    bottomContainer_ = new QWidget(splitViewMain_);
    bottomContainer_->setObjectName(QStringLiteral("bottomContainer"));
    bottomContainer_->setLayout(new QVBoxLayout);
    bottomContainer_->layout()->setContentsMargins(0, 0, 0, 0);
    splitViewMain_->addWidget(topContainer_);
    splitViewMain_->addWidget(bottomContainer_);
    splitViewMain_->setSizes({400, 160});
    rightLayout->addWidget(splitViewMain_, 1);

    auto* footer = new ViewFooter(right);
    footer->setObjectName(QStringLiteral("statusBar"));
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(8, 2, 8, 2);
    auto* collapse = new ButtonCollapseBottom(footer);
    collapse->setObjectName(QStringLiteral("btnCollapseBottom"));
    collapse->setCheckable(true);
    btnCollapseBottom_ = collapse;
    connect(collapse, &QAbstractButton::clicked, this, [this] { toggleBottomPaneBtnClicked(); });
    footerLayout->addWidget(collapse);
    textFieldDiskSpaceLeft_ = statusLabel(footer, "textFieldDiskSpaceLeft");
    textFieldDiskSpaceLeft_->setToolTip(QStringLiteral("Free space in the download folder"));
    textFieldFileMaxMemLimiter_ = statusLabel(footer, "textFieldFileMaxMemLimiter");
    textFieldFilesInQueue_ = statusLabel(footer, "textFieldFilesInQueue");
    textFieldTimeLeft_ = statusLabel(footer, "textFieldTimeLeft");
    textFieldBandwidth_ = statusLabel(footer, "textFieldBandwidth");
    textFieldBandwidthUnit_ = statusLabel(footer, "textFieldBandwidthUnit");
    footerLayout->addWidget(new QLabel(QStringLiteral("Free:"), footer));
    footerLayout->addWidget(textFieldDiskSpaceLeft_);
    footerLayout->addSpacing(12);
    footerLayout->addWidget(new QLabel(QStringLiteral("Memory:"), footer));
    footerLayout->addWidget(textFieldFileMaxMemLimiter_);
    footerLayout->addStretch(1);
    footerLayout->addWidget(new QLabel(QStringLiteral("Files:"), footer));
    footerLayout->addWidget(textFieldFilesInQueue_);
    footerLayout->addSpacing(12);
    footerLayout->addWidget(new QLabel(QStringLiteral("Time left:"), footer));
    footerLayout->addWidget(textFieldTimeLeft_);
    footerLayout->addSpacing(12);
    footerLayout->addWidget(textFieldBandwidth_);
    footerLayout->addWidget(textFieldBandwidthUnit_);
    // Dark text: the footer is a light grey.
    for (QLabel* l : footer->findChildren<QLabel*>())
        l->setStyleSheet(QStringLiteral("color: #3c3c3c;"));
    footerLayout->addSpacing(6);
    viewBandwidth_ = new ViewBandwidth(QSize(150, 20), footer);
    footerLayout->addWidget(viewBandwidth_);
    // The speed toggles its unit and the memory figure opens its settings,
    // as buttons would; they stay plain fields to keep the bar compact.
    for (QLabel* l : {textFieldBandwidth_, textFieldBandwidthUnit_, textFieldFileMaxMemLimiter_}) {
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    textFieldFileMaxMemLimiter_->setToolTip(
        QStringLiteral("Memory used against the limit (click to change)"));
    rightLayout->addWidget(footer);
    outer->addWidget(right, 1);
}

void MainVC::logAppInformation()
{
    UserDefaults& d = UserDefaults::standard();
    BLOG(0, "-");
    BLOG(0, "Starting %@ v%@ build %@", d.stringForKey(QStringLiteral("appName")),
         d.stringForKey(QStringLiteral("appVersionNr")), d.stringForKey(QStringLiteral("appBuildNr")));
    BLOG(0, "Copyright (c) %@ the Binorama developers",
         QDate::currentDate().toString(QStringLiteral("yyyy")));
    BLOG(0, "-");
    BLOG(0, "Folder and File locations:");
    BLOG(0, " * App Support Folder\t: %@", d.stringForKey(QStringLiteral("appSupportPath")));
    if (d.boolForKey(QStringLiteral("enableWatchFolder")))
        BLOG(0, " * NZB Watch Folder\t\t: %@", d.stringForKey(QStringLiteral("watchFolderPath")));
    BLOG(0, " * Download Folder\t\t: %@", d.stringForKey(QStringLiteral("downloadPath")));
    if (d.boolForKey(QStringLiteral("moveAfterDownload")))
        BLOG(0, " * Final Folder\t\t\t: %@", d.stringForKey(QStringLiteral("moveAfterDownloadPath")));
    BLOG(0, " * Logfile\t\t\t\t: %@", d.stringForKey(QStringLiteral("logFilePath")));
    BLOG(0, "-");
}

void MainVC::initControllers()
{
    EngineControllers::Hooks hooks;
    hooks.createDockIconController = [this] { dockIconController_ = new DockIconController(this); };
    engine_.initControllers(hooks);
    if (WatchdogController* watchdog = engine_.watchdogController()) {
        watchdog->setEditWindowPresenter([this, watchdog](const WatchdogPtr& entry) {
            WatchdogEditWC::showWindow(entry, watchdog, this);
        });
    }
    engine_.displayController()->setViewBandwidth(
        [graph = QPointer<ViewBandwidth>(viewBandwidth_)](qint64 bits) {
            if (graph) graph->addBandwidthValue(bits);
        });
    // The queue page exists from the start whatever page is shown first.
    createPage(2);
    downloadDockItem_ = Artwork::image(QString::fromLatin1(CoreArtwork::kDownloadDockIcon), QSize(128, 128));
    queueFlags_ = std::make_unique<QueueControllerFlags>(engine_.queueController());
    setQueueStatus(engine_.queueStatus());
    setConnectionsStatus(engine_.connectionsStatus());
}

MainQueueFlags* MainVC::queueFlags() const
{
    if (queueStatus_) return queueStatus_;
    return queueFlags_.get();
}

void MainVC::setQueueStatus(MainQueueInterface* queueStatus)
{
    queueStatus_ = queueStatus;
    engine_.setQueueStatus(queueStatus);
    freeSpaceGuard_.setQueueController(queueFlags());
    memoryLimiter_.setQueueController(queueFlags());
}

void MainVC::setConnectionsStatus(MainConnectionsInterface* connectionsStatus)
{
    connectionsStatus_ = connectionsStatus;
    engine_.setConnectionsStatus(connectionsStatus);
    startupChecks_.setConnectionsController(connectionsStatus);
}

// --- files from outside ---

void MainVC::addOpenFiles(const QStringList& files)
{
    dragdropFilesArray_.append(files);
    if (guiIsLoaded_) addFilesToNZBController();
}

void MainVC::addFilesToNZBController()
{
    if (dragdropFilesArray_.isEmpty()) return;
    const QStringList files = std::exchange(dragdropFilesArray_, {});
    if (QueueVC* queue = queueVC()) queue->revealJobsOf(files);
    if (NZBController* nzb = engine_.nzbController()) nzb->parseArray(files);
    Q_EMIT importOpenFiles(files);
}

// --- pages ---

QAbstractButton* MainVC::sideBarButton(qint64 tag) const
{
    return sideBar_.value(tag);
}

qint64 MainVC::getLastUsedMainView() const
{
    return UserDefaults::standard().integerForKey(QStringLiteral("lastUsedMainView"));
}

void MainVC::storeLastUsedMainView()
{
    UserDefaults::standard().setInteger(currentTopVCTag_, QStringLiteral("lastUsedMainView"));
}

void MainVC::changeActiveLSBButtonTo(qint64 tag)
{
    for (ButtonCellLSB* b : std::as_const(sideBar_))
        b->setChecked(false);
    if (ButtonCellLSB* b = sideBar_.value(tag)) b->setChecked(true);
}

QWidget* MainVC::createPage(qint64 tag)
{
    if (QWidget* page = pages_.value(tag)) return page;
    QWidget* page = nullptr;
    if (tag == 3) {
        page = new LogVC(topContainer_);
    } else if (tag == 2) {
        auto* queue = new QueueVC(topContainer_);
        queue->setQueueController(engine_.queueController());
        queue->setNzbController(engine_.nzbController());
        queue->loadView();
        page = queue;
    } else if (tag == 1) {
        page = new StatisticsVC(engine_.statsUsageController(), engine_.nntpServersController(), topContainer_);
    } else if (tag == 6) {
        page = new WatchdogVC(engine_.watchdogController(), topContainer_);
    } else if (tag == 4) {
        auto* search = new DeepLookupVC(topContainer_);
        search->setQueueController(engine_.queueController());
        search->setDeepLookupController(engine_.deepLookupController());
        search->setNntpServersController(engine_.nntpServersController());
        search->setMnuItemExportNZB(mnuItemExportNZB_);
        page = search;
    } else {
        // The page of this tag comes with its own subsystem; until then a
        // named placeholder holds its place.
        const PageInfo* info = nullptr;
        for (const PageInfo& p : kPages)
            if (p.tag == tag) info = &p;
        auto* label = new QLabel(QString::fromLatin1(info ? info->title : ""), topContainer_);
        label->setAlignment(Qt::AlignCenter);
        label->setObjectName(QString::fromLatin1(info ? info->name : ""));
        page = label;
    }
    page->hide();
    pages_.insert(tag, page);
    return page;
}

void MainVC::changeTopViewController(qint64 tag)
{
    if (window() && !window()->isVisible() && window() != this)
        NotificationHub::defaultCenter().post(QStringLiteral("ReopenMainWindow"), this);
    changeActiveLSBButtonTo(tag);
    if (tag == currentTopVCTag_) return;
    if (topVC_) {
        topContainer_->layout()->removeWidget(topVC_);
        topVC_->hide();
    }
    switch (tag) {
    case 1:
    case 3:
    case 6:
        topVC_ = createPage(tag);
        forceCollapseBottom();
        break;
    case 2:
    case 4:
        topVC_ = createPage(tag);
        forceExpandBottom();
        // The search page takes the NZB-export menu item here once it can
        // export its chosen results.
        break;
    default:
        break;
    }
    if (topVC_) {
        topContainer_->layout()->addWidget(topVC_);
        topVC_->show();
    }
    currentTopVCTag_ = tag;
}

void MainVC::changeBottomViewController(qint64 tag)
{
    if (tag == currentBottomVCTag_) return;
    if (bottomVC_) {
        bottomContainer_->layout()->removeWidget(bottomVC_);
        bottomVC_->hide();
    }
    if (tag == 1) {
        if (!connectionsVC_) {
            auto* page = new ConnectionsVC(bottomContainer_);
            page->setConnectionsController(engine_.connectionsController());
            page->viewDidLoad();
            connectionsVC_ = page;
        }
        bottomVC_ = connectionsVC_;
    }
    if (bottomVC_) {
        bottomContainer_->layout()->addWidget(bottomVC_);
        bottomVC_->show();
    }
    currentBottomVCTag_ = tag;
}

// --- the lower pane ---

bool MainVC::bottomPaneIsCollapsed() const
{
    return splitViewMain_->isSubviewCollapsed(1);
}

void MainVC::toggleBottomPane()
{
    splitViewMain_->toggleBottomPane();
    updateCollapseButtonBottom();
}

void MainVC::expandBottomPane()
{
    splitViewMain_->expandBottomPane();
    updateCollapseButtonBottom();
}

void MainVC::collapseBottomPane()
{
    splitViewMain_->collapseBottomPane();
    updateCollapseButtonBottom();
}

void MainVC::forceCollapseBottom()
{
    if (bottomPaneIsCollapsed()) return;
    collapseBottomPane();
    UserDefaults::standard().setBool(true, QStringLiteral("bottomViewForcedCollapsed"));
}

void MainVC::forceExpandBottom()
{
    UserDefaults& d = UserDefaults::standard();
    const bool wasForced = d.boolForKey(QStringLiteral("bottomViewForcedCollapsed"));
    d.setBool(false, QStringLiteral("bottomViewForcedCollapsed"));
    if (wasForced) expandBottomPane();
}

void MainVC::resetBottomForcedCollapse()
{
    UserDefaults::standard().setBool(false, QStringLiteral("bottomViewForcedCollapsed"));
}

void MainVC::updateCollapseButtonBottom()
{
    btnCollapseBottom_->setChecked(bottomPaneIsCollapsed());
}

// --- buttons and menu items ---

void MainVC::toggleBottomPaneBtnClicked()
{
    if (currentTopVCTag_ == 6) {
        updateCollapseButtonBottom();
        return;
    }
    resetBottomForcedCollapse();
    toggleBottomPane();
}

bool MainVC::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == textFieldBandwidth_ || watched == textFieldBandwidthUnit_) {
            bandwidthTypeBtnClicked();
            return true;
        }
        if (watched == textFieldFileMaxMemLimiter_) {
            changeMaxMemLimiterBtnClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainVC::menuShowStatistics()
{
    changeTopViewController(1);
}

void MainVC::menuShowQueue()
{
    changeTopViewController(2);
}

void MainVC::menuShowLog()
{
    changeTopViewController(3);
}

void MainVC::menuShowDeepLookup()
{
    changeTopViewController(4);
}

void MainVC::menuShowWatchdog()
{
    changeTopViewController(6);
}

void MainVC::menuShowBandwidthLimiterWindow()
{
    showBandwidthLimiterWindow();
}

void MainVC::mnuShowPreferences()
{
    showPrefsWindow();
}

QueueVC* MainVC::queueVC() const
{
    return qobject_cast<QueueVC*>(pages_.value(2));
}

void MainVC::menuOpenNZBFile()
{
    if (QueueVC* q = queueVC()) q->addNZBFiles();
}

void MainVC::menuExportAsNZBFile()
{
    if (auto* search = qobject_cast<DeepLookupVC*>(pages_.value(4))) search->saveAsNZB();
}

void MainVC::menuPostMessage()
{
    if (auto* search = qobject_cast<DeepLookupVC*>(createPage(4))) search->openPostMsgWindowAndReplyTo({});
}

void MainVC::menuToggleFilesPanel()
{
    if (QueueVC* q = queueVC()) q->toggleRightPane();
}

void MainVC::menuCleanupQueue()
{
    if (QueueVC* q = queueVC()) q->cleanup();
}

void MainVC::menuPauseSelectedQueueObjects()
{
    if (QueueVC* q = queueVC()) q->pauseSelection();
}

void MainVC::menuResumeSelectedQueueObjects()
{
    if (QueueVC* q = queueVC()) q->resumeSelection();
}

void MainVC::menuCancelSelectedQueueObjects()
{
    if (QueueVC* q = queueVC()) q->cancelSelection();
}

void MainVC::menuPauseAllQueueObjects()
{
    if (QueueVC* q = queueVC()) q->pauseAllObjects();
}

void MainVC::menuResumeAllQueueObjects()
{
    if (QueueVC* q = queueVC()) q->resumeAllObjects();
}

void MainVC::menuCancelAllQueueObjects()
{
    if (QueueVC* q = queueVC()) q->cancelAllObjects();
}

void MainVC::menuOpenForumWebpage()
{
    openWebPageForKey(QStringLiteral("htmlLinkForum"));
}

void MainVC::menuOpenSupportWebpage()
{
    openWebPageForKey(QStringLiteral("htmlLinkContactus"));
}

void MainVC::menuOpenAgreementWebpage()
{
    openWebPageForKey(QStringLiteral("htmlLinkAgreement"));
}

void MainVC::menuOpenPrivacyPolicyWebpage()
{
    openWebPageForKey(QStringLiteral("htmlLinkPrivacyPolicy"));
}

void MainVC::menuShowDocumentation()
{
    showHelpWindow(1);
}

void MainVC::menuShowMainWindow()
{
    if (window() && window() != this && !window()->isVisible())
        NotificationHub::defaultCenter().post(QStringLiteral("ReopenMainWindow"), this);
}

void MainVC::changeMaxMemLimiterBtnClicked()
{
    showPrefsWindowWithViewTag(8);
}

void MainVC::menuToggleConnectionsView()
{
    toggleBottomPane();
}

void MainVC::bandwidthTypeBtnClicked()
{
    UserDefaults& d = UserDefaults::standard();
    d.setBool(!d.boolForKey(QStringLiteral("showMegaBytesPerSecond")),
              QStringLiteral("showMegaBytesPerSecond"));
    updateBandwidthDisplayType();
}

void MainVC::toggleConnections()
{
    // Through the page's button, so that its blinking follows.
    if (ConnectionsVC* page = connectionsVC())
        page->menuToggleConnections();
    else if (connectionsStatus_)
        connectionsStatus_->toggleManuallyConnect();
}

BandwidthLimiterWC* MainVC::bandwidthLimiterWC() const
{
    return bandwidthLimiterWC_;
}

ConnectionsVC* MainVC::connectionsVC() const
{
    return qobject_cast<ConnectionsVC*>(connectionsVC_.data());
}

void MainVC::openWebPageForKey(const QString& settingKey)
{
    const QString address = UserDefaults::standard().stringForKey(settingKey);
    const QUrl url(address);
    if (address.isEmpty() || !url.isValid() || !QDesktopServices::openUrl(url))
        BLOG(3, "Failed to open url: %@", address);
}

void MainVC::updateBandwidthDisplayType()
{
    const QString tip =
        UserDefaults::standard().boolForKey(QStringLiteral("showMegaBytesPerSecond"))
            ? QStringLiteral("Current download speed in Mega Bytes per second (click to toggle)")
            : QStringLiteral("Current download speed in Mega bits per second (click to toggle)");
    textFieldBandwidthUnit_->setToolTip(tip);
    textFieldBandwidth_->setToolTip(tip);
    engine_.displayController()->updateBandwidthTextField();
}

// --- child windows ---

void MainVC::showPrefsWindowWithViewTag(int tag)
{
    openPrefsWindow(tag);
}

PrefsWC* MainVC::prefsWC() const
{
    return prefsWC_;
}

void MainVC::showPrefsWindow()
{
    if (prefsWC_) {
        prefsWC_->raise();
        prefsWC_->activateWindow();
        return;
    }
    openPrefsWindow(std::nullopt);
}

void MainVC::openPrefsWindow(std::optional<int> tag)
{
    // A page asked for gets a fresh window; the open one closes first, so
    // that its server changes are compared and saved before the new window
    // copies the list.
    if (prefsWC_) prefsWC_->close();
    prefsWC_ = new PrefsWC(PrefsContext::fromEngine(engine_), tag, window());
    prefsWC_->setAttribute(Qt::WA_DeleteOnClose);
    connect(prefsWC_, &QDialog::finished, prefsWC_, &QObject::deleteLater);
    prefsWC_->show();
}

PostWC* MainVC::openPostWindow(const QueuePtr& replyObject)
{
    auto* post = new PostWC(PrefsContext::fromEngine(engine_), replyObject, window());
    // Closed windows are dropped here, not from their destroyed signal: a
    // widget emits it half destroyed, before its guards are cleared.
    postWindows_.removeIf([](const QPointer<PostWC>& p) { return p.isNull(); });
    postWindows_.append(post);
    post->showWindow();
    return post;
}

QList<PostWC*> MainVC::postWindows() const
{
    QList<PostWC*> open;
    for (const QPointer<PostWC>& p : postWindows_)
        if (p) open.append(p);
    return open;
}

MsgViewerWC* MainVC::openMessagesViewer(const QVariantMap& dict)
{
    auto* viewer = new MsgViewerWC(dict.value(QStringLiteral("filepath")).toString(),
                                   dict.value(QStringLiteral("filepart")).value<QueuePtr>(), window());
    msgViewers_.removeIf([](const QPointer<MsgViewerWC>& v) { return v.isNull(); });
    msgViewers_.append(viewer);
    viewer->showWindow();
    return viewer;
}

QList<MsgViewerWC*> MainVC::msgViewers() const
{
    QList<MsgViewerWC*> open;
    for (const QPointer<MsgViewerWC>& v : msgViewers_)
        if (v) open.append(v);
    return open;
}

void MainVC::showBandwidthLimiterWindow()
{
    // Made once and kept: it is a tool window beside the main window, not a
    // dialog.
    if (!bandwidthLimiterWC_) bandwidthLimiterWC_ = new BandwidthLimiterWC(this);
    if (!bandwidthLimiterWC_->bandwidthLimitController())
        bandwidthLimiterWC_->setBandwidthLimitController(engine_.bandwidthLimitController());
    bandwidthLimiterWC_->showWindow();
}

void MainVC::showAboutWindow()
{
    if (!aboutWC_) aboutWC_ = new AboutWC(this);
    aboutWC_->runModal();
    if (aboutWC_) {
        aboutWC_->hide();
        aboutWC_->deleteLater();
    }
}

void MainVC::showHelpWindow(qint64 topic)
{
    if (!helpWC_) helpWC_ = new HelpWC(this);
    helpWC_->setTopic(topic);
    helpWC_->showWindow();
}

// --- the one-second timer ---

void MainVC::secondTimerSelector()
{
    // The platform's default-mode timer does not fire while a modal window
    // runs; Qt's timers do, so the pause is made here.
    if (QApplication::activeModalWidget()) return;
    updateDockIcon();
    freeSpaceGuard_.checkFreeSpaceOnDisk();
    memoryLimiter_.report_memory();
}

void MainVC::updateDockIcon()
{
    if (!queueStatus_ || !dockIconController_) return;
    const qint64 n = qint64(queueStatus_->filesInQueue());
    if (n < 1) {
        if (alternateDockIconIsActive_) {
            alternateDockIconIsActive_ = false;
            dockIconController_->resetDockItem();
        }
    } else if (!alternateDockIconIsActive_) {
        alternateDockIconIsActive_ = true;
        dockIconController_->changeDockIconTo(downloadDockItem_);
    }
    if (alternateDockIconIsActive_) {
        dockIconController_->changeTextLabel(QString::number(n));
        dockIconController_->setProgressBarMaxValue(queueStatus_->segmentsInQueue());
        dockIconController_->progressbarValue(queueStatus_->segmentsInQueueLeft());
    }
}

// --- start-up ---

void MainVC::useSaveRestoreController()
{
    // One controller for the restore (its cancel must reach the running
    // load) and a fresh one for the save at quit.
    auto restore = std::make_shared<SaveRestoreController>();
    restore->setQueueController(engine_.queueController());
    restore->setRepairController(engine_.repairController());
    restore_ = restore;
    saveStateScheduler_.observe(engine_.queueController());
    QPointer<QueueController> queue = engine_.queueController();
    QPointer<FODController> fod = engine_.fodController();
    if (queue) {
        QPointer<SaveStateScheduler> scheduler(&saveStateScheduler_);
        queue->neighbours().saveStateThen = [scheduler](std::function<void()> then) {
            if (scheduler) scheduler->saveNowThen(std::move(then));
        };
    }
    setSaveStateHooks([restore] { restore->loadQueue(); }, [restore] { restore->cancelLoading(); },
                      [queue, fod] {
                          if (!queue) return;
                          SaveRestoreController save;
                          save.setQueueController(queue);
                          // The files-on-disk index is written with the
                          // queue: after a crash the files that restored
                          // jobs had written are known as after a quit, and
                          // their repair counts them.
                          save.saveQueue([fod] {
                              if (fod) fod->saveAllEntries();
                          });
                      });
}

void MainVC::setSaveStateHooks(std::function<void()> loadQueue, std::function<void()> cancelLoading,
                               std::function<void()> saveQueue)
{
    loadQueue_ = std::move(loadQueue);
    cancelLoading_ = std::move(cancelLoading);
    saveQueue_ = std::move(saveQueue);
    saveStateScheduler_.setSaveFunction(saveQueue_);
}

void MainVC::wireStartupChecks()
{
    StartupChecks::Steps s;
    s.statsStartUp = [this] {
        if (engine_.statsUsageController()) engine_.statsUsageController()->startUp();
    };
    s.updateCollapseButtonBottom = [this] { updateCollapseButtonBottom(); };
    s.isDefaultAppForNZB = [] {
        return DefaultExtensionWrapper::isBundleIdentifier(
            DefaultExtensionWrapper::applicationBundleIdentifier(), QStringLiteral("nzb"));
    };
    s.makeDefaultAppForNZB = [] {
        DefaultExtensionWrapper::makeBundleIdentifier(DefaultExtensionWrapper::applicationBundleIdentifier(),
                                                      QStringLiteral("nzb"));
    };
    s.showPrefsWindowWithViewTag = [this](int tag) { showPrefsWindowWithViewTag(tag); };
    s.checkFreeSpaceOnDisk = [this] { freeSpaceGuard_.checkFreeSpaceOnDisk(); };
    s.startWatchFolderController = [this] {
        if (engine_.watchFolderController()) engine_.watchFolderController()->restart();
    };
    s.startLoadingSaveStateTimer = [this] { startLoadingSaveStateTimer(); };
    s.loadCleanupItems = [this] {
        if (engine_.cleanupItemsController()) engine_.cleanupItemsController()->loadItems();
    };
    s.disableExportMenuItem = [this] {
        if (mnuItemExportNZB_) mnuItemExportNZB_->setEnabled(false);
    };
    s.loadSaveStateFromDB = [this] {
        // SaveRestoreController (queueController, repairController) loadQueue.
        if (loadQueue_) loadQueue_();
    };
    s.saveStateLoaded = [self = QPointer<MainVC>(this)] {
        if (!self) return;
        self->stopLoadingSaveStateTimer();
        self->addFilesToNZBController();
        self->guiIsLoaded_ = true;
        // Saves while running begin once the restored queue is whole.
        self->restore_->whenRestored([self] {
            if (self) self->saveStateScheduler_.start();
        });
    };
    s.resetWatchdogQueue = [this] {
        if (engine_.watchdogController()) engine_.watchdogController()->resetWatchdogQueue();
    };
    s.isTerminating = [this] { return quitSequence_.appIsTerminating(); };
    startupChecks_.setSteps(std::move(s));
}

void MainVC::applicationDidStartGUI()
{
    startupChecks_.applicationDidStartGUI();
}

void MainVC::startLoadingSaveStateTimer()
{
    const float delay = UserDefaults::standard().floatForKey(QStringLiteral("saveStateWindowDelay"));
    loadingSaveStateTimer_.start(int(delay * 1000));
}

void MainVC::stopLoadingSaveStateTimer()
{
    loadingSaveStateTimer_.stop();
    closeLoadingSaveStateWindow();
}

void MainVC::showLoadingSaveStateWindow()
{
    if (!loadingSaveStateWC_) loadingSaveStateWC_ = new LoadingSaveStateWC(this);
    const long code = loadingSaveStateWC_->runModal();
    if (code == 0 && loadingSaveStateWC_) {
        closeLoadingSaveStateWindow();
        if (cancelLoading_) cancelLoading_();
    }
}

void MainVC::closeLoadingSaveStateWindow()
{
    if (!loadingSaveStateWC_) return;
    loadingSaveStateWC_->closeWindow();
    loadingSaveStateWC_->deleteLater();
    loadingSaveStateWC_ = nullptr;
}

// --- quit ---

void MainVC::wireQuitSequence()
{
    QuitSequence::Steps s;
    s.queueArray = [this] {
        return engine_.queueController() ? engine_.queueController()->queueArray() : QList<QueuePtr>();
    };
    s.watchdogCount = [this] {
        return engine_.watchdogController() ? qint64(engine_.watchdogController()->watchdogArray().size())
                                            : qint64(0);
    };
    s.refuseTermination = [] {};
    s.setTerminateNow = [this] { Q_EMIT terminateNowRequested(); };
    s.closeMainWindowIfVisible = [this] {
        if (window() != this && window()->isVisible()) window()->close();
    };
    s.saveBottomPanePositionIfExpanded = [this] {
        if (!bottomPaneIsCollapsed()) splitViewMain_->saveXPositionForBottomPane();
    };
    s.saveStats = [this] {
        if (engine_.statsUsageController()) engine_.statsUsageController()->saveStats();
    };
    s.storeLastUsedMainView = [this] { storeLastUsedMainView(); };
    s.showClosingAppWindow = [this] { showClosingAppWindow(); };
    quitSequence_.setSteps(std::move(s));
}

void MainVC::applicationShouldTerminate()
{
    quitSequence_.applicationShouldTerminate();
}

void MainVC::showClosingAppWindow()
{
    auto* closing = new ClosingAppWC(this);
    ClosingSequence& seq = closing->sequence();
    seq.setQueueController(queueFlags());
    seq.setConnectionsController(connectionsStatus_);
    seq.setCleanupItemsController(engine_.cleanupItemsController());
    seq.setFodController(engine_.fodController());
    ClosingSequence::Services services;
    services.saveStats = [this] {
        if (engine_.statsUsageController()) engine_.statsUsageController()->saveStats();
    };
    services.saveHistory = [this] {
        if (engine_.downloadHistoryController()) engine_.downloadHistoryController()->saveHistory();
    };
    services.saveWatchdogEntries = [this] {
        if (WatchdogController* watchdog = engine_.watchdogController()) {
            watchdog->dbSaveAllWatchdogEntries();
            watchdog->dbOptimizeWatchdogHistory();
        }
    };
    // Saving a queue that was never restored would replace the saved jobs
    // with the few (or none) that reached the queue so far.
    if (guiIsLoaded_) {
        // The last save; none of the scheduler's may follow or overlap it.
        SaveStateScheduler* scheduler = &saveStateScheduler_;
        std::function<void()> save = saveQueue_;
        services.saveQueue = [scheduler, save] {
            scheduler->stop();
            if (save) save();
        };
    }
    else
        BLOG(2, "The saved queue was not restored yet; it is kept as it is.");
    seq.setServices(std::move(services));
    closing->runModal();
    closing->deleteLater();
    Q_EMIT quitRequested();
}

AppcastItem MainVC::bestValidUpdateInAppcast(const QList<AppcastItem>& items)
{
    return AppcastItem::bestValidUpdateInAppcast(items);
}

void MainVC::setMnuItemExportNZB(QAction* item)
{
    mnuItemExportNZB_ = item;
    // The search page may be made before the menu: it gets the item now.
    if (auto* search = qobject_cast<DeepLookupVC*>(pages_.value(4))) search->setMnuItemExportNZB(item);
}

QAction* MainVC::mnuItemExportNZB() const
{
    return mnuItemExportNZB_;
}

HelpWC* MainVC::helpWC() const
{
    return helpWC_;
}
