#include "ui/core/MainWindow.h"

#include "ui/core/AppDelegate.h"
#include "ui/core/MainVC.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Binorama"));
    setAcceptDrops(true);
    resize(1100, 700);
    // The desktop's quit shortcut asks to quit like closing the window.
    quit_ = new QAction(QStringLiteral("Quit Binorama"), this);
    quit_->setObjectName(QStringLiteral("menuQuit"));
    quit_->setShortcut(QKeySequence::Quit);
    quit_->setShortcutContext(Qt::ApplicationShortcut);
    quit_->setMenuRole(QAction::QuitRole);
    connect(quit_, &QAction::triggered, this, [this] {
        if (delegate_) delegate_->requestTermination();
    });
    addAction(quit_);
}

namespace {

struct MenuItem
{
    const char* name; // the controller's command; empty for a separator
    const char* title;
    void (MainVC::*command)();
    QKeySequence shortcut = {};
};

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& title, MainVC* vc,
               std::initializer_list<MenuItem> items)
{
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QString::fromLatin1(name));
    for (const MenuItem& item : items) {
        if (!*item.name) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.title));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setShortcut(item.shortcut);
        QObject::connect(action, &QAction::triggered, vc, item.command);
    }
    return menu;
}

} // namespace

void MainWindow::buildMenuBar(MainVC* vc)
{
    QMenuBar* bar = menuBar();
    if (!vc || bar->findChild<QMenu*>(QStringLiteral("menuFile"))) return;
    const MenuItem separator{"", "", nullptr};

    QMenu* file = addMenu(
        bar, "menuFile", QStringLiteral("&File"), vc,
        {{"menuOpenNZBFile", "Open NZB…", &MainVC::menuOpenNZBFile, QKeySequence::Open},
         {"menuExportAsNZBFile", "Export as NZB…", &MainVC::menuExportAsNZBFile},
         {"menuPostMessage", "Post Message…", &MainVC::menuPostMessage},
         separator,
         {"mnuShowPreferences", "Preferences…", &MainVC::mnuShowPreferences, QKeySequence::Preferences}});
    file->addSeparator();
    file->addAction(quit_);

    addMenu(bar, "menuQueue", QStringLiteral("&Queue"), vc,
            {{"menuPauseSelectedQueueObjects", "Pause Selected", &MainVC::menuPauseSelectedQueueObjects},
             {"menuResumeSelectedQueueObjects", "Resume Selected", &MainVC::menuResumeSelectedQueueObjects},
             {"menuCancelSelectedQueueObjects", "Cancel Selected", &MainVC::menuCancelSelectedQueueObjects},
             separator,
             {"menuPauseAllQueueObjects", "Pause All", &MainVC::menuPauseAllQueueObjects},
             {"menuResumeAllQueueObjects", "Resume All", &MainVC::menuResumeAllQueueObjects},
             {"menuCancelAllQueueObjects", "Cancel All", &MainVC::menuCancelAllQueueObjects},
             separator,
             {"menuCleanupQueue", "Clean Up", &MainVC::menuCleanupQueue},
             {"menuToggleFilesPanel", "Files Panel", &MainVC::menuToggleFilesPanel}});

    addMenu(bar, "menuView", QStringLiteral("&View"), vc,
            {{"menuShowDeepLookup", "Search", &MainVC::menuShowDeepLookup},
             {"menuShowQueue", "Queue", &MainVC::menuShowQueue},
             {"menuShowLog", "Log", &MainVC::menuShowLog},
             {"menuShowWatchdog", "Watchdog", &MainVC::menuShowWatchdog},
             {"menuShowStatistics", "Statistics", &MainVC::menuShowStatistics},
             separator,
             {"menuToggleConnectionsView", "Connections", &MainVC::menuToggleConnectionsView}});

    addMenu(
        bar, "menuWindow", QStringLiteral("&Window"), vc,
        {{"menuShowMainWindow", "Main Window", &MainVC::menuShowMainWindow},
         {"menuShowBandwidthLimiterWindow", "Bandwidth Limiter", &MainVC::menuShowBandwidthLimiterWindow}});

    addMenu(bar, "menuHelp", QStringLiteral("&Help"), vc,
            {{"menuShowDocumentation", "Documentation", &MainVC::menuShowDocumentation,
              QKeySequence::HelpContents},
             separator,
             {"menuOpenForumWebpage", "Forum", &MainVC::menuOpenForumWebpage},
             {"menuOpenSupportWebpage", "Support", &MainVC::menuOpenSupportWebpage},
             {"menuOpenAgreementWebpage", "Agreement", &MainVC::menuOpenAgreementWebpage},
             {"menuOpenPrivacyPolicyWebpage", "Privacy Policy", &MainVC::menuOpenPrivacyPolicyWebpage},
             separator,
             {"showAboutWindow", "About Binorama", &MainVC::showAboutWindow}});
    bar->findChild<QAction*>(QStringLiteral("showAboutWindow"))->setMenuRole(QAction::AboutRole);

    // Enabled by the search page while results are chosen.
    QAction* exportNZB = bar->findChild<QAction*>(QStringLiteral("menuExportAsNZBFile"));
    exportNZB->setEnabled(false);
    vc->setMnuItemExportNZB(exportNZB);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList files;
    if (const QMimeData* mime = event->mimeData()) {
        for (const QUrl& url : mime->urls()) {
            if (url.isLocalFile()) files.append(url.toLocalFile());
        }
    }
    if (!files.isEmpty() && delegate_) delegate_->openFiles(files);
    // A drop without file names is still accepted, as the user expects.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool MainWindow::event(QEvent* event)
{
    if (delegate_) {
        if (event->type() == QEvent::WindowActivate)
            delegate_->windowDidBecomeKey();
        else if (event->type() == QEvent::WindowDeactivate)
            delegate_->windowDidResignKey();
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (delegate_ && !delegate_->applicationShouldTerminate()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
