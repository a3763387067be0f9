#include "search/WatchdogController.h"

#include "core/DialogBoxes.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "search/DeepLookupConsole.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

namespace {

const QString kDidStartGUI = QStringLiteral("ApplicationDidStartGUI");
const QString kMakeFromQuery = QStringLiteral("MakeWatchdogFromDeepLookupObjectNotification");
constexpr const char* kUpdateHistory = "UpdateHistoryTableviewForWatchdogNotification";
constexpr const char* kUpdateLog = "UpdateLogTableviewForWatchdogNotification";

enum LogType { LogFailed = 1, LogAdded = 2, LogRemoved = 3, LogSearched = 4, LogEdited = 5 };

QList<qint64> tagsOf(const QList<WatchdogPtr>& entries)
{
    QList<qint64> tags;
    for (const WatchdogPtr& w : entries)
        if (w) tags.append(w->tag());
    return tags;
}

} // namespace

WatchdogController::WatchdogController(Clock clock, QObject* parent)
    : QObject(parent), clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentSecsSinceEpoch(); }))
{
    watchdogTimer_.setSingleShot(true);
    connect(&watchdogTimer_, &QTimer::timeout, this, &WatchdogController::watchdogTimerFired);
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(kDidStartGUI, this, [this](const Notification&) { applicationDidStartGUI(); });
    hub.addObserver(kMakeFromQuery, this, [this](const Notification& n) {
        makeWatchdogFromDeepLookupObject(n.userInfo.value(QStringLiteral("deeplookupobject")).value<DeepLookupObjectPtr>());
    });
    dbLoadAllWatchdogEntries();
    dbLoadAllWatchdogHistoryEntries();
}

WatchdogController::~WatchdogController()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

// ---- Start-up

void WatchdogController::applicationDidStartGUI()
{
    if (appIsRunning_) return;
    watchdogSearchController_ = std::make_unique<WatchdogSearchController>();
    watchdogSearchController_->setDelegate(this);
    appIsRunning_ = true;
    resetWatchdogQueue();
    NotificationHub::defaultCenter().addObserver(QString::fromLatin1(Watchdog::kUpdateQueueNotification), this,
                                                 [this](const Notification&) { scheduleQueueReset(); });
}

// ---- Entries

WatchdogPtr WatchdogController::createObject()
{
    WatchdogPtr entry = Watchdog::create(clock_);
    entry->setAlias(sformat(u"Watchdog entry #%ld", qint64(watchdogArray_.size() + 1)));
    entry->setIsNewObject(true);
    return entry;
}

void WatchdogController::addEntry(const WatchdogPtr& entry)
{
    if (!entry) return;
    watchdogArray_.append(entry);
    Q_EMIT watchdogArrayChanged();
    createLogObjectForWatchdog(entry, 0, 0, LogAdded);
}

void WatchdogController::moveEntry(qsizetype from, qsizetype to)
{
    if (from < 0 || from >= watchdogArray_.size() || to < 0 || to >= watchdogArray_.size() || from == to) return;
    watchdogArray_.move(from, to);
    Q_EMIT watchdogArrayChanged();
}

void WatchdogController::removeEntries(const QList<WatchdogPtr>& entries)
{
    for (const WatchdogPtr& w : entries) watchdogArray_.removeAll(w);
    Q_EMIT watchdogArrayChanged();
    for (const WatchdogPtr& w : entries) createLogObjectForWatchdog(w, 0, 0, LogRemoved);
    const QList<qint64> tags = tagsOf(entries);
    if (!tags.isEmpty()) {
        watchdogDB().removeEntriesWithTags(tags);
        watchdogHistoryDB().removeHistoryForWatchdogTags(tags);
    }
    resetWatchdogQueue();
}

void WatchdogController::searchNowRequest(const QList<WatchdogPtr>& entries)
{
    for (const WatchdogPtr& w : entries) {
        if (!w || !w->active()) continue;
        if (w->interval() == 0) w->setManualScan(true);
        w->setNextsearch(now());
    }
}

void WatchdogController::makeWatchdogFromDeepLookupObject(const DeepLookupObjectPtr& query)
{
    if (!query) return;
    UserDefaults& defaults = UserDefaults::standard();
    const QString askKey = QStringLiteral("showDialogMakeWatchdogFromDeepLookupObject");
    if (defaults.boolForKey(askKey)) {
        const int answer = DialogBoxes::alertBoxYesNoWithNotShowAgain(
            QStringLiteral("Create a Watchdog entry using this search query?"),
            QStringLiteral("The new Watchdog entry will automatically download content based on the search query "
                           "in this DeepLookup object.\n\nIf the search query is not accurate then a lot of "
                           "unwanted content will be downloaded.\n"),
            false);
        if (answer == 1) return;
        if (answer == 2) defaults.setBool(false, askKey);
    }
    const WatchdogPtr entry = createObject();
    const DeepLookupObjectPtr& q = entry->dpobject();
    if (query->alias()) entry->setAlias(*query->alias());
    if (query->title()) q->setTitle(query->title());
    if (query->poster()) q->setPoster(query->poster());
    if (query->group()) q->setGroup(query->group());
    if (query->minsize()) q->setMinsize(query->minsize());
    if (query->maxsize()) q->setMaxsize(query->maxsize());
    entry->setEro(query->ero().value_or(QString()).toLongLong() != 0);
    entry->setExcludePwdFiles(true);
    entry->setAction(1);
    showWatchdogEditWindow(entry);
}

void WatchdogController::showWatchdogEditWindow(const WatchdogPtr& entry)
{
    if (!editWindowPresenter_) {
        BLOG(3, "The Watchdog editor is not available.");
        return;
    }
    editWindowPresenter_(entry ? entry : createObject());
}

void WatchdogController::watchdogWindowWillClose(const WatchdogPtr& entry)
{
    if (!entry) return;
    const bool wasNew = entry->isNewObject();
    UserDefaults& defaults = UserDefaults::standard();
    const QString key = QStringLiteral("showDialogNewWatchdogCreated");
    const bool tell = defaults.boolForKey(key);
    entry->setIsNewObject(false);
    if (wasNew && tell &&
        DialogBoxes::alertBoxDefaultWithNotShowAgain(
            QStringLiteral("Watchdog entry is created"),
            QStringLiteral("All new content that is posted from now on and matches the search query will be "
                           "automatically queued for download.\n\nPlease note that articles posted prior to the "
                           "creation of this Watchdog entry will not be matched.\n")))
        defaults.setBool(false, key);
}

// ---- History and log

void WatchdogController::createHistoryObjectWithQueue(const QueuePtr& job, const WatchdogPtr& entry)
{
    if (!job || !entry || job->title().isEmpty() || job->qid().isEmpty()) return;
    WatchdogHistoryObj row;
    row.tag = now() * 10000000;
    row.title = job->title();
    row.date = now();
    row.filedate = job->date();
    row.watchdogid = entry->tag();
    row.bytesString = Utils::formatBytes(job->bytes());
    row.qid = job->qid();
    entry->history().prepend(row);
}

void WatchdogController::truncateHistoryForWatchdog(const WatchdogPtr& entry)
{
    if (entry && entry->history().size() > kHistoryLimit) entry->history().resize(kHistoryLimit);
}

void WatchdogController::removeHistoryEntries(const QList<qsizetype>& rows, const WatchdogPtr& entry)
{
    if (!entry) return;
    QList<qsizetype> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (qsizetype i : sorted)
        if (i >= 0 && i < entry->history().size()) entry->history().removeAt(i);
    postForEntry(kUpdateHistory, entry);
    dbSaveHistoryForWatchdog(entry);
}

void WatchdogController::createLogObjectForWatchdog(const WatchdogPtr& entry, qint64 matches, qint64 bytes,
                                                    int logtype, const QString& reason)
{
    if (!entry) return;
    WatchdogLogObj line;
    line.tag = now() * 10000000;
    line.watchdog = entry;
    line.dateString = Utils::unixTimeToDate(now(), true);
    switch (logtype) {
    case LogFailed:
        line.actionString =
            reason.isEmpty() ? QStringLiteral("* FAILED *") : sformat(u"* FAILED * %@", reason);
        break;
    case LogAdded:
        line.actionString = QStringLiteral("Added new entry");
        break;
    case LogRemoved:
        line.actionString = QStringLiteral("Removed entry");
        break;
    case LogSearched:
        line.matchesString = sformat(u"%ld", matches);
        if (matches < 1) {
            line.actionString = QStringLiteral("No matches found");
        } else {
            line.bytesString = Utils::formatBytes(double(bytes));
            line.actionString =
                entry->action() == 1 ? QStringLiteral("Queued to download") : QStringLiteral("Queued and paused");
        }
        break;
    case LogEdited:
        line.actionString = QStringLiteral("Edited entry");
        break;
    default:
        break;
    }
    watchdogLogArray_.prepend(line);
    postForEntry(kUpdateLog, entry);
}

void WatchdogController::clearWatchdogLog()
{
    watchdogLogArray_.clear();
    postForEntry(kUpdateLog, nullptr);
}

void WatchdogController::postForEntry(const char* name, const WatchdogPtr& entry)
{
    QVariantMap info;
    if (entry) info.insert(QStringLiteral("watchdog"), QVariant::fromValue(entry));
    NotificationHub::defaultCenter().post(QString::fromLatin1(name), this, info);
}

// ---- Stores

DBWatchdog& WatchdogController::watchdogDB()
{
    if (!watchdogDB_) watchdogDB_ = std::make_unique<DBWatchdog>();
    return *watchdogDB_;
}

DBWatchdogHistory& WatchdogController::watchdogHistoryDB()
{
    if (!watchdogHistoryDB_) watchdogHistoryDB_ = std::make_unique<DBWatchdogHistory>();
    return *watchdogHistoryDB_;
}

bool WatchdogController::dbSaveAllWatchdogEntries()
{
    return watchdogDB().saveAll(watchdogArray_);
}

void WatchdogController::dbLoadAllWatchdogEntries()
{
    watchdogArray_ = watchdogDB().loadAll(clock_);
    Q_EMIT watchdogArrayChanged();
}

void WatchdogController::dbLoadAllWatchdogHistoryEntries()
{
    watchdogHistoryDB().loadHistoryForWatchdogs(watchdogArray_);
}

bool WatchdogController::dbSaveHistoryForWatchdog(const WatchdogPtr& entry)
{
    return entry && watchdogHistoryDB().saveHistoryForWatchdog(*entry);
}

bool WatchdogController::updateDBEntry(const WatchdogPtr& entry)
{
    if (!entry) return false;
    const bool stored = watchdogDB().updateEntry(*entry);
    createLogObjectForWatchdog(entry, 0, 0, LogEdited);
    return stored;
}

void WatchdogController::dbOptimizeWatchdogHistory()
{
    watchdogHistoryDB().optimizeHistory();
}

// ---- Schedule

void WatchdogController::scheduleQueueReset()
{
    // Many entries change in one turn (a load, a search's end): the
    // schedule is rebuilt once, after them.
    if (resetPending_) return;
    resetPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            resetPending_ = false;
            resetWatchdogQueue();
        },
        Qt::QueuedConnection);
}

void WatchdogController::resetWatchdogQueue()
{
    if (!appIsRunning_) return;
    ++resetCount_;
    const qint64 t = now();
    QList<WatchdogPtr> sorted = watchdogArray_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const WatchdogPtr& a, const WatchdogPtr& b) { return a->nextsearch() < b->nextsearch(); });
    watchdogQueue_.clear();
    for (const WatchdogPtr& w : sorted) {
        if (!w->active()) continue;
        if (w->interval() == 0 && !w->manualScan()) continue;
        // The entry being searched is not waiting for a turn.
        if (w->status() == Watchdog::Searching) continue;
        if (w->nextsearch() <= t) w->setStatus(Watchdog::Queued);
        watchdogQueue_.append(w);
    }
    stopWatchdogTimer();
    startWatchdogTimer();
}

std::optional<WatchdogController::NextJob> WatchdogController::getNextJob() const
{
    if (watchdogQueue_.isEmpty()) return std::nullopt;
    const WatchdogPtr& first = watchdogQueue_.first();
    if (first->nextsearch() <= 0) return std::nullopt;
    const qint64 gap = first->nextsearch() - lastSearchTimeStamp_;
    const qint64 extra = gap < kSearchGapSeconds ? kSearchGapSeconds - gap : 0;
    return NextJob{first, std::max<qint64>(0, first->nextsearch() - now() + extra)};
}

void WatchdogController::startWatchdogTimer()
{
    const std::optional<NextJob> next = getNextJob();
    if (!next || !next->entry || next->delay == std::numeric_limits<qint64>::max()) return;
    armedSeconds_ = std::min(next->delay, kLongestArmSeconds);
    watchdogTimer_.start(int(armedSeconds_ * 1000));
}

void WatchdogController::stopWatchdogTimer()
{
    watchdogTimer_.stop();
    armedSeconds_ = 0;
}

void WatchdogController::watchdogTimerFired()
{
    // The timer may fire late (a suspend) or early for a long wait (armed
    // for a bounded span): the clock decides.
    const std::optional<NextJob> next = getNextJob();
    if (!next) return;
    if (next->delay > 0) {
        startWatchdogTimer();
        return;
    }
    startSearchFor(next->entry);
}

void WatchdogController::startSearchFor(const WatchdogPtr& entry)
{
    if (!entry) return;
    if (isSearching_) {
        entry->setStatus(Watchdog::Queued);
        return;
    }
    isSearching_ = true;
    lastSearchTimeStamp_ = now();
    entry->setStatus(Watchdog::Searching);
    if (!watchdogSearchController_ || !watchdogSearchController_->searchFor(entry)) endWithoutResult(entry);
}

void WatchdogController::searchFinishedForWatchdog(const WatchdogPtr& entry)
{
    entry->setStatus(Watchdog::Idle);
    lastSearchTimeStamp_ = now();
    isSearching_ = false;
    if (entry->interval() == 0) entry->setManualScan(false);
}

// ---- Results

void WatchdogController::searchResults(const WatchdogSearchContentParser::Result& result, const WatchdogPtr& entry)
{
    if (!entry) return;
    if (result.error) {
        deepLookupConsole(u"%s ERROR: %@", "[WatchdogController searchResults]", *result.error);
        BLOG(3, "Watchdog %@ error :: %@", entry->alias(), *result.error);
    }
    const QList<QueuePtr> jobs = result.contentArray.value_or(QList<QueuePtr>());
    const qint64 matches = jobs.size();
    qint64 bytes = 0;
    for (const QueuePtr& job : jobs) {
        if (job->fileparts().isEmpty()) continue;
        if (entry->action() == 0) job->setIsPaused(true);
        if (queueController_) queueController_->addWatchdogObjectToQueue(job);
        entry->setLastmatch(now());
        createHistoryObjectWithQueue(job, entry);
        bytes += qint64(job->bytes());
    }
    truncateHistoryForWatchdog(entry);
    postForEntry(kUpdateHistory, entry);
    dbSaveHistoryForWatchdog(entry);
    entry->setLastSearchFailed(false);
    searchFinishedForWatchdog(entry);
    createLogObjectForWatchdog(entry, matches, bytes, LogSearched);
    entry->setLastsearch(now());
}

void WatchdogController::searchFailed(const QString& title, const QString& subtitle, const WatchdogPtr& entry)
{
    if (!entry) return;
    if (!title.isEmpty()) {
        deepLookupConsole(u"%s ERROR: %@ - %@ (%@)", "[WatchdogController searchFailed]", title, subtitle,
                          entry->alias());
        BLOG(3, "Watchdog %@ error :: %@", entry->alias(), title);
    }
    entry->setLastSearchFailed(true);
    endWithoutResult(entry);
    createLogObjectForWatchdog(entry, 0, 0, LogFailed, title);
}

void WatchdogController::searchCancelledForObj(const WatchdogPtr& entry)
{
    if (entry) endWithoutResult(entry);
}

void WatchdogController::endWithoutResult(const WatchdogPtr& entry)
{
    // The search window stays where it was: the next try asks again for
    // everything since the last search that succeeded.
    searchFinishedForWatchdog(entry);
    entry->setLastsearch(entry->lastsearch());
    entry->setNextsearch(now() + entry->interval() * 60);
}
