#include "ui/core/MainVC.h"

#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"

#include <QDate>

#include <QLabel>
#include <QVBoxLayout>

MainVC::MainVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MainVC"));
    auto* layout = new QVBoxLayout(this);
    auto* placeholder = new QLabel(QStringLiteral("Binorama"), this);
    placeholder->setObjectName(QStringLiteral("placeholderPage"));
    placeholder->setAlignment(Qt::AlignCenter);
    layout->addWidget(placeholder);

    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationDidStartGUI"), this,
                                                 [this](const Notification&) { applicationDidStartGUI(); });
    logAppInformation();
}

void MainVC::logAppInformation()
{
    UserDefaults& d = UserDefaults::standard();
    BLOG(0, "-");
    BLOG(0, "Starting %@ v%@ build %@", d.stringForKey(QStringLiteral("appName")),
         d.stringForKey(QStringLiteral("appVersionNr")), d.stringForKey(QStringLiteral("appBuildNr")));
    BLOG(0, "Copyright (c) %@ the Binorama developers", QDate::currentDate().toString(QStringLiteral("yyyy")));
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

MainVC::~MainVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void MainVC::addOpenFiles(const QStringList& files)
{
    if (!guiStarted_) {
        heldOpenFiles_.append(files);
        return;
    }
    Q_EMIT importOpenFiles(files);
}

void MainVC::applicationDidStartGUI()
{
    guiStarted_ = true;
    const QStringList held = std::exchange(heldOpenFiles_, {});
    if (!held.isEmpty())
        Q_EMIT importOpenFiles(held);
}
