#include "ui/prefs/PrefsDeepLookupVC.h"
#include "ui/prefs/PrefsDownloadsVC.h"
#include "ui/prefs/PrefsInterfaceVC.h"
#include "ui/prefs/PrefsStatisticsVC.h"
#include "ui/prefs/PrefsUpdatesVC.h"
#include "ui/prefs/PrefsUploadsVC.h"
#include "ui/prefs/PrefsPages.h"
#include "ui/prefs/PrefsWC.h"

#include "core/UpdateChecker.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "queue/DownloadHistoryController.h"
#include "queue/QueueController.h"
#include "ui/prefs/PrefsSubPages.h"
#include "ui/prefs/SignatureTextView.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

// Shows the page, grabs it and, with BINORAMA_SCREENSHOT_DIR set, saves it
// as <name>.png there. Every shot must have content beyond the background.
void shoot(QWidget* page, const QString& name)
{
    page->resize(820, 560);
    page->show();
    spinEventLoop(50);
    const QImage shot = page->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(820, 560) * page->devicePixelRatio()) << name.toStdString();
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name.toStdString() << " looks empty";
    saveScreenshot(shot, qPrintable(name + QStringLiteral(".png")));
}

void shootSubPages(QWidget* page, PrefsSubPages* subPages, const QStringList& names)
{
    for (int tag = 1; tag <= names.size(); ++tag) {
        subPages->changeViewController(tag);
        shoot(page, names.at(tag - 1));
    }
}

} // namespace

TEST(PrefsScreenshots, EveryPageAndSubPage)
{
    TempHome home;
    CleanupItemsController cleanup;
    cleanup.insertNewItem();
    cleanup.setItem(0, CleanupItem(true, QStringLiteral("*.nfo"), QStringLiteral("Info files")));
    cleanup.insertNewItem();
    cleanup.setItem(0, CleanupItem(true, QStringLiteral("*.sfv"), QStringLiteral("Checksum lists")));
    cleanup.insertNewItem();
    cleanup.setItem(0, CleanupItem(false, QStringLiteral("sample*"), QStringLiteral("Sample videos")));
    QueueController queue;
    queue.setCleanupItemsController(&cleanup);
    DownloadHistoryController history;
    PrefsContext context;
    context.queueController = &queue;
    context.downloadHistoryController = &history;

    PrefsDownloadsVC downloads(context, nullptr, 16 * kGiB);
    shootSubPages(&downloads, downloads.subPages(),
                  {"prefs-download-folders", "prefs-download-repair", "prefs-download-cleanup",
                   "prefs-download-other", "prefs-download-advanced", "prefs-download-bandwidth"});

    UserDefaults::standard().setBool(true, QStringLiteral("enableUserSignature"));
    PrefsUploadsVC uploads(context);
    uploads.signatureTextView()->setPlainText(QStringLiteral("-- \nPosted with Binorama"));
    shootSubPages(&uploads, uploads.subPages(), {"prefs-post-identity", "prefs-post-advanced"});

    PrefsDeepLookupVC deepLookup(context);
    shootSubPages(&deepLookup, deepLookup.subPages(),
                  {"prefs-deeplookup-interface", "prefs-deeplookup-history", "prefs-deeplookup-other"});

    PrefsInterfaceVC interface(context);
    shoot(&interface, "prefs-interface");
    PrefsStatisticsVC statistics(context);
    shoot(&statistics, "prefs-statistics");
    UpdateChecker checker;
    PrefsUpdatesVC updates(context, nullptr, &checker);
    shoot(&updates, "prefs-updates");
}

TEST(PrefsScreenshots, WindowShowsThePagesWhole)
{
    TempHome home;
    QueueController queue;
    DownloadHistoryController history;
    PrefsContext context;
    context.queueController = &queue;
    context.downloadHistoryController = &history;
    // Opened from the memory-limiter button: the Download page on Advanced.
    PrefsWC window(context, PrefsPages::kDownloadAdvanced);
    window.show();
    spinEventLoop(50);
    for (int tag : {PrefsPages::kDownload, PrefsPages::kPost, PrefsPages::kStatistics, PrefsPages::kInterface,
                    PrefsPages::kDeepLookup, PrefsPages::kUpdates}) {
        SCOPED_TRACE(tag);
        if (tag != PrefsPages::kDownload) window.changeViewController(tag);
        EXPECT_TRUE(waitUntil([&] {
            return window.width() >= window.topVC()->minimumSizeHint().width() &&
                   window.height() >= window.topVC()->minimumSizeHint().height() + PrefsWC::kToolbarHeight;
        }));
        spinEventLoop(450); // the resize animation
        EXPECT_EQ(window.windowTitle(), QString::fromLatin1(PrefsPages::entryFor(tag)->title));
        if (const QByteArray dir = qgetenv("BINORAMA_SCREENSHOT_DIR"); !dir.isEmpty()) {
            const QString path =
                QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("prefs-window-page%1.png").arg(tag));
            EXPECT_TRUE(window.grab().save(path));
        }
    }
    auto* downloads = qobject_cast<PrefsDownloadsVC*>(window.findChild<PrefsDownloadsVC*>());
    ASSERT_NE(downloads, nullptr);
    EXPECT_EQ(downloads->subPages()->currentVCTag(), PrefsDownloadsVC::kSubPageAdvanced);
    window.close();
}
