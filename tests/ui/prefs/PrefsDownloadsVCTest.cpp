#include "ui/prefs/PrefsDownloadsVC.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "queue/QueueController.h"
#include "ui/prefs/CleanupItemsTableModel.h"
#include "ui/prefs/PopupButtonDefaultNZBApp.h"
#include "ui/prefs/PrefsCleanupTable.h"
#include "ui/prefs/PrefsMemoryLimitView.h"
#include "ui/prefs/ButtonCellPrefsLSB.h"
#include "ui/prefs/PrefsSubPages.h"
#include "support/IsolatedDesktop.h"
#include "support/LogFileReader.h"
#include "support/QueueJobFixture.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

namespace {

// What the desktop itself reports as the NZB handler.
QString desktopDefault()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("application/x-nzb")});
    query.waitForFinished(10000);
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

constexpr std::uint64_t kGiB = 1ull << 30;

struct DownloadsFixture
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    CleanupItemsController cleanup;
    QueueController queue;
    std::unique_ptr<PrefsDownloadsVC> page;

    explicit DownloadsFixture(std::uint64_t memory = 8 * kGiB)
    {
        queue.setCleanupItemsController(&cleanup);
        // As the program registers it: half the memory.
        UserDefaults::standard().registerDefaults(
            {{QStringLiteral("maxMemLimit"), float(double(memory) / double(kGiB) * 0.5)}});
        PrefsContext context;
        context.queueController = &queue;
        page = std::make_unique<PrefsDownloadsVC>(context, nullptr, memory);
    }

    template <class T>
    T* control(const char* name) const
    {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
    UserDefaults& defaults() const { return UserDefaults::standard(); }
};

} // namespace

TEST(PrefsDownloads, EveryEngineSettingHasAControlThatWritesItsKey)
{
    DownloadsFixture f;
    // Check boxes: clicking flips the stored value.
    const char* boxes[] = {"moveAfterDownload",        "enableWatchFolder",
                           "enableDeleteNZB",          "enableDeleteNZBToTrash",
                           "enableFileRepair",         "enableSmartPar2Downloading",
                           "enableCheckForRepairFiles", "enableFileExtract",
                           "enableRecursiveExtraction", "enablePwdCheck",
                           "enableCheckForPasswordInNZBTitle", "enableFileObfuscationCorrection",
                           "enableFileReverseCorrection", "ignoreSampleFiles",
                           "deleteUserDefinedFiles",   "deleteEmptyFolders",
                           "executeTextfiles",         "enableMaxMemLimiter"};
    for (const char* key : boxes) {
        SCOPED_TRACE(key);
        QObject owner;
        QStringList posted;
        NotificationHub::defaultCenter().addObserver(
            QString(), &owner, [&](const Notification& n) { posted.append(n.name); });
        auto* box = f.control<QCheckBox>(key);
        ASSERT_NE(box, nullptr);
        const bool before = f.defaults().boolForKey(key);
        EXPECT_EQ(box->isChecked(), before);
        box->click();
        EXPECT_EQ(f.defaults().boolForKey(key), !before);
        EXPECT_TRUE(f.defaults().hasStoredValue(key));
        // The watch folder starts or stops at once; nothing else is announced.
        EXPECT_EQ(posted, QString(key) == "enableWatchFolder" ? QStringList{"WatchFolderHasBeenChanged"}
                                                               : QStringList{});
    }
    // Numbers: a typed value is stored (scaled where the field shows another unit).
    struct Number
    {
        const char* key;
        double shown;
        double stored;
    };
    const Number numbers[] = {{"missingPercentNotification", 25, 25},
                              {"minMissingSegmentsThreshold", 40, 40},
                              {"tcpSocketTimeout", 45, 45},
                              {"tcpBackupIdleTimeout", 30, 30},
                              {"minFreeSpace", 2.5, 2.5e9}};
    for (const Number& n : numbers) {
        SCOPED_TRACE(n.key);
        if (auto* spin = f.control<QSpinBox>(n.key)) {
            spin->setValue(int(n.shown));
        } else if (auto* dspin = f.control<QDoubleSpinBox>(n.key)) {
            dspin->setValue(n.shown);
        } else {
            ADD_FAILURE() << "no field";
            continue;
        }
        EXPECT_DOUBLE_EQ(f.defaults().doubleForKey(n.key), n.stored);
    }
    // Folders and pop-ups have their own controls, named after their keys.
    for (const char* key :
         {"downloadPath", "moveAfterDownloadPath", "watchFolderPath", "subFolderTypeTag", "maxMemLimit"})
        EXPECT_NE(f.page->findChild<QWidget*>(QString::fromLatin1(key)), nullptr) << key;
    EXPECT_NE(f.control<QTableView>("tableViewCleanUpItems"), nullptr);
    EXPECT_NE(f.control<QComboBox>("popupButtonDefaultNZBApp"), nullptr);
}

TEST(PrefsDownloads, ChosenFoldersAreStoredLoggedAndAnnounced)
{
    struct Case
    {
        int tag;
        const char* key;
        const char* logLine;
        const char* notification; // empty: none
    };
    const Case cases[] = {
        {PrefsDownloadsVC::kFolderDownload, "downloadPath", "Changing 'Download Folder' to : ",
         "DownloadPathHasBeenChanged"},
        {PrefsDownloadsVC::kFolderMoveAfterDownload, "moveAfterDownloadPath",
         "Changing 'Move After Download Folder' to : ", ""},
        {PrefsDownloadsVC::kFolderWatch, "watchFolderPath", "Changing 'NZB Watch Folder' to : ",
         "WatchFolderHasBeenChanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        DownloadsFixture f;
        QObject owner;
        QStringList posted;
        NotificationHub::defaultCenter().addObserver(
            QString(), &owner, [&](const Notification& n) { posted.append(n.name); });
        const QString folder = f.home.makeFolder(QStringLiteral("chosen/%1").arg(c.tag));
        f.page->changeFolderToUrl(folder, c.tag);
        EXPECT_EQ(f.defaults().stringForKey(c.key), folder);
        EXPECT_EQ(f.control<QWidget>(c.key)->property("text").toString(), folder);
        LogFileReader log(f.home.logFilePath());
        EXPECT_EQ(log.linesWithMessage(QString::fromLatin1(c.logLine) + folder).size(), 1);
        EXPECT_EQ(posted, *c.notification ? QStringList{QString::fromLatin1(c.notification)} : QStringList{});
    }
    // A choice without a folder, or for no folder setting, changes nothing.
    DownloadsFixture f;
    const QString before = f.defaults().stringForKey("downloadPath");
    f.page->changeFolderToUrl(QString(), PrefsDownloadsVC::kFolderDownload);
    f.page->changeFolderToUrl(f.home.makeFolder("x"), 9);
    EXPECT_EQ(f.defaults().stringForKey("downloadPath"), before);
}

TEST(PrefsDownloads, MemorySliderRangeTicksAndStoringOnRelease)
{
    struct Case
    {
        std::uint64_t memory;
        double maximum;
        int ticks;
    };
    const Case cases[] = {{8 * kGiB, 6.0, 9}, {16 * kGiB, 12.0, 21}, {2 * kGiB, 2.0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memory / kGiB);
        DownloadsFixture f(c.memory);
        PrefsMemoryLimitView* m = f.page->memoryLimit();
        EXPECT_DOUBLE_EQ(m->minimum(), 2.0);
        EXPECT_DOUBLE_EQ(m->maximum(), c.maximum);
        EXPECT_EQ(m->numberOfTickMarks(), c.ticks);
        EXPECT_EQ(m->slider()->minimum(), 20);
        EXPECT_EQ(m->slider()->maximum(), int(c.maximum * 10));
    }

    DownloadsFixture f(8 * kGiB);
    PrefsMemoryLimitView* m = f.page->memoryLimit();
    EXPECT_EQ(f.page->findChild<QLabel*>("textFieldTotalSystemMemory")->text(),
              "The total system memory is: 8.0 GB");
    // Registered: half of 8 GiB.
    EXPECT_DOUBLE_EQ(m->value(), 4.0);
    // Dragging shows the value and stores nothing.
    m->slider()->setSliderDown(true);
    m->slider()->setValue(50);
    EXPECT_EQ(m->textFieldMaxMemSize()->text(), "5.0 GB");
    EXPECT_FALSE(f.defaults().hasStoredValue("maxMemLimit"));
    m->slider()->setValue(40);
    // Letting go at 4.0 stores 4.0 and half of it.
    m->slider()->setSliderDown(false);
    EXPECT_FLOAT_EQ(f.defaults().floatForKey("maxMemLimit"), 4.0f);
    EXPECT_FLOAT_EQ(f.defaults().floatForKey("maxMemResume"), 2.0f);
    // The keyboard moves and stores at once.
    m->slider()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_FLOAT_EQ(f.defaults().floatForKey("maxMemLimit"), 4.5f);
    EXPECT_FLOAT_EQ(f.defaults().floatForKey("maxMemResume"), 2.25f);
}

TEST(PrefsDownloads, SubFolderSchemeIsGuardedWhileAJobIsLeftToDownload)
{
    DownloadsFixture f;
    QComboBox* popup = f.page->popupButtonSaveToSubFolder();
    QueuePtr job = makeListedJob(QStringLiteral("Holiday"), 1);
    f.queue.addRootQueueObjectToQueueArray(job);
    job->setTotalBytesLeft(1500000);
    f.queue.getTotalFilesInQueue();
    ASSERT_GT(f.queue.bytesLeftToDownload(), 0);

    popup->setCurrentIndex(1);
    Q_EMIT popup->activated(1);
    EXPECT_EQ(f.dialogs.askedTitles(), QStringList{"Download queue is not empty"});
    EXPECT_EQ(f.dialogs.asked().first().info,
              "You cannot change this value while there are unfinished items in the download queue.");
    EXPECT_EQ(f.defaults().integerForKey("subFolderTypeTag"), 0);
    EXPECT_EQ(popup->currentIndex(), 0) << "the pop-up shows the stored scheme again";

    // Once nothing is left, the change goes through.
    job->setTotalBytesLeft(0);
    f.queue.getTotalFilesInQueue();
    popup->setCurrentIndex(1);
    Q_EMIT popup->activated(1);
    EXPECT_EQ(f.dialogs.asked().size(), 1);
    EXPECT_EQ(f.defaults().integerForKey("subFolderTypeTag"), 1);
}

TEST(PrefsDownloads, DefaultApplicationPopUpFollowsTheDesktop)
{
    TempHome home(false);
    IsolatedDesktop desktop;
    UserDefaults::standard().resetForTesting();
    PopupButtonDefaultNZBApp popup;
    // Nothing registered: the pop-up keeps what it had.
    popup.setupPopupDefaultNZBApp();
    EXPECT_EQ(popup.count(), 1);
    EXPECT_EQ(popup.currentText(), "Not set");

    desktop.installSystemApplication("org.example.nzbviewer.desktop", "application/x-nzb;");
    desktop.installSystemApplication("alpha-reader.desktop", "text/plain;application/x-nzb;");
    // Sorted by id; the desktop's own choice (its first handler, when the
    // user chose none) is selected.
    popup.setupPopupDefaultNZBApp();
    QStringList titles;
    for (int i = 0; i < popup.count(); ++i)
        titles << popup.itemText(i);
    EXPECT_EQ(titles, QStringList({"Alpha-reader", "Nzbviewer"}));
    EXPECT_EQ(popup.currentText(), "Alpha-reader");
    EXPECT_EQ(popup.itemData(1, Qt::ToolTipRole).toString(), "org.example.nzbviewer.desktop");
    EXPECT_EQ(popup.itemData(1).toInt(), 2);

    // The desktop's default is an application that does not list the type
    // (chosen once through "Open with"): none of the list is the default.
    desktop.installSystemApplication("plain-editor.desktop", "text/plain;");
    QDir().mkpath(home.path() + "/.config");
    QFile list(home.path() + "/.config/mimeapps.list");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\napplication/x-nzb=plain-editor.desktop\n");
    list.close();
    testing::internal::CaptureStderr();
    popup.setupPopupDefaultNZBApp();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Default App for NZB not found."), std::string::npos);
    titles.clear();
    for (int i = 0; i < popup.count(); ++i)
        titles << popup.itemText(i);
    EXPECT_EQ(titles, QStringList({"Not set", "Alpha-reader", "Nzbviewer"}));
    EXPECT_EQ(popup.currentIndex(), 0);
    EXPECT_EQ(popup.itemData(0).toInt(), 0);
    // "Not set" itself changes nothing.
    Q_EMIT popup.activated(0);
    EXPECT_EQ(desktopDefault(), "plain-editor.desktop");

    // Choosing makes it the desktop's default, as xdg-mime reports it.
    popup.setCurrentIndex(2);
    Q_EMIT popup.activated(2);
    EXPECT_EQ(desktopDefault(), "org.example.nzbviewer.desktop");
    EXPECT_EQ(popup.currentText(), "Nzbviewer");
    EXPECT_EQ(popup.findText("Not set"), -1);
}

TEST(PrefsDownloads, DefaultApplicationTitles)
{
    const std::pair<const char*, const char*> cases[] = {{"binorama.desktop", "Binorama"},
                                                         {"org.kde.ktorrent.desktop", "Ktorrent"},
                                                         {"nzbget", "Nzbget"},
                                                         {"org.example.Viewer.desktop", "Viewer"}};
    for (const auto& [id, title] : cases)
        EXPECT_EQ(PopupButtonDefaultNZBApp::titleForDesktopId(QString::fromLatin1(id)), title) << id;
}

TEST(PrefsDownloads, CleanupPatternsAreAddedEditedAndRemovedAfterAsking)
{
    DownloadsFixture f;
    PrefsCleanupTable* t = f.page->cleanupTable();
    QAbstractItemModel* model = t->tableViewCleanUpItems()->model();
    t->insertCleanupItem();
    t->insertCleanupItem();
    ASSERT_EQ(f.cleanup.count(), 2);
    EXPECT_TRUE(f.cleanup.shouldSave());
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(0, CleanupItemsTableModel::kColumnInfo), Qt::DisplayRole), "New");

    f.cleanup.setShouldSave(false);
    EXPECT_TRUE(model->setData(model->index(0, CleanupItemsTableModel::kColumnSearchItem), " *.nfo ", Qt::EditRole));
    EXPECT_EQ(f.cleanup.arrayCleanupItems().at(0).searchItem, "*.nfo");
    EXPECT_TRUE(f.cleanup.shouldSave());
    f.cleanup.setShouldSave(false);
    EXPECT_TRUE(model->setData(model->index(1, CleanupItemsTableModel::kColumnCheckbox), Qt::Unchecked,
                               Qt::CheckStateRole));
    EXPECT_FALSE(f.cleanup.arrayCleanupItems().at(1).checkbox);
    EXPECT_TRUE(f.cleanup.shouldSave()) << "a click on a check box marks the patterns for saving";

    // Nothing chosen: Remove is off; with a row chosen it asks first.
    t->tableViewCleanUpItems()->clearSelection();
    t->menuWillOpen();
    EXPECT_TRUE(t->menuItemAdd()->isEnabled());
    EXPECT_FALSE(t->menuItemRemove()->isEnabled());
    t->tableViewCleanUpItems()->selectRow(0);
    t->menuWillOpen();
    EXPECT_TRUE(t->menuItemRemove()->isEnabled());
    f.dialogs.script({DialogBoxes::kSecondButton});
    t->removeCleanupItem();
    EXPECT_EQ(f.dialogs.askedTitles(), QStringList{"Delete 1 items?"});
    EXPECT_EQ(f.cleanup.count(), 2) << "No keeps them";
    // Yes, through the Delete key of the table.
    f.dialogs.script({DialogBoxes::kFirstButton});
    QTest::keyClick(t->tableViewCleanUpItems(), Qt::Key_Delete);
    EXPECT_EQ(f.dialogs.askedTitles().size(), 2);
    ASSERT_EQ(f.cleanup.count(), 1);
    EXPECT_EQ(f.cleanup.arrayCleanupItems().at(0).searchItem, "");
}

TEST(PrefsDownloads, SubPageIsRememberedWhenThePageIsHidden)
{
    DownloadsFixture f;
    EXPECT_EQ(f.page->subPages()->currentVCTag(), 1);
    f.page->show();
    f.page->subPages()->button(PrefsDownloadsVC::kSubPageAdvanced)->click();
    EXPECT_EQ(f.page->subPages()->currentView(), f.page->memoryLimit()->parentWidget());
    f.page->hide();
    EXPECT_EQ(f.defaults().integerForKey("lastUsedPrefsDownloadView"), PrefsDownloadsVC::kSubPageAdvanced);
    // A new page opens where the last one was left.
    PrefsDownloadsVC again(PrefsContext{}, nullptr, 8 * kGiB);
    EXPECT_EQ(again.subPages()->currentVCTag(), PrefsDownloadsVC::kSubPageAdvanced);
    EXPECT_TRUE(again.subPages()->button(PrefsDownloadsVC::kSubPageAdvanced)->isChecked());
    EXPECT_FALSE(again.subPages()->button(1)->isChecked());
}

TEST(PrefsDownloads, TheLimiterButtonAsksTheMainWindowForItsLimiterWindow)
{
    DownloadsFixture f;
    QObject owner;
    int asked = 0;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("OpenBandwidthLimiterWindow"), &owner,
                                                 [&](const Notification&) { ++asked; });
    auto* button = f.control<QPushButton>("btnOpenBandwidthLimiter");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(asked, 1);
}
