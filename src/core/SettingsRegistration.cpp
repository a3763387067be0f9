#include "core/SettingsRegistration.h"

#include "platform/UserDefaults.h"

#include <QColor>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QVariantMap colors(std::initializer_list<std::pair<const char*, QColor>> entries)
{
    QVariantMap map;
    for (const auto& [key, color] : entries)
        map.insert(QString::fromLatin1(key), color);
    return map;
}

QString standardFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location);
}

} // namespace

SettingsRegistration::Environment SettingsRegistration::currentEnvironment(const QString& appSupportPath)
{
    Environment env;
    env.appSupportPath = appSupportPath;
    env.documentsPath = standardFolder(QStandardPaths::DocumentsLocation);
    env.downloadsPath = standardFolder(QStandardPaths::DownloadLocation);
    env.desktopPath = standardFolder(QStandardPaths::DesktopLocation);
    env.applicationsPath = standardFolder(QStandardPaths::ApplicationsLocation);
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    env.physicalMemoryBytes = pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize) : 0;
    return env;
}

QVariantMap SettingsRegistration::registeredDefaults(const Environment& env)
{
    QVariantMap d;
    auto set = [&d](const char* key, const QVariant& value) { d.insert(QString::fromLatin1(key), value); };
    const QString support = env.appSupportPath;
    const QString web = QString::fromLatin1(kWebHost);

    set("appName", QStringLiteral("Binorama"));
    set("appVersionNr", QStringLiteral(BINORAMA_VERSION));
    set("appBuildNr", QStringLiteral("1"));
    set("appSupportPath", support);
    set("bookMarksFilePath", QDir(support).filePath(QStringLiteral("bookmarks.plist")));
    set("logFilePath", QDir(support).filePath(QStringLiteral("Binorama.log")));
    set("documentPath", env.documentsPath);
    set("applicationPath", env.applicationsPath);
    for (const char* key : {"downloadPath", "moveAfterDownloadPath", "watchFolderPath", "uploadNZBExportPath"})
        set(key, env.downloadsPath);
    set("deepLookupNZBExportPath", env.desktopPath);

    const double gib = double(env.physicalMemoryBytes) / double(1ull << 30);
    set("maxMemLimit", float(gib * 0.5));
    set("maxMemResume", float(gib * 0.25));

    set("tempFolder", QStringLiteral("temp"));
    set("textFolder", QStringLiteral("comments"));
    set("userSignature", QString());
    set("posterName", QStringLiteral("Binorama User"));
    set("posterEmail", QStringLiteral("user@example.com"));
    set("htmlLinkDocumentRootFolder", web + QStringLiteral("/docs/"));
    set("htmlLinkAppNews", web + QStringLiteral("/docs/appnews.html"));
    set("htmlLinkContactus", web + QStringLiteral("/contact/"));
    set("htmlLinkForum", web + QStringLiteral("/forum"));
    set("htmlLinkAgreement", web + QStringLiteral("/terms/"));
    set("htmlLinkPrivacyPolicy", web + QStringLiteral("/privacy/"));

    for (const char* key :
         {"searchFieldsViewState", "enableJoiningFiles", "uppercaseIncompleteFilesNames", "deepLookupNZBExportMerge",
          "uploadMakeNZBFileCheckBox", "enableDeleteNZBToTrash", "deleteSystemDefinedFiles", "deleteUserDefinedFiles",
          "deleteEmptyFolders", "enableFileRepair", "enableSmartPar2Downloading", "enableFileExtract",
          "enableRecursiveExtraction", "enablePwdCheck", "enableCheckForPasswordInNZBTitle",
          "enableFileReverseCorrection", "enableFileObfuscationCorrection", "ignoreSampleFiles",
          "enableSearchTextHighlighting", "enableDownloadHistory", "tagNewArticles", "executeTextfiles",
          "executeDoubleClick", "usePreviewAppForImages", "enableMaxMemLimiter", "enableNotificationMessages",
          "showMegaBytesPerSecond", "enableRowHeightChanging", "closeConnectionsOnExit",
          "statsUseLastWeekWhenStarting", "checkForUpdates", "showDialogDMCAWarning", "showDialogOver3Newsgroups",
          "showDialogClosingApp", "showDialogNextSearchesOnly", "showDialogNewsgroupTypes", "showDialogDoubleClick",
          "showDialogMakeDefaultForNZB", "showDialogRemoveWatchdogEntries",
          "showDialogMakeWatchdogFromDeepLookupObject", "showDialogNewWatchdogCreated",
          "showDialogWatchogSuggestOpenApp", "showDialogNZBExportFinishedSuccessfull"})
        set(key, true);
    for (const char* key :
         {"dpHideObfuscation", "dpHidePwdEntries", "enableBandwidthThrottling", "enableBandwidthThrottlingScheduler",
          "enableUserSignature", "uploadNZBFile", "moveAfterDownload", "enableWatchFolder",
          "enableCheckForRepairFiles", "enableDeleteNZB", "enableDPRowHover", "checkForBetaReleases",
          "checkForAlphaReleases"})
        set(key, false);

    const std::pair<const char*, qint64> integers[] = {
        {"lastUsedMainView", 4},
        {"convertBytesUnit", 1},
        {"lastUsedPrefView", 0},
        {"dpRowHoverDarkness", 20},
        {"queueCleaningTag", 1},
        {"maxSearchFieldHistory", 30},
        {"dpMaxQuoteSize", 2000},
        {"maxSearchHistoryDatabase", 100},
        {"subFolderTypeTag", 0},
        {"maxItemsInDownloadHistory", 5000},
        {"minMissingSegmentsThreshold", 10},
        {"dpResultsPerPage", 1000},
        {"missingPercentNotification", 10},
        {"dpIncompletePercentageThreshold", 0},
        {"dayTag", 3500},
        {"closingWindowDelay", 2},
        {"contentTag", 0},
        {"tcpSocketTimeout", 20},
        {"queueRightPanelVCTag", 1},
        {"tcpBackupIdleTimeout", 10},
        {"searchHistoryVCTag", 1},
        {"statsDataQueryInterval", 10},
        {"indexedNGContentTypeFilter", 0},
        {"statsUsageDisplayType", 1},
        {"statsUsageStartDay", 0},
        {"statsUsageEndDay", 0},
    };
    for (const auto& [key, value] : integers)
        set(key, value);

    set("maxPriorityFileSize", 100000.0);
    set("maxBandwidthThroughPut", 625000.0);
    set("bandLimiterRangeTag", 1.0);
    set("yencMaxArticleSize", 384000.0);
    set("minFreeSpace", 1e10);

    set("dpSearchTextHighlightingDarkness", 10.0f);
    set("saveStateWindowDelay", 1.0f);
    set("logInterval", 1.0f);

    set("StatsBtnColorProperties",
        colors({{"defaultColor", rgb(0.902, 0.902, 0.902)},
                {"processingColor", rgb(0.902, 0.902, 0.902)},
                {"queuedColor", rgb(0.624, 0.671, 0.71)},
                {"downloadingColor", rgb(0.333, 0.737, 0.906)},
                {"uploadingColor", rgb(0.333, 0.737, 0.906)},
                {"joiningColor", rgb(0.678, 0.71, 0.412)},
                {"repairingColor", rgb(0.729, 0.706, 0.447)},
                {"extractingColor", rgb(0.627, 0.71, 0.412)},
                {"downloadedColor", rgb(0.945, 0.984, 1.0)},
                {"finishedColor", rgb(0.49, 0.808, 0.557)},
                {"errorColor", rgb(0.757, 0.518, 0.518)},
                {"warnColor", rgb(0.757, 0.518, 0.518)}}));
    set("DeepLookupRowColorProperties",
        colors({{"newArticleRowColor", rgb(0.71, 0.91, 0.71)},
                {"defaultRowColor", rgb(0.918, 0.961, 0.918)},
                {"selectedRowColor", rgb(0.2, 0.6, 1.0)},
                {"selectedInactiveRowColor", rgb(0.2, 0.6, 1.0)},
                {"processingRowColor", rgb(0.765, 0.973, 0.765)},
                {"queuedRowColor", rgb(0.663, 0.906, 0.663)},
                {"downloadingRowColor", rgb(0.796, 0.925, 0.796)},
                {"repairingRowColor", rgb(0.714, 0.859, 0.906)},
                {"extractingRowColor", rgb(0.714, 0.859, 0.906)},
                {"errorRowColor", rgb(0.969, 0.714, 0.71)},
                {"pausedRowColor", rgb(0.918, 0.918, 0.918)},
                {"downloadedRowColor", rgb(0.867, 0.949, 0.867)},
                {"finishedRowColor", rgb(0.867, 0.949, 0.867)},
                {"incompleteRowColor", rgb(0.902, 0.871, 0.769)},
                {"missingRowColor", rgb(0.969, 0.714, 0.71)}}));
    const QColor queueGrey = rgb(0.902, 0.902, 0.902);
    const QColor queueBlue = rgb(0.447, 0.697, 0.894, 0.2);
    const QColor queueGreen = rgb(0.859, 0.914, 0.863);
    set("QueueRowColorProperties",
        colors({{"defaultRowColor", rgb(0.973, 0.973, 0.973)},
                {"selectedRowColor", rgb(0.271, 0.443, 0.647)},
                {"selectedInactiveRowColor", rgb(0.863, 0.863, 0.863)},
                {"processingRowColor", queueGrey},
                {"queuedRowColor", queueGrey},
                {"downloadingRowColor", queueGrey},
                {"uploadingRowColor", queueGrey},
                {"repairingRowColor", queueBlue},
                {"extractingRowColor", queueBlue},
                {"downloadedRowColor", queueGreen},
                {"finishedRowColor", queueGreen},
                {"errorRowColor", rgb(0.922, 0.855, 0.855)}}));
    set("ProgressBarColorProperties",
        colors({{"downloadingColor", rgb(0.439, 0.635, 0.839)},
                {"uploadingColor", rgb(0.439, 0.635, 0.839)},
                {"repairColor", rgb(0.729, 0.706, 0.447)},
                {"joinColor", rgb(0.678, 0.745, 0.447)},
                {"extractColor", rgb(0.627, 0.71, 0.412)},
                {"pauseColor", rgb(1.0, 0.5, 0.0)},
                {"finishedColor", rgb(0.902, 0.902, 0.902)},
                {"errorColor", rgb(0.63, 0.38, 0.38)}}));
    set("DeepLookupProgressBarColorProperties",
        colors({{"downloadingColor", rgb(0.439, 0.635, 0.839, 0.7)},
                {"repairColor", rgb(0.729, 0.706, 0.447, 0.7)},
                {"extractColor", rgb(0.627, 0.71, 0.412, 0.7)},
                {"finishedColor", rgb(0.902, 0.902, 0.902, 0.7)}}));
    set("Par2InfoRowColorProperties",
        colors({{"defaultRowColor", rgb(0.902, 0.902, 0.902)},
                {"missingRowColor", rgb(0.922, 0.855, 0.855)},
                {"brokenRowColor", rgb(0.902, 0.871, 0.769)},
                {"completeRowColor", rgb(0.859, 0.914, 0.863)},
                {"par2FileRowColor", rgb(0.769, 0.855, 0.902)}}));
    set("FilesRowColorProperties",
        colors({{"defaultRowColor", rgb(0.902, 0.902, 0.902)},
                {"selectedRowColor", rgb(0.271, 0.443, 0.647)},
                {"selectedInactiveRowColor", rgb(0.863, 0.863, 0.863)},
                {"finishedRowColor", rgb(0.859, 0.914, 0.863)},
                {"queuedRowColor", rgb(0.769, 0.855, 0.902)},
                {"progressBarColor", rgb(0.247, 0.576, 0.976)}}));
    return d;
}

void SettingsRegistration::registerDefaults(const QString& appSupportPath)
{
    UserDefaults& defaults = UserDefaults::standard();
    // Values of the platform the program was first written for; kept so that
    // a settings file carries the same keys everywhere.
    defaults.setBool(true, QStringLiteral("NSDisabledDictationMenuItem"));
    defaults.setBool(true, QStringLiteral("NSDisabledCharacterPaletteMenuItem"));
    defaults.setInteger(500, QStringLiteral("NSInitialToolTipDelay"));
    defaults.registerDefaults(registeredDefaults(currentEnvironment(appSupportPath)));
}
