#include "ui/core/AppDelegate.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/SettingsRegistration.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/ProcessActivity.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

AppDelegate::AppDelegate(MainWindow* window, MainVC* mainVC, QObject* parent)
    : QObject(parent), window_(window), mainVC_(mainVC)
{
    if (window_) window_->setDelegate(this);
    // The window's menus run the controller's commands, so they come once
    // both exist; the program and its tests meet them the same way.
    if (window_ && mainVC_) window_->buildMenuBar(mainVC_);
    if (mainVC_) {
        connect(mainVC_, &MainVC::terminateNowRequested, this, [this] { terminateNow_ = true; });
        connect(mainVC_, &MainVC::quitRequested, this, [] { QCoreApplication::quit(); });
    }
}

bool AppDelegate::applicationShouldTerminate()
{
    if (terminateNow_) return true;
    // Announced from the event loop: the quit sequence closes the window
    // that is asking here, which cannot happen inside its own close.
    Dispatch::onMain(
        [] { NotificationHub::defaultCenter().post(QStringLiteral("ApplicationShouldTerminate"), nullptr); });
    return false;
}

void AppDelegate::requestTermination()
{
    if (applicationShouldTerminate()) QCoreApplication::quit();
}

AppDelegate::~AppDelegate()
{
    NotificationHub::defaultCenter().removeObserver(this);
    if (window_) window_->setDelegate(nullptr);
}

bool AppDelegate::findOrCreateDirectory(QStandardPaths::StandardLocation location, const QString& component,
                                        QString* path)
{
    QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty()) {
        if (path) *path = QString();
        return false;
    }
    if (!component.isEmpty()) folder = QDir(folder).filePath(component);
    if (!QFileInfo::exists(folder) && FileUtils::createFolder(folder, false).isEmpty()) {
        if (path) *path = QString();
        return false;
    }
    if (path) *path = folder;
    return true;
}

bool AppDelegate::findOrCreateAppSupportFolder(QString* path)
{
    return findOrCreateDirectory(QStandardPaths::GenericDataLocation, QStringLiteral("Binorama"), path);
}

bool AppDelegate::initialize()
{
    QString appSupport;
    if (!findOrCreateAppSupportFolder(&appSupport) || !QFileInfo(appSupport).isDir() ||
        !QFileInfo(appSupport).isWritable()) {
        const QString tried = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                                  .filePath(QStringLiteral("Binorama"));
        DialogBoxes::alertBoxDefault(QStringLiteral("Unable to access AppSupportPath"),
                                     sformat(u"No access to:\n%@\n\nBinorama will close now.", tried));
        return false;
    }
    SettingsRegistration::registerDefaults(appSupport);
    FileUtils::createFolder(QDir(appSupport).filePath(QStringLiteral("db")), false);
    return true;
}

void AppDelegate::applicationDidFinishLaunching()
{
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ReopenMainWindow"), this,
                                                 [this](const Notification&) { reOpenMainWindow(); });
    startGUI();
    disableAppNap();
}

void AppDelegate::startGUI()
{
    showMainWindow();
    QTimer::singleShot(500, this, [this] { notifyAppThatGUIIsStarted(); });
}

void AppDelegate::notifyAppThatGUIIsStarted()
{
    if (guiStartedPosted_) return;
    guiStartedPosted_ = true;
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationDidStartGUI"), this);
}

void AppDelegate::disableAppNap()
{
    if (!activity_) activity_ = ProcessActivity::begin(QStringLiteral("Deleting in the background"));
}

void AppDelegate::showMainWindow()
{
    if (!window_) return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void AppDelegate::reOpenMainWindow()
{
    showMainWindow();
}

void AppDelegate::openFiles(const QStringList& paths)
{
    addFilesFromOpenFiles(paths);
}

void AppDelegate::addFilesFromOpenFiles(const QStringList& paths)
{
    QStringList files;
    for (const QString& p : paths) {
        if (!p.isEmpty()) files.append(QFileInfo(p).absoluteFilePath());
    }
    if (mainVC_) mainVC_->addOpenFiles(files);
}

void AppDelegate::windowDidBecomeKey()
{
    NotificationHub::defaultCenter().post(QStringLiteral("WindowDidBecomeKey"), this);
}

void AppDelegate::windowDidResignKey()
{
    NotificationHub::defaultCenter().post(QStringLiteral("WindowDidResignKey"), this);
}
