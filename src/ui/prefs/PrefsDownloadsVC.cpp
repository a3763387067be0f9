#include "ui/prefs/PrefsDownloadsVC.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "ui/prefs/PopupButtonDefaultNZBApp.h"
#include "ui/prefs/PrefsCleanupTable.h"
#include "ui/prefs/PrefsFolderField.h"
#include "ui/prefs/PrefsForm.h"
#include "ui/prefs/PrefsMemoryLimitView.h"
#include "ui/prefs/PrefsSubPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

struct FolderEntry
{
    int tag;
    const char* key;
    const char* logLine;
    const char* notification; // null: nobody watches this folder
};

constexpr FolderEntry kFolders[] = {
    {PrefsDownloadsVC::kFolderDownload, "downloadPath", "Changing 'Download Folder' to : %@",
     "DownloadPathHasBeenChanged"},
    {PrefsDownloadsVC::kFolderMoveAfterDownload, "moveAfterDownloadPath",
     "Changing 'Move After Download Folder' to : %@", nullptr},
    {PrefsDownloadsVC::kFolderWatch, "watchFolderPath", "Changing 'NZB Watch Folder' to : %@",
     "WatchFolderHasBeenChanged"},
};

const FolderEntry* folderFor(int tag)
{
    for (const FolderEntry& entry : kFolders)
        if (entry.tag == tag) return &entry;
    return nullptr;
}

const QString kSubFolderKey = QStringLiteral("subFolderTypeTag");

} // namespace

PrefsDownloadsVC::PrefsDownloadsVC(const PrefsContext& context, QWidget* parent, std::uint64_t physicalMemoryBytes)
    : PrefsPage(parent), context_(context),
      subPages_(new PrefsSubPages(QStringLiteral("lastUsedPrefsDownloadView"), this))
{
    setObjectName(QStringLiteral("PrefsDownloadsVC"));
    subPages_->addSubPage(QStringLiteral("Folders"), QStringLiteral("tbButtonFolders"), makeFoldersView());
    subPages_->addSubPage(QStringLiteral("Repair & Extract"), QStringLiteral("tbButtonRepairExtract"),
                          makeRepairExtractView());
    subPages_->addSubPage(QStringLiteral("Cleanup"), QStringLiteral("tbButtonCleanup"), makeCleanupView());
    subPages_->addSubPage(QStringLiteral("Other"), QStringLiteral("tbButtonOther"), makeOtherView());
    subPages_->addSubPage(QStringLiteral("Advanced"), QStringLiteral("tbButtonAdvanced"),
                          makeAdvancedView(physicalMemoryBytes));
    subPages_->addSubPage(QStringLiteral("Bandwidth"), QStringLiteral("tbButtonBandwidth"), makeBandwidthView());
    setContent(subPages_);
    subPages_->showInitialSubPage();
}

void PrefsDownloadsVC::addFolderRow(PrefsForm* form, int tag, const QString& label)
{
    auto* field = new PrefsFolderField(QString::fromLatin1(folderFor(tag)->key), form);
    connect(field, &PrefsFolderField::folderChosen, this,
            [this, tag](const QString& path) { changeFolderToUrl(path, tag); });
    folderFields_.append(field);
    form->addRow(label, field);
}

QWidget* PrefsDownloadsVC::makeFoldersView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Downloads"));
    addFolderRow(form, kFolderDownload, QStringLiteral("Save downloads to:"));
    popupButtonSaveToSubFolder_ = new QComboBox(form);
    popupButtonSaveToSubFolder_->setObjectName(kSubFolderKey);
    popupButtonSaveToSubFolder_->addItem(QStringLiteral("A folder per download"), 0);
    popupButtonSaveToSubFolder_->addItem(QStringLiteral("A folder per newsgroup, then per download"), 1);
    connect(popupButtonSaveToSubFolder_, &QComboBox::activated, this,
            [this](int index) { subFolderChangedTo(popupButtonSaveToSubFolder_->itemData(index).toInt()); });
    setupPopupSaveToSubFolder();
    form->addRow(QStringLiteral("Sub-folders:"), popupButtonSaveToSubFolder_);

    form->addSection(QStringLiteral("When a download is finished"));
    form->addCheckBox("moveAfterDownload", QStringLiteral("Move it to another folder"));
    addFolderRow(form, kFolderMoveAfterDownload, QStringLiteral("Move to:"));

    form->addSection(QStringLiteral("Watch folder"));
    QCheckBox* watch = form->addCheckBox("enableWatchFolder", QStringLiteral("Download NZB files put into a folder"));
    connect(watch, &QCheckBox::clicked, this, [this] {
        NotificationHub::defaultCenter().post(QStringLiteral("WatchFolderHasBeenChanged"), this);
    });
    addFolderRow(form, kFolderWatch, QStringLiteral("Watch folder:"));
    form->addCheckBox("enableDeleteNZB", QStringLiteral("Delete an NZB file once it is in the queue"));
    form->addCheckBox("enableDeleteNZBToTrash", QStringLiteral("Move deleted NZB files to the trash"));
    form->finish();
    return form;
}

QWidget* PrefsDownloadsVC::makeRepairExtractView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Repair"));
    form->addCheckBox("enableFileRepair", QStringLiteral("Check and repair downloads with PAR2 files"));
    form->addCheckBox("enableSmartPar2Downloading",
                      QStringLiteral("Hold back PAR2 recovery volumes until a repair needs them"));
    form->addCheckBox("enableCheckForRepairFiles", QStringLiteral("Pause a download that comes without PAR2 files"));
    form->addSection(QStringLiteral("Extraction"));
    form->addCheckBox("enableFileExtract", QStringLiteral("Extract RAR, 7z and zip archives"));
    form->addCheckBox("enableRecursiveExtraction", QStringLiteral("Extract archives found inside archives"));
    form->addCheckBox("enablePwdCheck", QStringLiteral("Check archives for a password while downloading"));
    form->addCheckBox("enableCheckForPasswordInNZBTitle",
                      QStringLiteral("Take a password from an NZB name (\"title{{password}}\")"));
    form->addSection(QStringLiteral("File names"));
    form->addCheckBox("enableFileObfuscationCorrection",
                      QStringLiteral("Give obfuscated files their real names from the PAR2 data"));
    form->addCheckBox("enableFileReverseCorrection", QStringLiteral("Correct file names written backwards"));
    form->addCheckBox("ignoreSampleFiles", QStringLiteral("Skip sample files"));
    form->finish();
    return form;
}

QWidget* PrefsDownloadsVC::makeCleanupView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("After a download is extracted"));
    form->addCheckBox("deleteUserDefinedFiles", QStringLiteral("Delete files that match these patterns:"));
    cleanupTable_ = new PrefsCleanupTable(
        context_.queueController ? context_.queueController->cleanupItemsController() : nullptr, form);
    cleanupTable_->setMinimumWidth(500);
    form->addRow(cleanupTable_);
    form->addNote(QStringLiteral("Patterns may use * and ?, for example *.nfo or sample*. Double-click a cell "
                                 "or press F2 to edit it."));
    form->addCheckBox("deleteEmptyFolders", QStringLiteral("Delete folders left empty"));
    form->finish();
    return form;
}

QWidget* PrefsDownloadsVC::makeOtherView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("NZB files"));
    popupButtonDefaultNZBApp_ = new PopupButtonDefaultNZBApp(form);
    form->addRow(QStringLiteral("Open NZB files with:"), popupButtonDefaultNZBApp_);
    form->addSection(QStringLiteral("Finished files"));
    form->addCheckBox("executeTextfiles", QStringLiteral("Open text files of a download when it is finished"));
    form->addSection(QStringLiteral("Missing articles"));
    form->addIntegerField("missingPercentNotification", QStringLiteral("Stop asking a server after"), 0, 100,
                          QStringLiteral(" % missing"));
    form->addIntegerField("minMissingSegmentsThreshold", QStringLiteral("for downloads of more than"), 0, 100000,
                          QStringLiteral(" articles"));
    form->addNote(QStringLiteral("The other servers and the backup servers fetch the rest of that download."));
    form->finish();
    return form;
}

QWidget* PrefsDownloadsVC::makeAdvancedView(std::uint64_t physicalMemoryBytes)
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Memory"));
    form->addCheckBox("enableMaxMemLimiter",
                      QStringLiteral("Limit the memory used for downloading"));
    memoryLimit_ = new PrefsMemoryLimitView(physicalMemoryBytes, form);
    form->addRow(memoryLimit_);
    form->addNote(QStringLiteral("Downloading pauses at the limit and resumes once the memory in use falls to half of it."));
    form->addSection(QStringLiteral("Disk"));
    form->addScaledField("minFreeSpace", QStringLiteral("Keep free at least:"), 0.1, 100000.0, 1e9,
                         QStringLiteral(" GB"));
    form->addNote(QStringLiteral("Downloading pauses when the download folder's disk has less room."));
    form->addSection(QStringLiteral("Connections"));
    form->addIntegerField("tcpSocketTimeout", QStringLiteral("Connection time-out:"), 5, 600, QStringLiteral(" s"));
    form->addIntegerField("tcpBackupIdleTimeout", QStringLiteral("Backup idle time-out:"), 1, 3600,
                          QStringLiteral(" s"));
    form->finish();
    return form;
}

QWidget* PrefsDownloadsVC::makeBandwidthView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Bandwidth limiter"));
    const UserDefaults& d = UserDefaults::standard();
    QString state = QStringLiteral("No limit is set.");
    if (d.boolForKey(QStringLiteral("enableBandwidthThrottling"))) {
        state = QStringLiteral("Downloads are limited to %1")
                    .arg(Utils::formatBitsPerSecond(d.doubleForKey(QStringLiteral("maxBandwidthThroughPut"))));
        state += d.boolForKey(QStringLiteral("enableBandwidthThrottlingScheduler"))
                     ? QStringLiteral(" on a weekly schedule.")
                     : QStringLiteral(".");
    }
    QLabel* current = form->addNote(state);
    current->setObjectName(QStringLiteral("textFieldBandwidthState"));
    auto* open = new QPushButton(QStringLiteral("Open Bandwidth Limiter…"), form);
    open->setObjectName(QStringLiteral("btnOpenBandwidthLimiter"));
    // The main window owns the one limiter window and opens it on this notification.
    connect(open, &QPushButton::clicked, this, [this] {
        NotificationHub::defaultCenter().post(QStringLiteral("OpenBandwidthLimiterWindow"), this);
    });
    form->addRow(open);
    form->addNote(QStringLiteral("The limiter sets the highest download speed, for all hours or on chosen days "
                                 "and hours of the week."));
    form->finish();
    return form;
}

void PrefsDownloadsVC::setupPopupSaveToSubFolder()
{
    const int index =
        popupButtonSaveToSubFolder_->findData(int(UserDefaults::standard().integerForKey(kSubFolderKey)));
    popupButtonSaveToSubFolder_->setCurrentIndex(index >= 0 ? index : 0);
}

void PrefsDownloadsVC::subFolderChangedTo(int tag)
{
    const double left = context_.queueController ? context_.queueController->bytesLeftToDownload() : 0.0;
    if (left > 0) {
        setupPopupSaveToSubFolder();
        DialogBoxes::alertBoxDefault(
            QStringLiteral("Download queue is not empty"),
            QStringLiteral("You cannot change this value while there are unfinished items in the download queue."));
        return;
    }
    UserDefaults::standard().setInteger(tag, kSubFolderKey);
    setupPopupSaveToSubFolder();
}

void PrefsDownloadsVC::changeFolderToUrl(const QString& path, int tag)
{
    const FolderEntry* entry = folderFor(tag);
    if (!entry || path.isEmpty()) return;
    const QString key = QString::fromLatin1(entry->key);
    BLOG(1, QString::fromLatin1(entry->logLine), path);
    UserDefaults::standard().setString(path, key);
    FileUtils::saveBookMark(key);
    for (PrefsFolderField* field : folderFields_)
        if (field->key() == key) field->refresh();
    if (entry->notification)
        NotificationHub::defaultCenter().post(QString::fromLatin1(entry->notification), this);
}

void PrefsDownloadsVC::showEvent(QShowEvent* e)
{
    PrefsPage::showEvent(e);
    popupButtonDefaultNZBApp_->setupPopupDefaultNZBApp();
}

void PrefsDownloadsVC::hideEvent(QHideEvent* e)
{
    PrefsPage::hideEvent(e);
    subPages_->savecurrentVCTag();
}
