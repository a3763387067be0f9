#include "posting/YencEncodeController.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "posting/Yenc.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include <QDateTime>
#include <QFile>
#include <QUuid>

namespace {

bool isPartReady(const Queue& part)
{
    const qint64 status = part.status();
    return status == FilePartStatus::QueuedForUpload || status == FilePartStatus::Uploading;
}

qint64 decimalDigits(qint64 n)
{
    qint64 digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

} // namespace

YencEncodeController::YencEncodeController()
    : clock_([] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; })
{}

YencEncodeController::~YencEncodeController() = default;

QueueController* YencEncodeController::queuecontroller() const
{
    QMutexLocker locker(&lock_);
    return queuecontroller_.data();
}

void YencEncodeController::setQueuecontroller(QueueController* controller)
{
    QMutexLocker locker(&lock_);
    queuecontroller_ = controller;
}

void YencEncodeController::setClock(std::function<double()> clock)
{
    QMutexLocker locker(&lock_);
    clock_ = std::move(clock);
}

void YencEncodeController::setReadHook(std::function<void(const SegmentPtr&)> hook)
{
    QMutexLocker locker(&fileLock_);
    readHook_ = std::move(hook);
}

QString YencEncodeController::currentOpenFilePath() const
{
    QMutexLocker locker(&fileLock_);
    return currentOpenFilePath_;
}

bool YencEncodeController::hasOpenFile() const
{
    QMutexLocker locker(&fileLock_);
    return file_ != nullptr;
}

SegmentPtr YencEncodeController::getNextSegmentForQueue(const QueuePtr& job)
{
    const Booking booking = bookNextSegmentForQueue(job);
    if (!booking) {
        closeFileIfIdle();
        return nullptr;
    }
    if (!encodeBookedSegment(booking)) {
        readFailed(booking.segment, booking.job);
        return nullptr;
    }
    return booking.segment;
}

YencEncodeController::Booking YencEncodeController::bookNextSegmentForQueue(const QueuePtr& job)
{
    QMutexLocker locker(&lock_);
    SegmentPtr segment = nextAvailableSegment(job);
    if (!segment) return {};
    return Booking{std::move(segment), job, booked_.fetch_add(1)};
}

bool YencEncodeController::encodeBookedSegment(const Booking& booking)
{
    if (!booking) return false;
    QMutexLocker locker(&fileLock_);
    while (served_.load() != booking.turn)
        turnServed_.wait(&fileLock_);
    const bool encoded = readAndEncode(booking.segment, booking.job);
    served_.fetch_add(1);
    turnServed_.wakeAll();
    return encoded;
}

void YencEncodeController::closeFileIfIdle()
{
    // A booked segment that waits for its read would only open the file
    // again; checked without the file lock so that a connection never waits
    // for another one's read just to learn this.
    if (served_.load() != booked_.load()) return;
    QMutexLocker locker(&fileLock_);
    if (served_.load() == booked_.load()) closeFileLocked();
}

bool YencEncodeController::readAndEncode(const SegmentPtr& segment, const QueuePtr& job)
{
    const QueuePtr part = segment->filepart() ? segment->filepart() : segment->queue();
    const QString path = part ? part->fileUrl() : QString();
    if (!file_ || currentOpenFilePath_.isEmpty() || currentOpenFilePath_ != path) {
        closeFileLocked();
        BLOG(2, "yEnc encoding - Opening file :: %@", path);
        openFileFor(path);
    }
    if (readHook_) readHook_(segment);
    const std::optional<QByteArray> slice = readDataForSegment(segment);
    if (!slice || slice->isEmpty()) {
        BLOG(2, "yEnc encoding - Error reading data from file :: %@", path);
        return false;
    }
    segment->setFiledata(*slice);
    segment->setBytes(double(slice->size()));
    makeSegmentTitleForSegment(segment);
    makeMidForSegment(segment);
    return part && encode(segment, part, job);
}

SegmentPtr YencEncodeController::nextAvailableSegment(const QueuePtr& job)
{
    if (!job) return nullptr;
    for (auto it = cursors_.begin(); it != cursors_.end();) {
        if (it->job.expired())
            it = cursors_.erase(it);
        else
            ++it;
    }
    Cursor& cursor = cursors_[job.get()];
    if (cursor.job.lock() != job) cursor = Cursor{job, {}, 0, 0};
    if (SegmentPtr found = scan(job, cursor)) return found;
    // Nothing after the cursor: look once from the start, for a segment put
    // back to waiting or a part that became ready after it was passed.
    Cursor fromStart{job, {}, 0, 0};
    SegmentPtr found = scan(job, fromStart);
    if (found) cursor = fromStart;
    return found;
}

SegmentPtr YencEncodeController::scan(const QueuePtr& job, Cursor& cursor)
{
    const QList<QueuePtr> parts = job->fileparts();
    // The list may have been replaced (a restored upload): start over.
    if (cursor.partIndex >= parts.size() ||
        (!cursor.part.expired() && cursor.part.lock() != parts[cursor.partIndex])) {
        cursor.partIndex = 0;
        cursor.segmentIndex = 0;
    }
    for (qsizetype p = cursor.partIndex; p < parts.size(); ++p) {
        const QueuePtr& part = parts[p];
        if (p != cursor.partIndex) cursor.segmentIndex = 0;
        cursor.partIndex = p;
        cursor.part = part;
        if (!part || !isPartReady(*part)) continue;
        const QList<SegmentPtr> segments = part->segments();
        for (qsizetype s = cursor.segmentIndex; s < segments.size(); ++s) {
            const SegmentPtr& segment = segments[s];
            cursor.segmentIndex = s;
            if (segment && segment->replaceStatus(ArticleStatus::Queued, ArticleStatus::Uploading)) {
                cursor.segmentIndex = s + 1;
                return segment;
            }
        }
        cursor.segmentIndex = segments.size();
    }
    return nullptr;
}

bool YencEncodeController::openFileFor(const QString& path)
{
    currentOpenFilePath_ = path;
    auto file = std::make_unique<QFile>(path);
    // A failure is reported by the read that follows.
    if (path.isEmpty() || !file->open(QIODevice::ReadOnly)) return false;
    file_ = std::move(file);
    return true;
}

std::optional<QByteArray> YencEncodeController::readDataForSegment(const SegmentPtr& segment)
{
    if (!segment) return std::nullopt;
    const QueuePtr part = segment->filepart() ? segment->filepart() : segment->queue();
    const QueuePtr job = part ? part->queue() : nullptr;
    const double maxArticleSize = job ? job->maxArticleSize() : 0.0;
    const double position = maxArticleSize * double(segment->segnr() - 1);
    const qint64 offset = position > 0 ? qint64(position) : 0;
    segment->setFileposition(offset);
    if (!file_) {
        BLOG(2, "yEnc encoding - Unable to open file.");
        return std::nullopt;
    }
    if (!(maxArticleSize >= 1)) return std::nullopt;
    const qint64 available = file_->size() - offset;
    const qint64 length = std::min(qint64(maxArticleSize), available);
    if (length <= 0) return std::nullopt;
    std::optional<QByteArray> slice = Yenc::readSlice(*file_, offset, length);
    if (!slice) BLOG(3, "%@ :: %@", file_->errorString(), currentOpenFilePath_);
    return slice;
}

void YencEncodeController::makeSegmentTitleForSegment(const SegmentPtr& segment)
{
    const QueuePtr part = segment->filepart() ? segment->filepart() : segment->queue();
    const QueuePtr job = part ? part->queue() : nullptr;
    if (!part || !job) return;
    const QList<QueuePtr> parts = job->fileparts();
    const qint64 n = parts.size();
    const qint64 i = parts.indexOf(part);
    QString counter;
    if (n >= 2) counter = sformat(u"[%0*ld/%ld] - ", int(decimalDigits(n)), i + 1, n);
    // A subject is one header line: no control character of a title or a
    // file name may end it or start another.
    segment->setFilename(sformat(u"%@ - %@\"%@\" yEnc (%ld/%ld)", Yenc::headerSafeText(job->title()), counter,
                                 Yenc::headerSafeText(part->filename()), segment->segnr(),
                                 segment->segtotal()));
}

void YencEncodeController::makeMidForSegment(const SegmentPtr& segment)
{
    segment->setMid(sformat(u"Part%ldof%ld.%@.%@", segment->segnr(), segment->segtotal(), makeMsgIDPrefix(),
                            makeMsgIDSuffix()));
}

QString YencEncodeController::makeMsgIDPrefix() const
{
    double now;
    {
        QMutexLocker locker(&lock_);
        now = clock_();
    }
    QString time = sformat(u"%f", now / 10.0);
    time.remove(QLatin1Char('.'));
    if (time.size() >= 11) time = time.right(10);
    QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    uuid.remove(QLatin1Char('-'));
    return sformat(u"%@@%@", time, uuid).toLower();
}

QString YencEncodeController::makeMsgIDSuffix() const
{
    return QStringLiteral("local");
}

void YencEncodeController::closeFile()
{
    QMutexLocker locker(&fileLock_);
    closeFileLocked();
}

void YencEncodeController::closeFileLocked()
{
    if (!file_) return;
    BLOG(2, "yEnc encoding - Closing file :: %@", currentOpenFilePath_);
    file_->close();
    file_.reset();
}

bool YencEncodeController::encode(const SegmentPtr& segment, const QueuePtr& part, const QueuePtr& job)
{
    const QByteArray slice = segment->filedata();
    if (slice.isEmpty()) return false;
    YencPart info;
    info.segnr = segment->segnr();
    info.segtotal = segment->segtotal();
    info.bytes = qint64(segment->bytes());
    info.filename = part->filename();
    info.fileBytes = file_ ? file_->size() : qint64(part->bytes());
    info.maxArticleSize = job ? job->maxArticleSize() : 0.0;
    if (info.segtotal > 1 && info.segnr == info.segtotal)
        info.crcOfEarlierParts = crcBefore(segment, part, job);
    const std::optional<YencEncoded> encoded = Yenc::encodeSegment(info, slice);
    if (!encoded) return false;
    FileCrc& running = fileCrcs_[part.get()];
    if (running.part.lock() != part) running = FileCrc{part, 1, 0};
    if (running.nextSegnr == info.segnr) {
        running.crc = Yenc::combineCrc(running.crc, encoded->pcrc32, info.bytes);
        running.nextSegnr = info.segnr + 1;
    }
    if (info.segnr == info.segtotal) fileCrcs_.remove(part.get());
    segment->setFiledata(encoded->body);
    return true;
}

std::optional<quint32> YencEncodeController::crcBefore(const SegmentPtr& segment, const QueuePtr& part,
                                                       const QueuePtr& job)
{
    const auto it = fileCrcs_.constFind(part.get());
    if (it != fileCrcs_.cend() && it->part.lock() == part && it->nextSegnr == segment->segnr())
        return it->crc;
    // Articles went out of order (one was posted again): read the file's
    // earlier bytes once, in slices, rather than leave out its CRC.
    if (!file_ || !job) return std::nullopt;
    const qint64 end = qint64(job->maxArticleSize() * double(segment->segnr() - 1));
    quint32 crc = 0;
    constexpr qint64 kChunk = 4 << 20;
    for (qint64 at = 0; at < end; at += kChunk) {
        const std::optional<QByteArray> chunk = Yenc::readSlice(*file_, at, std::min(kChunk, end - at));
        if (!chunk) return std::nullopt;
        crc = Yenc::combineCrc(crc, Yenc::crc32(*chunk), chunk->size());
    }
    return crc;
}

void YencEncodeController::readFailed(const SegmentPtr& segment, const QueuePtr& job)
{
    if (!segment) return;
    segment->setFiledata(QByteArray());
    segment->setFilename(QString());
    segment->setMid(QString());
    if (segment->addFetchFailure() >= kMaxReadTries) {
        // Leaves the segment booked as in progress: the job has stopped.
        const QueuePtr part = segment->filepart() ? segment->filepart() : segment->queue();
        BLOG(3, "yEnc encoding - Error reading data from file :: %@", part ? part->fileUrl() : QString());
        if (job) job->setStatus(UploadStatus::EncodingError);
        return;
    }
    segment->replaceStatus(ArticleStatus::Uploading, ArticleStatus::Queued);
}
