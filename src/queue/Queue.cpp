#include "queue/Queue.h"

#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QCodeClass.h"
#include "queue/StatusCodes.h"

#include <QSet>

#include <algorithm>
#include <chrono>

namespace {

// Row heights of the queue table: with a progress bar, and without.
constexpr double kRowHeightWithBar = 84.0;
constexpr double kRowHeightWithoutBar = 68.0;

QColor colorOf(const char* dictionaryKey, const QString& key)
{
    return UserDefaults::standard().colorForKey(QString::fromLatin1(dictionaryKey), key);
}

template <typename T> T atomicAddNotBelowZero(std::atomic<T>& field, T delta)
{
    T current = field.load();
    T next;
    do {
        next = std::max(current + delta, T(0));
    } while (!field.compare_exchange_weak(current, next));
    return next;
}

} // namespace

// ---- Creation ----

Queue::Queue(Passkey)
{}

Queue::~Queue() = default;

QueuePtr Queue::create()
{
    QueuePtr queue = std::make_shared<Queue>(Passkey{});
    queue->startUpWithObserversEnabled(true);
    return queue;
}

QueuePtr Queue::createWhithoutStartingObservers()
{
    QueuePtr queue = std::make_shared<Queue>(Passkey{});
    queue->startUpWithObserversEnabled(false);
    return queue;
}

void Queue::startUpWithObserversEnabled(bool enabled)
{
    setTitleSuffix(QString(QLatin1String("")));
    setServersToSkip({});
    setFullDownloadBackupServers({});
    setPartDownloadBackupServers({});
    setMissingArticlesOnServer({});
    setShouldChangeRowHeights(UserDefaults::standard().boolForKey(QStringLiteral("enableRowHeightChanging")));
    setShowProgressBarArrayForRootQueue(progressBarCodesForRootQueue());
    setShowProgressBarArrayForFilePart(progressBarCodesForFilepart());
    setColorStatsButton(getStatsBtnColorForKey(QStringLiteral("defaultColor")));
    setColorRowFilesPanel(getFilesPanelRowColorForKey(QStringLiteral("defaultRowColor")));
    setColorProgressBarFilesPanel(getFilesPanelRowColorForKey(QStringLiteral("progressBarColor")));
    setColorProgressBarDeepLookup(QColor(Qt::transparent));
    setColorRowDeepLookup(getDPRowColorForKey(QStringLiteral("defaultRowColor")));
    setRowheight(shouldChangeRowHeights() ? kRowHeightWithoutBar : kRowHeightWithBar);
    setQidnr(makeQidnr());
    if (enabled) startAllObservers();
}

void Queue::startAllObservers()
{
    QMutexLocker locker(&lock_);
    observersRunning_.store(true);
}

void Queue::removeAllObservers()
{
    QMutexLocker locker(&lock_);
    if (!observersRunning_.load()) return;
    observersRunning_.store(false);
}

qint64 Queue::makeQidnr()
{
    using Ticks = std::chrono::duration<qint64, std::ratio<1, 10'000'000>>;
    static std::atomic<qint64> last{0};
    const qint64 now =
        std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch()).count();
    // Items made within one tick, or after the clock stepped back, still get
    // a number of their own.
    qint64 previous = last.load();
    qint64 next;
    do {
        next = std::max(now, previous + 1);
    } while (!last.compare_exchange_weak(previous, next));
    return next;
}

QString Queue::secondsToTime(qint64 seconds)
{
    if (seconds < 1) return QStringLiteral("00:00:00");
    if (seconds >= 3'600'000) return QStringLiteral("99:59:59");
    const quint64 s = quint64(seconds);
    return sformat(u"%02lu:%02lu:%02lu", s / 3600, (s / 60) % 60, s % 60);
}

QColor Queue::getStatsBtnColorForKey(const QString& key)
{
    return colorOf("StatsBtnColorProperties", key);
}

QColor Queue::getFilesPanelRowColorForKey(const QString& key)
{
    return colorOf("FilesRowColorProperties", key);
}

QColor Queue::getDPRowColorForKey(const QString& key)
{
    return colorOf("DeepLookupRowColorProperties", key);
}

QColor Queue::getDPProgressBarColorForKey(const QString& key)
{
    return colorOf("DeepLookupProgressBarColorProperties", key);
}

QList<qint64> Queue::progressBarCodesForRootQueue()
{
    return {JobStatus::Downloading,      JobStatus::Extracting,
            JobStatus::DeepExtracting,   JobStatus::Repairing,
            JobStatus::JoiningFileParts, JobStatus::ScanningForRepair,
            JobStatus::Extracted,        JobStatus::DeepExtractionDone,
            JobStatus::Repaired,         JobStatus::JoiningFilePartsDone,
            UploadStatus::CreatingRar,   UploadStatus::CreatingPar2,
            UploadStatus::Uploading};
}

QList<qint64> Queue::progressBarCodesForFilepart()
{
    return {FilePartStatus::Downloading, FilePartStatus::Extracting, FilePartStatus::Repairing,
            FilePartStatus::Extracted,   FilePartStatus::Repaired,   FilePartStatus::Uploading};
}

// ---- Structure ----

QList<QueuePtr> Queue::fileparts() const
{
    QMutexLocker locker(&lock_);
    return fileparts_;
}

void Queue::setFileparts(const QList<QueuePtr>& fileparts)
{
    QMutexLocker locker(&lock_);
    fileparts_ = fileparts;
}

void Queue::appendFilepart(const QueuePtr& filepart)
{
    QMutexLocker locker(&lock_);
    fileparts_.append(filepart);
}

bool Queue::removeFilepart(const QueuePtr& filepart)
{
    QMutexLocker locker(&lock_);
    return fileparts_.removeOne(filepart);
}

qsizetype Queue::filepartCount() const
{
    QMutexLocker locker(&lock_);
    return fileparts_.size();
}

QList<SegmentPtr> Queue::segments() const
{
    QMutexLocker locker(&lock_);
    return segments_;
}

void Queue::setSegments(const QList<SegmentPtr>& segments)
{
    QMutexLocker locker(&lock_);
    segments_ = segments;
}

void Queue::appendSegment(const SegmentPtr& segment)
{
    QMutexLocker locker(&lock_);
    segments_.append(segment);
}

void Queue::removeAllSegments()
{
    QList<SegmentPtr> dropped;
    QMutexLocker locker(&lock_);
    dropped.swap(segments_);
    locker.unlock();
}

qsizetype Queue::segmentCount() const
{
    QMutexLocker locker(&lock_);
    return segments_.size();
}

qsizetype Queue::setOrderedSegments(QList<SegmentPtr> segments)
{
    // Reposted or repeated <segment> entries would otherwise be fetched twice
    // and counted twice in the sizes, and an NZB listing its articles out of
    // order would be joined out of order by the decoders that concatenate.
    std::stable_sort(segments.begin(), segments.end(), [](const SegmentPtr& a, const SegmentPtr& b) {
        return (a ? a->segnr() : 0) < (b ? b->segnr() : 0);
    });
    QList<SegmentPtr> kept;
    kept.reserve(segments.size());
    QSet<QByteArray> mids;
    mids.reserve(segments.size());
    qint64 lastNumber = 0;
    double bytes = 0.0;
    qsizetype dropped = 0;
    for (SegmentPtr& segment : segments) {
        if (!segment) {
            ++dropped;
            continue;
        }
        const qint64 number = segment->segnr();
        if (number > 0 && number == lastNumber) {
            ++dropped;
            continue;
        }
        const QByteArray mid = segment->midBytes();
        if (!mid.isEmpty()) {
            if (mids.contains(mid)) {
                ++dropped;
                continue;
            }
            mids.insert(mid);
        }
        if (number > 0) lastNumber = number;
        bytes += segment->bytes();
        kept.append(std::move(segment));
    }
    const qint64 count = kept.size();
    {
        QMutexLocker locker(&lock_);
        segments_ = std::move(kept);
    }
    setBytes(std::min(bytes, kMaxTotalBytes));
    setTotalSegments(count);
    return dropped;
}

QueueObjectDelegate* Queue::delegate() const
{
    return liveDelegate();
}

void Queue::setDelegate(QueueObjectDelegate* delegate)
{
    QMutexLocker locker(&lock_);
    delegate_ = delegate;
    delegateToken_ = delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>();
}

QueueObjectDelegate* Queue::liveDelegate() const
{
    QMutexLocker locker(&lock_);
    if (!delegate_ || delegateToken_.expired()) return nullptr;
    return delegate_;
}

// ---- Observed properties ----

void Queue::reportLocked(ObservedKey key, QVariant oldValue, QVariant newValue)
{
    if (!observersRunning_.load()) return;
    QueuePtr self = weak_from_this().lock();
    if (!self) return;
    Dispatch::onMain(
        [self = std::move(self), change = Change{key, std::move(oldValue), std::move(newValue)}] {
            self->handleChange(change);
        });
}

template <typename T> void Queue::assignObserved(ObservedKey key, std::atomic<T>& field, T value)
{
    QMutexLocker locker(&lock_);
    const T old = field.exchange(value);
    reportLocked(key, QVariant::fromValue(old), QVariant::fromValue(value));
}

void Queue::assignObservedText(ObservedKey key, QString& field, const QString& value)
{
    QMutexLocker locker(&lock_);
    QString old = std::exchange(field, value);
    reportLocked(key, std::move(old), value);
}

QString Queue::newtitle() const
{
    QMutexLocker locker(&lock_);
    return newtitle_;
}

void Queue::setNewtitle(const QString& newtitle)
{
    assignObservedText(ObservedKey::newtitle, newtitle_, newtitle);
}

QString Queue::filename() const
{
    QMutexLocker locker(&lock_);
    return filename_;
}

void Queue::setFilename(const QString& filename)
{
    assignObservedText(ObservedKey::filename, filename_, filename);
}

void Queue::setStatus(qint64 status)
{
    assignObserved(ObservedKey::status, status_, status);
}

bool Queue::replaceStatus(qint64 expected, qint64 desired)
{
    QMutexLocker locker(&lock_);
    if (status_.load() != expected) return false;
    status_.store(desired);
    reportLocked(ObservedKey::status, expected, desired);
    return true;
}

void Queue::setIsPaused(bool value)
{
    assignObserved(ObservedKey::isPaused, isPaused_, value);
}

void Queue::setShouldPause(bool value)
{
    assignObserved(ObservedKey::shouldPause, shouldPause_, value);
}

void Queue::setIsMissing(bool value)
{
    assignObserved(ObservedKey::isMissing, isMissing_, value);
}

void Queue::setIsIncomplete(bool value)
{
    assignObserved(ObservedKey::isIncomplete, isIncomplete_, value);
}

void Queue::setIsPreviouslyDownloaded(bool value)
{
    assignObserved(ObservedKey::isPreviouslyDownloaded, isPreviouslyDownloaded_, value);
}

void Queue::setIsNew(bool value)
{
    assignObserved(ObservedKey::isNew, isNew_, value);
}

void Queue::setIsPriority(bool value)
{
    assignObserved(ObservedKey::isPriority, isPriority_, value);
}

void Queue::setProgressBarVisible(bool value)
{
    assignObserved(ObservedKey::progressBarVisible, progressBarVisible_, value);
}

void Queue::setTimeleft(qint64 seconds)
{
    assignObserved(ObservedKey::timeleft, timeleft_, seconds);
}

void Queue::setPercentDownloaded(qint64 value)
{
    assignObserved(ObservedKey::percentDownloaded, percentDownloaded_, value);
}

void Queue::setPercentRepaired(qint64 value)
{
    assignObserved(ObservedKey::percentRepaired, percentRepaired_, value);
}

void Queue::setPercentExtracted(qint64 value)
{
    assignObserved(ObservedKey::percentExtracted, percentExtracted_, value);
}

void Queue::setBlocksRequired(qint64 value)
{
    assignObserved(ObservedKey::blocksRequired, blocksRequired_, value);
}

// ---- Counters ----

double Queue::addToBytes(double delta)
{
    double current = bytes_.load();
    double next;
    do {
        next = std::clamp(current + delta, 0.0, kMaxTotalBytes);
    } while (!bytes_.compare_exchange_weak(current, next));
    return next;
}

qint64 Queue::addToTotalSegments(qint64 delta)
{
    return atomicAddNotBelowZero(totalSegments_, delta);
}

void Queue::setTotalBytesLeft(double value)
{
    assignObserved(ObservedKey::totalBytesLeft, totalBytesLeft_, std::clamp(value, 0.0, kMaxTotalBytes));
}

double Queue::increaseTotalBytesLeft(double amount)
{
    QMutexLocker locker(&lock_);
    const double old = totalBytesLeft_.load();
    const double next = std::clamp(old + amount, 0.0, kMaxTotalBytes);
    totalBytesLeft_.store(next);
    reportLocked(ObservedKey::totalBytesLeft, old, next);
    return next;
}

double Queue::decreaseTotalBytesLeft(double amount)
{
    return increaseTotalBytesLeft(-amount);
}

void Queue::setTotalSegmentsLeftToDownload(qint64 value)
{
    assignObserved(ObservedKey::totalSegmentsLeftToDownload, totalSegmentsLeftToDownload_,
                   std::max<qint64>(value, 0));
}

qint64 Queue::increaseTotalSegmentsLeftToDownload(qint64 count)
{
    QMutexLocker locker(&lock_);
    const qint64 old = totalSegmentsLeftToDownload_.load();
    const qint64 next = std::max<qint64>(old + count, 0);
    totalSegmentsLeftToDownload_.store(next);
    reportLocked(ObservedKey::totalSegmentsLeftToDownload, old, next);
    return next;
}

qint64 Queue::decreaseTotalSegmentsLeftToDownload(qint64 count)
{
    return increaseTotalSegmentsLeftToDownload(-count);
}

void Queue::setTotalMissingArticles(qint64 value)
{
    totalMissingArticles_.store(std::max<qint64>(value, 0));
}

qint64 Queue::incrementTotalMissingArticles()
{
    return atomicAddNotBelowZero<qint64>(totalMissingArticles_, 1);
}

// ---- Server routing ----

bool Queue::appendServerToSkip(const QString& serverID)
{
    QMutexLocker locker(&lock_);
    if (serversToSkip_.contains(serverID)) return false;
    serversToSkip_.append(serverID);
    return true;
}

bool Queue::appendFullDownloadBackupServer(const QString& serverID)
{
    QMutexLocker locker(&lock_);
    if (fullDownloadBackupServers_.contains(serverID)) return false;
    fullDownloadBackupServers_.append(serverID);
    return true;
}

void Queue::appendPartDownloadBackupServer(const PartDownloadBackupServer& entry)
{
    QMutexLocker locker(&lock_);
    partDownloadBackupServers_.append(entry);
}

std::optional<PartDownloadBackupServer> Queue::takeFirstPartDownloadBackupServer()
{
    QMutexLocker locker(&lock_);
    if (partDownloadBackupServers_.isEmpty()) return std::nullopt;
    return partDownloadBackupServers_.takeFirst();
}

qint64 Queue::incrementMissingArticlesOnServer(const QString& serverID)
{
    QMutexLocker locker(&lock_);
    return ++missingArticlesOnServer_[serverID];
}

// ---- Reactions, on the main thread ----

void Queue::handleChange(const Change& change)
{
    switch (change.key) {
    case ObservedKey::status:
        statusChanged(change.oldValue.toLongLong(), change.newValue.toLongLong());
        break;
    case ObservedKey::totalSegmentsLeftToDownload:
        totalSegmentsLeftToDownloadChanged(change.newValue.toLongLong());
        break;
    case ObservedKey::totalBytesLeft:
        setTotalBytesLeftTextField(
            sformat(u"%@ (%@)", Utils::formatBytes(change.newValue.toDouble()), totalBytesTextField()));
        break;
    case ObservedKey::timeleft:
        setTimeLeftTextField(secondsToTime(change.newValue.toLongLong()));
        break;
    case ObservedKey::percentDownloaded:
    case ObservedKey::percentRepaired:
    case ObservedKey::percentExtracted:
        percentChanged(change.newValue.toLongLong());
        break;
    case ObservedKey::progressBarVisible:
        progressBarVisibleChanged(change.newValue.toBool());
        break;
    case ObservedKey::shouldPause:
        if (QueueObjectDelegate* d = liveDelegate()) d->shouldPauseChangedForQueueObject(shared_from_this());
        break;
    case ObservedKey::isPaused:
        if (change.newValue.toBool()) setProgressBarVisible(false);
        if (QueueObjectDelegate* d = liveDelegate()) d->pauseChangedForQueueObject(shared_from_this());
        break;
    case ObservedKey::newtitle:
        setTitleWillChange(!change.newValue.toString().isNull());
        break;
    case ObservedKey::filename: {
        const QString name = change.newValue.toString();
        if (!name.isNull()) setFilenameTextField(name);
        break;
    }
    case ObservedKey::blocksRequired:
        // The scheduler fetches the missing recovery blocks from NeedsMoreRepairBlocks on.
        replaceStatus(JobStatus::NotEnoughRepairBlocks, JobStatus::NeedsMoreRepairBlocks);
        break;
    case ObservedKey::isIncomplete:
    case ObservedKey::isPreviouslyDownloaded:
    case ObservedKey::isMissing:
    case ObservedKey::isNew:
        if (change.newValue.toBool()) updateDPRowColor(status());
        break;
    case ObservedKey::isPriority:
        break;
    }
}

void Queue::statusChanged(qint64 oldValue, qint64 newValue)
{
    updateDPProgressBarColor(newValue);
    updateDPRowColor(newValue);
    updateDPStatusText(newValue);
    if (isFilepart())
        filePartStatusChanged(oldValue, newValue);
    else
        queueStatusChanged(oldValue, newValue);
}

void Queue::queueStatusChanged(qint64 oldValue, qint64 newValue)
{
    setProgressBarVisible(progressBarCodesForRootQueue().contains(newValue));
    if (newValue == JobStatus::Downloading || newValue == UploadStatus::ReadyToUploadNZB ||
        newValue == UploadStatus::Uploading)
        setShowTimeleft(true);
    updateStatsButtonColor(newValue);
    if (QueueObjectDelegate* d = liveDelegate())
        d->statusChangedForQueueObject(shared_from_this(), oldValue, newValue);
}

void Queue::filePartStatusChanged(qint64 oldValue, qint64 newValue)
{
    setProgressBarVisible(progressBarCodesForFilepart().contains(newValue));
    if (QueueObjectDelegate* d = liveDelegate())
        d->statusChangedForFilepart(shared_from_this(), oldValue, newValue);
    switch (newValue) {
    case JobStatus::Idle:
        setColorRowFilesPanel(getFilesPanelRowColorForKey(QStringLiteral("defaultRowColor")));
        break;
    case FilePartStatus::Downloaded:
    case FilePartStatus::Finished:
        setColorRowFilesPanel(getFilesPanelRowColorForKey(QStringLiteral("finishedRowColor")));
        break;
    case FilePartStatus::Queued:
        setColorRowFilesPanel(getFilesPanelRowColorForKey(QStringLiteral("queuedRowColor")));
        break;
    default:
        break;
    }
}

void Queue::totalSegmentsLeftToDownloadChanged(qint64 left)
{
    if (left < 1) {
        if (isFilepart()) {
            if (!replaceStatus(FilePartStatus::Downloading, FilePartStatus::Downloaded))
                replaceStatus(FilePartStatus::Uploading, FilePartStatus::Uploaded);
        } else if (replaceStatus(JobStatus::Downloading, JobStatus::SavingToDisk) ||
                   replaceStatus(UploadStatus::Uploading, UploadStatus::Uploaded)) {
            setShowTimeleft(false);
        }
    }
    // An item without articles has nothing downloaded to show.
    const qint64 total = totalSegments();
    const qint64 percent =
        total > 0 ? Utils::clampToInt64(double(total - left) * (100.0 / double(total))) : 0;
    setPercentDownloaded(percent);
}

void Queue::percentChanged(qint64 percent)
{
    percent = std::clamp<qint64>(percent, 0, 100);
    if (percent != 0 && percent != 100 && percent == progressBarValue()) return;
    setProgressBarValue(percent);
    setProgressBarValueTextField(sformat(u"%ld %%", percent));
    const double left = totalBytesLeft();
    if (left > 0)
        setCompletenessTextField(sformat(u"%@ ~ %ld%%", Utils::formatBytes(left), percent));
    else
        setCompletenessTextField(sformat(u"%ld%%", percent));
}

void Queue::progressBarVisibleChanged(bool visible)
{
    if (!shouldChangeRowHeights()) return;
    setRowheight(visible ? kRowHeightWithBar : kRowHeightWithoutBar);
    NotificationHub::defaultCenter().post(
        QStringLiteral("QueueRowHeightChanged"), nullptr,
        {{QStringLiteral("queueobject"), QVariant::fromValue(shared_from_this())}});
}

void Queue::updateStatsButtonColor(qint64 status)
{
    const char* key = nullptr;
    switch (status) {
    case JobStatus::Downloading:
        key = "downloadingColor";
        break;
    case JobStatus::PrepareJoiningFileParts:
    case JobStatus::QueuedForDownload:
    case UploadStatus::Queued:
        key = "queuedColor";
        break;
    case JobStatus::Repairing:
    case JobStatus::QueuedForRepair:
    case UploadStatus::ReadyToCreatePar2:
    case UploadStatus::CreatingPar2:
        key = "repairingColor";
        break;
    case JobStatus::Extracting:
    case JobStatus::QueuedForExtraction:
    case UploadStatus::ReadyToCreateRar:
    case UploadStatus::CreatingRar:
        key = "extractingColor";
        break;
    case JobStatus::JoiningFileParts:
        key = "joiningColor";
        break;
    case JobStatus::Finished:
    case JobStatus::PartialFinished:
    case UploadStatus::Finished:
        key = "finishedColor";
        break;
    case JobStatus::RepairNotPossible:
    case JobStatus::ExtractingNotPossible:
    case JobStatus::NeedsMoreRepairBlocks:
    case JobStatus::PausedPossiblyIncomplete:
    case JobStatus::CorruptFileOrWrongPassword:
    case JobStatus::NotEnoughRepairBlocks:
    case JobStatus::FilePartFailed:
    case JobStatus::NothingDownloaded:
    case JobStatus::MoveFilesError:
    case UploadStatus::RarCreationError:
    case UploadStatus::Par2CreationError:
    case UploadStatus::EncodingError:
    case UploadStatus::UploadError:
    case UploadStatus::PostingDenied:
        key = "errorColor";
        break;
    case UploadStatus::NoServersAvailable:
    case UploadStatus::NZBCreationError:
        key = "warnColor";
        break;
    case UploadStatus::Uploading:
        key = "uploadingColor";
        break;
    case UploadStatus::AddingToQueue:
        key = "processingColor";
        break;
    default:
        return;
    }
    setColorStatsButton(getStatsBtnColorForKey(QString::fromLatin1(key)));
}

void Queue::updateDPProgressBarColor(qint64 status)
{
    const char* key = nullptr;
    switch (status) {
    case JobStatus::Downloading:
    case FilePartStatus::Downloading:
        key = "downloadingColor";
        break;
    case JobStatus::Repairing:
        key = "repairColor";
        break;
    case JobStatus::Extracting:
        key = "extractColor";
        break;
    case JobStatus::Finished:
    case FilePartStatus::Finished:
        key = "finishedColor";
        break;
    default:
        return;
    }
    setColorProgressBarDeepLookup(getDPProgressBarColorForKey(QString::fromLatin1(key)));
}

void Queue::updateDPRowColor(qint64 status)
{
    const char* key = nullptr;
    if (status == JobStatus::Downloading || status == FilePartStatus::Downloading)
        key = "downloadingRowColor";
    else if (status == JobStatus::Repairing)
        key = "repairingRowColor";
    else if (status == JobStatus::Extracting)
        key = "extractingRowColor";
    else if (status == JobStatus::QueuedForDownload || status == FilePartStatus::Queued)
        key = "queuedRowColor";
    else if (isMissing())
        key = "missingRowColor";
    else if (isIncomplete())
        key = "incompleteRowColor";
    else if (isDownloaded() || isPreviouslyDownloaded())
        key = "downloadedRowColor";
    else if (status == JobStatus::Finished)
        key = "finishedRowColor";
    else if (status == FilePartStatus::Downloaded)
        key = "downloadedRowColor";
    else if (isNew())
        key = "newArticleRowColor";
    else if (status == JobStatus::Idle)
        key = "defaultRowColor";
    else
        return;
    setColorRowDeepLookup(getDPRowColorForKey(QString::fromLatin1(key)));
}

void Queue::updateDPStatusText(qint64 status)
{
    const auto codeText = [status] {
        return QCodeClass::code2Text(status).value_or(QString(QLatin1String("")));
    };
    QString text;
    if (status == JobStatus::QueuedForDownload)
        text = codeText();
    else if (isMissing())
        text = QStringLiteral("Missing");
    else if (status == JobStatus::PartialFinished || status == JobStatus::CorruptFileOrWrongPassword ||
             status == JobStatus::NoNewsServersConfigured || status == JobStatus::NewsServerUnreachable ||
             status == JobStatus::NewsServerAuthError)
        text = codeText();
    else if (status == JobStatus::Finished)
        text = QStringLiteral("Finished");
    else if (isPreviouslyDownloaded())
        text = QStringLiteral("Downloaded");
    else if (status == JobStatus::Idle)
        text = isIncomplete() ? QStringLiteral("Incomplete") : QStringLiteral("OK");
    else
        text = codeText();
    setDpStatusTextField(text);
}
