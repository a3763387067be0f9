#include "ui/prefs/PrefsDeepLookupVC.h"
#include "ui/prefs/PrefsInterfaceVC.h"
#include "ui/prefs/PrefsStatisticsVC.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/DownloadHistoryController.h"
#include "ui/prefs/PrefsSubPages.h"
#include "support/QueueJobFixture.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

namespace {

// Names of the notifications posted while it lives.
struct PostedNames
{
    QObject owner;
    QStringList names;
    PostedNames()
    {
        NotificationHub::defaultCenter().addObserver(QString(), &owner,
                                                     [this](const Notification& n) { names.append(n.name); });
    }
};

} // namespace

TEST(PrefsInterface, ResetConfirmationsSetsExactlyThreeKeys)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    UserDefaults& d = UserDefaults::standard();
    const char* reset[] = {"showDialogDMCAWarning", "showDialogNewsgroupTypes",
                           "showDialogMakeWatchdogFromDeepLookupObject"};
    const char* untouched[] = {"showDialogClosingApp", "showDialogOver3Newsgroups", "showDialogDoubleClick",
                               "showDialogRemoveWatchdogEntries"};
    for (const char* key : reset)
        d.setBool(false, key);
    for (const char* key : untouched)
        d.setBool(false, key);
    PrefsInterfaceVC page{PrefsContext{}};
    page.findChild<QPushButton*>("btnResetConfirmations")->click();
    for (const char* key : reset)
        EXPECT_TRUE(d.boolForKey(key)) << key;
    for (const char* key : untouched)
        EXPECT_FALSE(d.boolForKey(key)) << key;
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST(PrefsPages, ControlsWriteTheirKeysAndTellOpenPagesAtOnce)
{
    TempHome home;
    PrefsInterfaceVC interface{PrefsContext{}};
    PrefsDeepLookupVC deepLookup{PrefsContext{}};
    PrefsStatisticsVC statistics{PrefsContext{}};
    struct Case
    {
        QWidget* page;
        const char* key;
        const char* notification; // empty: none
    };
    const Case boxes[] = {
        {&interface, "showMegaBytesPerSecond", "BandwidthDisplayTypeChanged"},
        {&interface, "enableRowHeightChanging", ""},
        {&interface, "enableNotificationMessages", ""},
        {&interface, "closeConnectionsOnExit", ""},
        {&deepLookup, "enableDPRowHover", "EnableDPRowHoverChangeNotification"},
        {&deepLookup, "enableSearchTextHighlighting", ""},
        {&deepLookup, "tagNewArticles", ""},
        {&deepLookup, "executeDoubleClick", ""},
        {&deepLookup, "dpHidePwdEntries", ""},
        {&deepLookup, "dpHideObfuscation", ""},
        {&statistics, "statsUseLastWeekWhenStarting", ""},
    };
    for (const Case& c : boxes) {
        SCOPED_TRACE(c.key);
        PostedNames posted;
        auto* box = c.page->findChild<QCheckBox*>(QString::fromLatin1(c.key));
        ASSERT_NE(box, nullptr);
        const bool before = UserDefaults::standard().boolForKey(c.key);
        box->click();
        EXPECT_EQ(UserDefaults::standard().boolForKey(c.key), !before);
        EXPECT_EQ(posted.names, *c.notification ? QStringList{c.notification} : QStringList{});
    }
    PostedNames posted;
    auto* darkness = deepLookup.findChild<QComboBox*>("dpRowHoverDarkness");
    ASSERT_NE(darkness, nullptr);
    EXPECT_EQ(darkness->currentData().toInt(), 20);
    darkness->setCurrentIndex(3);
    Q_EMIT darkness->activated(3);
    EXPECT_EQ(UserDefaults::standard().integerForKey("dpRowHoverDarkness"), 40);
    EXPECT_EQ(posted.names, QStringList{"DPRowHoverDarknessChangeNotification"});

    for (const char* key : {"dpResultsPerPage", "maxItemsInDownloadHistory", "maxSearchHistoryDatabase",
                            "dpIncompletePercentageThreshold"}) {
        auto* field = deepLookup.findChild<QSpinBox*>(QString::fromLatin1(key));
        ASSERT_NE(field, nullptr) << key;
        field->setValue(field->minimum() + 1);
        EXPECT_EQ(UserDefaults::standard().integerForKey(key), field->minimum() + 1) << key;
    }
    statistics.findChild<QSpinBox*>("statsDataQueryInterval")->setValue(30);
    EXPECT_EQ(UserDefaults::standard().integerForKey("statsDataQueryInterval"), 30);
}

TEST(PrefsDeepLookup, DeletingTheHistoryEmptiesMemoryAndStoreAfterYes)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    DownloadHistoryController history;
    QueuePtr job = makeListedJob(QStringLiteral("Holiday"), 10);
    job->setFid(QStringLiteral("fid-1"));
    history.addRowObject(job);
    ASSERT_TRUE(history.saveHistory());
    PrefsContext context;
    context.downloadHistoryController = &history;
    PrefsDeepLookupVC page(context);

    dialogs.script({DialogBoxes::kSecondButton});
    page.findChild<QPushButton*>("deleteDownloadHistoryBtn")->click();
    EXPECT_EQ(dialogs.askedTitles(), QStringList{"Delete the complete download history?"});
    EXPECT_EQ(dialogs.asked().first().info, "The complete download history will be deleted.\nDo you want this?");
    EXPECT_EQ(history.count(), 1) << "No changes nothing";

    dialogs.script({DialogBoxes::kFirstButton, DialogBoxes::kFirstButton});
    page.deleteDownloadHistory();
    EXPECT_EQ(dialogs.askedTitles().mid(1),
              QStringList({"Delete the complete download history?", "Done !!"}));
    EXPECT_EQ(dialogs.asked().last().info, "The download history is deleted.");
    EXPECT_EQ(history.count(), 0);
    DownloadHistoryController reloaded;
    EXPECT_EQ(reloaded.count(), 0) << "the store is empty too";
    EXPECT_FALSE(reloaded.containsFid(QStringLiteral("fid-1")));
}

TEST(PrefsDeepLookup, WithoutAHistoryControllerTheButtonIsOff)
{
    TempHome home;
    PrefsDeepLookupVC page{PrefsContext{}};
    EXPECT_FALSE(page.findChild<QPushButton*>("deleteDownloadHistoryBtn")->isEnabled());
    page.subPages()->changeViewController(3);
    page.show();
    page.hide();
    EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedPrefsDeepLookupView"), 3);
}
