#pragma once

#include "core/AppcastItem.h"
#include "core/FreeSpaceGuard.h"
#include "core/MemoryLimiter.h"
#include "core/StartupChecks.h"
#include "engine/EngineControllers.h"
#include "engine/QueueControllerFlags.h"
#include "engine/QuitSequence.h"
#include "queue/Queue.h"
#include "queue/SaveStateScheduler.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <optional>

class SaveRestoreController;

class AboutWC;
class BandwidthLimiterWC;
class ConnectionsVC;
class ButtonCellLSB;
class ClosingAppWC;
class DockIconController;
class HelpWC;
class LoadingSaveStateWC;
class MainConnectionsInterface;
class MainQueueInterface;
class PrefsWC;
class PostWC;
class MsgViewerWC;
class QAbstractButton;
class QAction;
class QLabel;
class QueueVC;
class SplitViewMain;
class ViewBandwidth;

// The main window's controller and the owner of the running system: it
// creates the engine controllers once, shows one page at a time in the upper
// pane and the connections page in the collapsible lower pane, runs the
// start-up checks once the interface has started, drives the launcher icon,
// the free-space guard and the memory limiter from its one-second timer, and
// runs the quit sequence.
class MainVC : public QWidget
{
    Q_OBJECT
public:
    explicit MainVC(QWidget* parent = nullptr);
    ~MainVC() override;

    // Files opened with the program or dropped on its window. Held until the
    // saved queue has been restored, then imported in the order given.
    void addOpenFiles(const QStringList& files);
    void addFilesToNZBController();
    bool guiIsLoaded() const { return guiIsLoaded_; }
    const QStringList& heldOpenFiles() const { return dragdropFilesArray_; }

    // The start banner of the log.
    static void logAppInformation();

    EngineControllers& engine() { return engine_; }
    DockIconController* dockIconController() const { return dockIconController_; }
    FreeSpaceGuard& freeSpaceGuard() { return freeSpaceGuard_; }
    MemoryLimiter& memoryLimiter() { return memoryLimiter_; }
    StartupChecks& startupChecks() { return startupChecks_; }
    QuitSequence& quitSequence() { return quitSequence_; }

    // What the status display, the guards, the start-up checks and the
    // closing ask of the queue and the connection manager (not owned).
    void setQueueStatus(MainQueueInterface* queueStatus);
    MainQueueFlags* queueFlags() const;
    void setConnectionsStatus(MainConnectionsInterface* connectionsStatus);

    // --- pages ---
    void changeTopViewController(qint64 tag);
    void changeBottomViewController(qint64 tag);
    void changeActiveLSBButtonTo(qint64 tag);
    qint64 getLastUsedMainView() const;
    void storeLastUsedMainView();
    qint64 currentTopVCTag() const { return currentTopVCTag_; }
    qint64 currentBottomVCTag() const { return currentBottomVCTag_; }
    QWidget* topVC() const { return topVC_; }
    QWidget* bottomVC() const { return bottomVC_; }
    QWidget* pageForTag(qint64 tag) const { return pages_.value(tag); }
    QueueVC* queueVC() const;
    QAbstractButton* sideBarButton(qint64 tag) const;

    // --- the lower pane ---
    void toggleBottomPane();
    void expandBottomPane();
    void collapseBottomPane();
    void forceCollapseBottom();
    void forceExpandBottom();
    void resetBottomForcedCollapse();
    void updateCollapseButtonBottom();
    bool bottomPaneIsCollapsed() const;
    SplitViewMain* splitViewMain() const { return splitViewMain_; }
    QAbstractButton* btnCollapseBottom() const { return btnCollapseBottom_; }

    // --- buttons and menu items ---
    void toggleBottomPaneBtnClicked();
    void menuShowStatistics();
    void menuShowQueue();
    void menuShowLog();
    void menuShowDeepLookup();
    void menuShowWatchdog();
    void menuToggleConnectionsView();
    void menuShowBandwidthLimiterWindow();
    void mnuShowPreferences();
    void menuOpenNZBFile();
    void menuExportAsNZBFile();
    void menuPostMessage();
    void menuToggleFilesPanel();
    void menuCleanupQueue();
    void menuPauseSelectedQueueObjects();
    void menuResumeSelectedQueueObjects();
    void menuCancelSelectedQueueObjects();
    void menuPauseAllQueueObjects();
    void menuResumeAllQueueObjects();
    void menuCancelAllQueueObjects();
    void menuShowMainWindow();
    void menuOpenForumWebpage();
    void menuOpenSupportWebpage();
    void menuOpenAgreementWebpage();
    void menuOpenPrivacyPolicyWebpage();
    void menuShowDocumentation();
    void changeMaxMemLimiterBtnClicked();
    void bandwidthTypeBtnClicked();
    void toggleConnections();
    void openWebPageForKey(const QString& settingKey);

    // --- child windows ---
    // The one settings window: opened on the remembered page, or made anew
    // on a page (1 news servers, 2 downloads, 8 downloads with the advanced
    // part). Null while no settings window is open.
    void showPrefsWindowWithViewTag(int tag);
    void showPrefsWindow();
    PrefsWC* prefsWC() const;
    void showBandwidthLimiterWindow();
    BandwidthLimiterWC* bandwidthLimiterWC() const;
    ConnectionsVC* connectionsVC() const;
    ViewBandwidth* viewBandwidth() const { return viewBandwidth_; }
    void showAboutWindow();
    void showHelpWindow(qint64 topic);
    HelpWC* helpWC() const;
    // A new compose window, replying to `replyObject` when it is set; any
    // number may be open.
    PostWC* openPostWindow(const QueuePtr& replyObject);
    QList<PostWC*> postWindows() const;
    // A viewer for the text file under "filepath" (its file part under
    // "filepart"); one per request.
    MsgViewerWC* openMessagesViewer(const QVariantMap& dict);
    QList<MsgViewerWC*> msgViewers() const;

    // --- timer ---
    void secondTimerSelector();
    void updateDockIcon();
    QTimer* secondTimer() { return &secondTimer_; }
    void updateBandwidthDisplayType();

    // --- start-up ---
    void applicationDidStartGUI();
    void showLoadingSaveStateWindow();
    void stopLoadingSaveStateTimer();
    void closeLoadingSaveStateWindow();
    // The save state's restore (run on the global pool), its cancel and its
    // save (at quit on the global pool, and while the program runs on the
    // save-state scheduler's thread). SaveRestoreController's by default; a
    // test hands in its own to count or hold them.
    void setSaveStateHooks(std::function<void()> loadQueue, std::function<void()> cancelLoading,
                           std::function<void()> saveQueue);

    // --- quit ---
    void applicationShouldTerminate();
    void showClosingAppWindow();
    bool appIsTerminating() const { return quitSequence_.appIsTerminating(); }

    // The update feed's choice (see AppcastItem).
    static AppcastItem bestValidUpdateInAppcast(const QList<AppcastItem>& items);

    // Status fields, for the bindings and the tests.
    QLabel* textFieldDiskSpaceLeft() const { return textFieldDiskSpaceLeft_; }
    QLabel* textFieldFileMaxMemLimiter() const { return textFieldFileMaxMemLimiter_; }
    QLabel* textFieldBandwidth() const { return textFieldBandwidth_; }
    QLabel* textFieldBandwidthUnit() const { return textFieldBandwidthUnit_; }
    QLabel* textFieldFilesInQueue() const { return textFieldFilesInQueue_; }
    QLabel* textFieldTimeLeft() const { return textFieldTimeLeft_; }

    // The main menu's NZB-export item (owned by the menu).
    void setMnuItemExportNZB(QAction* item);
    QAction* mnuItemExportNZB() const;

Q_SIGNALS:
    // The files to import now, in order.
    void importOpenFiles(const QStringList& files);
    // The quit goes on: the next quit request ends the program at once.
    void terminateNowRequested();
    // The closing window has finished: end the program.
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildInterface();
    void initControllers();
    void wireStartupChecks();
    void wireQuitSequence();
    QWidget* createPage(qint64 tag);
    void openPrefsWindow(std::optional<int> tag);
    void startLoadingSaveStateTimer();
    void useSaveRestoreController();

    EngineControllers engine_;
    DockIconController* dockIconController_ = nullptr;
    FreeSpaceGuard freeSpaceGuard_;
    MemoryLimiter memoryLimiter_;
    StartupChecks startupChecks_;
    QuitSequence quitSequence_;
    MainQueueInterface* queueStatus_ = nullptr;
    // The flags of the queue controller, used while no queueStatus_ is set.
    std::unique_ptr<QueueControllerFlags> queueFlags_;
    MainConnectionsInterface* connectionsStatus_ = nullptr;
    std::function<void()> loadQueue_;
    std::function<void()> cancelLoading_;
    std::function<void()> saveQueue_;
    // The default restore, which tells when its last job is handed over.
    std::shared_ptr<SaveRestoreController> restore_;
    // Saves the queue while the program runs (after engine_, so that it is
    // gone, its running save ended, before the controllers are).
    SaveStateScheduler saveStateScheduler_;

    bool guiIsLoaded_ = false;
    bool alternateDockIconIsActive_ = false;
    QStringList dragdropFilesArray_;
    QImage downloadDockItem_;

    QTimer secondTimer_;
    QTimer loadingSaveStateTimer_;
    QPointer<LoadingSaveStateWC> loadingSaveStateWC_;
    QPointer<AboutWC> aboutWC_;
    QPointer<BandwidthLimiterWC> bandwidthLimiterWC_;
    ViewBandwidth* viewBandwidth_ = nullptr;
    QPointer<HelpWC> helpWC_;
    QPointer<PrefsWC> prefsWC_;
    QList<QPointer<PostWC>> postWindows_;
    QList<QPointer<MsgViewerWC>> msgViewers_;
    QPointer<QAction> mnuItemExportNZB_;

    QWidget* topContainer_ = nullptr;
    QWidget* bottomContainer_ = nullptr;
    SplitViewMain* splitViewMain_ = nullptr;
    QHash<qint64, ButtonCellLSB*> sideBar_;
    QAbstractButton* btnCollapseBottom_ = nullptr;
    QLabel* textFieldDiskSpaceLeft_ = nullptr;
    QLabel* textFieldFileMaxMemLimiter_ = nullptr;
    QLabel* textFieldBandwidth_ = nullptr;
    QLabel* textFieldBandwidthUnit_ = nullptr;
    QLabel* textFieldFilesInQueue_ = nullptr;
    QLabel* textFieldTimeLeft_ = nullptr;

    QHash<qint64, QWidget*> pages_;
    QPointer<QWidget> topVC_;
    QPointer<QWidget> bottomVC_;
    QPointer<QWidget> connectionsVC_;
    qint64 currentTopVCTag_ = 0;
    qint64 currentBottomVCTag_ = 0;
};
