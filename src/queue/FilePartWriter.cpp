#include "queue/FilePartWriter.h"

#include "codec/DeYenc.h"
#include "codec/NBBase64Decode.h"
#include "codec/NBUUDecode.h"
#include "codec/TextDecode.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/FileContentSource.h"
#include "postprocess/Rar4Info.h"
#include "postprocess/RepairController.h"
#include "queue/FilePartSpool.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <vector>

namespace {

using Decoder = DecodeResult (*)(const DecodeRequest&, DecodeSink&);

// The order in which the decoders are offered a part; the last takes every
// part.
const Decoder kDecoders[] = {
    static_cast<Decoder>(&DeYenc::decodeToFile),
    static_cast<Decoder>(&NBUUDecode::decodeToFile),
    static_cast<Decoder>(&NBBase64Decode::decodeToFile),
    static_cast<Decoder>(&TextDecode::decodeToFile),
};
constexpr int kTextDecoder = 3;

QString withoutLeadingDot(QString name)
{
    if (name.size() > 1 && name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    return name;
}

} // namespace

// The part's article bodies, taken out of its segments for the run: they are
// put back unless the run is done with them (the file is in place, or the
// job was cancelled), so that a failed write can be tried again.
class FilePartWriter::TakenBodies
{
public:
    explicit TakenBodies(const QueuePtr& part) : segments_(part->segments())
    {
        bodies_.reserve(size_t(segments_.size()));
        for (const SegmentPtr& segment : segments_) {
            bodies_.push_back(segment->filedata());
            if (!bodies_.back().isEmpty()) segment->setFiledata(QByteArray());
        }
    }
    ~TakenBodies()
    {
        if (!keep_) return;
        for (size_t i = 0; i < bodies_.size(); ++i)
            if (!bodies_[i].isEmpty()) segments_[qsizetype(i)]->setFiledata(bodies_[i]);
    }
    TakenBodies(const TakenBodies&) = delete;
    TakenBodies& operator=(const TakenBodies&) = delete;

    std::vector<QByteArray>& bodies() { return bodies_; }
    const QList<SegmentPtr>& segments() const { return segments_; }
    bool allEmpty() const
    {
        for (const QByteArray& body : bodies_)
            if (!body.isEmpty()) return false;
        return true;
    }
    // The bodies are no longer needed.
    void release() { keep_ = false; }

private:
    QList<SegmentPtr> segments_;
    std::vector<QByteArray> bodies_;
    bool keep_ = true;
};

EarlySpool::EarlySpool() = default;
EarlySpool::~EarlySpool() = default;

qint64 FilePartWriter::spoolArticle(const QueuePtr& part, const SegmentPtr& segment, EarlySpool& entry)
{
    const QueuePtr job = part ? part->queue() : nullptr;
    if (!job || !segment || job->isCancelled() || part->isCancelled()) return 0;
    if (segment->status() != ArticleStatus::Downloaded || segment->spooled()) return 0;
    QByteArray body = segment->filedata();
    if (body.isEmpty()) return 0;

    FilePartSpool* spool = nullptr;
    qint64 largest = 0;
    {
        QMutexLocker locker(&entry.lock);
        entry.largestBody = std::max(entry.largestBody, qint64(body.size()));
        largest = entry.largestBody;
        // Only bodies that say where they go: a body without "=ypart" is a
        // whole file at offset 0, and any other encoding is decoded in order
        // by the final write.
        if (!DeYenc::checkIfYenc(body) || !body.contains("\r\n=ypart ")) return 0;
        if (!entry.spool) {
            const QString downloadPath =
                UserDefaults::standard().stringForKey(QStringLiteral("downloadPath"));
            int errorCode = 0;
            QString errorText;
            if (FileUtils::doesFolderExists(downloadPath))
                entry.spool = FilePartSpool::create(downloadPath, &errorCode, &errorText);
            if (!entry.spool) {
                // The body stays held; the final write meets the same disk
                // and reports it.
                if (!entry.failureLogged)
                    BLOG(3, "Cannot spool the articles of %@ while they download: %@ (%ld)", part->filename(),
                         errorText.isEmpty() ? downloadPath : errorText, long(errorCode));
                entry.failureLogged = true;
                return 0;
            }
            // Articles come in any order and several at once: the digests
            // follow the written file instead.
            entry.spool->setComputeDigests(false);
        }
        spool = entry.spool.get();
    }

    DecodeRequest request;
    request.bodies = std::span<QByteArray>(&body, 1);
    request.partFilename = part->filename();
    request.jobTitle = job->title();
    request.isCancelled = [job, part] { return job->isCancelled() || part->isCancelled(); };
    request.partBytes = qint64(part->bytes());
    request.largestBodyBefore = largest;
    request.articleCount = part->segmentCount();
    request.releaseBodies = false;
    request.computeCrc32 = false;
    {
        // The first article to get here sets what the others are held to,
        // before any of them is written.
        QMutexLocker locker(&entry.lock);
        if (!entry.yencIdentity) entry.yencIdentity = DeYenc::identityOf(body);
        request.yencIdentity = entry.yencIdentity;
    }
    // Outside the lock: the part's other articles decode meanwhile.
    const DecodeResult result = DeYenc::decodeToFile(request, *spool);

    QMutexLocker locker(&entry.lock);
    // A cancelled part's spool goes with the part.
    if (result.outcome == DecodeOutcome::Cancelled) return 0;
    if (result.outcome == DecodeOutcome::WriteFailed && !entry.failureLogged) {
        BLOG(3, "Cannot spool the articles of %@ while they download: %@ (%ld)", part->filename(),
             spool->errorString(), long(spool->errorCode()));
        entry.failureLogged = true;
    }
    if (result.segments.empty() || !result.segments.front().placed) return 0;
    const DecodedSegment& decoded = result.segments.front();
    if (!decoded.filename.isEmpty()) segment->setFilename(decoded.filename);
    if (decoded.fileposition >= 0) segment->setFileposition(decoded.fileposition);
    entry.segments.insert(segment.get());
    segment->setSpooled(true);
    segment->setFiledata(QByteArray());
    return body.size();
}

FilePartWriter::FilePartWriter(const QueuePtr& filepart, RepairController* repairController,
                               PendingCount pending)
    : filepart_(filepart), repairController_(repairController), pending_(std::move(pending))
{}

FilePartWriter::~FilePartWriter()
{
    // A part that went away (or lost its job) before an outcome was set
    // must not keep the closing window waiting.
    if (!reported_ && pending_) pending_->fetch_sub(1);
}

RepairController* FilePartWriter::repairController() const
{
    return repairController_.data();
}

void FilePartWriter::setEarlySpool(EarlySpoolPtr spool)
{
    earlySpool_ = std::move(spool);
}

EarlySpoolPtr FilePartWriter::takeEarlySpool()
{
    return std::move(earlySpool_);
}

std::unique_ptr<FilePartSpool> FilePartWriter::takeDigestBehind()
{
    return std::move(digestBehind_);
}

void FilePartWriter::main()
{
    isTextFile_ = false;
    const QueuePtr part = filepart();
    if (!part) return;
    const QueuePtr job = part->queue();
    if (job && job->diskNotReady()) {
        diskNOK(QStringLiteral("the disk was not ready for an earlier file"));
        return;
    }
    if (!job || job->isCancelled()) {
        // Nothing is written for a cancelled job.
        earlySpool_.reset();
        changeFilepartStatus(FilePartStatus::WriteFinished);
        return;
    }
    part->setStatus(FilePartStatus::Writing);
    // The outcome is set only once the run has cleaned up after itself (the
    // spool file gone, the articles back in a part that failed), so that
    // whoever acts on it finds the part as it will stay.
    deferring_ = true;
    writeFilePartToDisk();
    deferring_ = false;
    if (!downloadAgainSegments_.isEmpty())
        sendBackForDownload();
    else if (deferredStatus_)
        changeFilepartStatus(*deferredStatus_);
}

void FilePartWriter::sendBackForDownload()
{
    const QueuePtr part = filepart();
    PendingCount pending = reported_ ? PendingCount() : pending_;
    reported_ = true;
    const QList<SegmentPtr> segments = std::move(downloadAgainSegments_);
    downloadAgainSegments_.clear();
    if (!part) {
        if (pending) pending->fetch_sub(1);
        return;
    }
    BLOG(3, "%ld articles of %@ are no longer in its spool; they are downloaded again.",
         long(segments.size()), part->filename());
    Dispatch::onMain([part, segments, pending, handler = downloadAgain_] {
        handler(part, segments);
        if (pending) pending->fetch_sub(1);
    });
}

void FilePartWriter::writeFilePartToDisk()
{
    const QueuePtr part = filepart();
    const QueuePtr job = part ? part->queue() : nullptr;
    if (!job) return;

    TakenBodies taken(part);
    const QList<SegmentPtr>& segments = taken.segments();
    EarlySpool* early =
        earlySpool_ && earlySpool_->spool && !earlySpool_->segments.empty() ? earlySpool_.get() : nullptr;
    // An early spool that holds nothing is as good as none: the run starts a
    // spool of its own, gone again if the write fails.
    if (!early) earlySpool_.reset();
    const auto inEarlySpool = [early](const SegmentPtr& segment) {
        return early && early->segments.count(segment.get()) > 0;
    };
    QList<SegmentPtr> lost;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (segments[i]->spooled() && taken.bodies()[size_t(i)].isEmpty() && !inEarlySpool(segments[i]))
            lost.append(segments[i]);
    }
    if (!lost.isEmpty()) {
        if (downloadAgain_) {
            downloadAgainSegments_ = lost;
            return;
        }
        BLOG(3, "%ld articles of %@ are no longer in its spool.", long(lost.size()), part->filename());
        diskNOK(QStringLiteral("articles are no longer in its spool"));
        return;
    }

    const bool decodedBefore = part->isDecodedAlready();
    if (decodedBefore && taken.allEmpty() && !early) {
        // Decoded once, and nothing is left to decode again.
        decodeError();
        return;
    }

    // The spool lies in the download folder, so that the finished file is
    // renamed into place, not copied.
    const QString downloadPath = UserDefaults::standard().stringForKey(QStringLiteral("downloadPath"));
    if (!FileUtils::doesFolderExists(downloadPath)) {
        BLOG(3, "No access to folder:%@", downloadPath);
        diskNOK(sformat(u"no access to folder %@", downloadPath));
        return;
    }
    std::unique_ptr<FilePartSpool> ownSpool;
    FilePartSpool* spool = early ? early->spool.get() : nullptr;
    if (!spool) {
        int errorCode = 0;
        QString errorText;
        ownSpool = FilePartSpool::create(downloadPath, &errorCode, &errorText);
        if (!ownSpool) {
            reportWriteError(errorCode, errorText);
            diskNOK(errorText);
            return;
        }
        ownSpool->setComputeDigests(part->md516k().isEmpty() || part->md5().isEmpty());
        spool = ownSpool.get();
    }

    DecodeRequest request;
    request.bodies = std::span<QByteArray>(taken.bodies());
    request.partFilename = part->filename();
    request.jobTitle = job->title();
    request.isCancelled = [job] { return job->isCancelled(); };
    request.partBytes = qint64(part->bytes());
    request.largestBodyBefore = early ? early->largestBody : 0;
    if (early) request.yencIdentity = early->yencIdentity;
    request.releaseBodies = false;
    request.computeCrc32 = false;

    DecodeResult result;
    int decoder = 0;
    if (early) {
        // The part is yEnc; what is left of it may be no body at all.
        result = DeYenc::decodeToFile(request, *spool);
        if (result.outcome == DecodeOutcome::NotThisEncoding) result.outcome = DecodeOutcome::Decoded;
    } else {
        for (; decoder <= kTextDecoder; ++decoder) {
            result = kDecoders[decoder](request, *spool);
            if (result.outcome != DecodeOutcome::NotThisEncoding) break;
        }
    }
    switch (result.outcome) {
    case DecodeOutcome::Decoded:
        // Bodies that held nothing (every article missing) decode to no
        // data at all, which is no file.
        if (spool->size() == 0) {
            decodeError();
            return;
        }
        break;
    case DecodeOutcome::Cancelled:
        taken.release();
        earlySpool_.reset();
        changeFilepartStatus(FilePartStatus::WriteFinished);
        return;
    case DecodeOutcome::WriteFailed:
        reportWriteError(spool->errorCode(), spool->errorString());
        diskNOK(spool->errorString());
        return;
    case DecodeOutcome::NotThisEncoding:
        decodeError();
        return;
    }

    // What the decoders found, as they leave it in the segments. An article
    // of another file was left out: its data is missing, for the repair to
    // fill. The part keeps how many of its articles are missing, so that its
    // job knows which of its files must be proven intact.
    qint64 missing = 0;
    for (const SegmentPtr& segment : segments)
        missing += segment->status() == ArticleStatus::Missing ? 1 : 0;
    for (size_t i = 0; i < result.segments.size() && qsizetype(i) < segments.size(); ++i) {
        const DecodedSegment& decoded = result.segments[i];
        if (decoded.foreign) {
            job->incrementTotalMissingArticles();
            ++missing;
        }
        if (!decoded.filename.isEmpty()) segments[qsizetype(i)]->setFilename(decoded.filename);
        if (decoded.placed && decoded.fileposition >= 0)
            segments[qsizetype(i)]->setFileposition(decoded.fileposition);
    }
    part->setTotalMissingArticles(missing);

    QString decodedName = result.filename;
    if (early) {
        // The first segment's name, whichever run decoded it.
        decodedName.clear();
        for (qsizetype i = 0; i < segments.size() && decodedName.isEmpty(); ++i) {
            const bool placedNow = size_t(i) < result.segments.size() && result.segments[size_t(i)].placed;
            if (placedNow || inEarlySpool(segments[i])) decodedName = segments[i]->filename();
        }
    }
    const bool isText = !early && decoder == kTextDecoder;
    isTextFile_ = isText && !part->filename().isEmpty();
    if (!decodedBefore) nameDecodedPart(part, job, isText ? QString() : decodedName, isText);

    // Password probe.
    if (!job->hasPassword() && UserDefaults::standard().boolForKey(QStringLiteral("enablePwdCheck")) &&
        FileUtils::getArchiveTypeFor(spool->leadingBytes(64)) == QLatin1String("rar4")) {
        spool->withMappedData([this](const QByteArray& data) { checkRar4ForPassword(data); });
    }

    if (part->isIncomplete()) part->setFilename(part->filename().toUpper());

    if (part->md516k().isEmpty()) part->setMd516k(spool->md516k());
    // The whole MD5 only when it came with the writes; otherwise it follows
    // the file in place (takeDigestBehind), so that reading the file back
    // does not hold the job up.
    if (part->md5().isEmpty() && spool->digestsReady()) part->setMd5(spool->md5());

    if (RepairController* repair = repairController_.data()) {
        if (part->ispar())
            repair->addAndAnalysePar2FilePart(part, FileContentSource::fromFile(spool->path()));
        else
            repair->setRepairChildObjectForFilepart(part);
    }
    const RepairObjectPtr entry = part->repairObject();
    if (entry && !entry->filename().isEmpty())
        part->setFilename(removeSlashesFromFilename(entry->filename()));

    const QString folder = chooseFolder(job);
    job->setDownloadUrl(folder);
    if (folder.isEmpty()) {
        const QString downloadPath = UserDefaults::standard().stringForKey(QStringLiteral("downloadPath"));
        BLOG(3, "No access to folder:%@", downloadPath);
        diskNOK(sformat(u"no access to folder %@", downloadPath));
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()),
                                            ec);
        if (ec || !QFileInfo(folder).isDir()) {
            BLOG(3, "Error creating folder: %@ (%ld)", QString::fromStdString(ec.message()),
                 long(ec.value()));
            diskNOK(sformat(u"cannot create folder %@: %@", folder, QString::fromStdString(ec.message())));
            return;
        }
    }

    // The name as one component of the folder, whatever it was made from.
    const QString name = FileUtils::safeForeignFileName(part->filename());
    if (name.isEmpty()) {
        showErrorMessage(QStringLiteral("Error: Empty filename:"), QString());
        BLOG(3, "No file name for a file part of: %@", job->title());
        writeNOK(QStringLiteral("no file name"));
        return;
    }
    if (name != part->filename()) part->setFilename(name);
    const QString file = QDir::cleanPath(folder) + QLatin1Char('/') + name;

    if (job->isCancelled()) {
        taken.release();
        earlySpool_.reset();
        changeFilepartStatus(FilePartStatus::WriteFinished);
        return;
    }
    if (!spool->moveTo(file)) {
        reportWriteError(spool->errorCode(), spool->errorString());
        diskNOK(spool->errorString());
        return;
    }
    taken.release();
    if (part->md5().isEmpty()) digestBehind_ = ownSpool ? std::move(ownSpool) : std::move(early->spool);
    earlySpool_.reset();
    for (const SegmentPtr& segment : segments)
        segment->setSpooled(false);
    part->setDecodedFileData(QByteArray());
    writeOK(file);
}

void FilePartWriter::nameDecodedPart(const QueuePtr& part, const QueuePtr& job, const QString& decodedName,
                                     bool isText)
{
    QString name = decodedName;
    if (isText && !part->filename().isEmpty()) {
        const QList<SegmentPtr> segments = part->segments();
        const QString mid = segments.isEmpty() ? QString() : segments.first()->mid();
        const QString base = !part->fid().isEmpty() && !mid.isEmpty() ? job->title() + mid : job->title();
        name = FileUtils::makeUTF8Filename(base) + QStringLiteral(".txt");
        if (UserDefaults::standard().boolForKey(QStringLiteral("executeTextfiles")) && !part->isReplyPost() &&
            !job->isWatchdog())
            part->setExecute(true);
    }
    if (!name.isEmpty()) {
        name = withoutLeadingDot(name);
        part->setOrgFilename(name);
        part->setFilename(name);
    } else {
        const QString own = withoutLeadingDot(part->filename());
        part->setFilename(own);
        part->setOrgFilename(own);
    }
    part->setIsDecodedAlready(true);
}

QString FilePartWriter::chooseFolder(const QueuePtr& job) const
{
    const bool hasSet = job->repairObject() != nullptr;
    const bool titleFolder = job->isNZB() || (job->hasRepairFiles() && hasSet) ||
                             (!job->hasRepairFiles() && !hasSet && job->totalfiles() > 1);
    if (titleFolder) return claimJobFolder(job);
    QString folder = FileUtils::getDownloadFolder(QString(), job->groups());
    if (isTextFile_) folder = FileUtils::getTextDownloadFolder(folder);
    return folder;
}

// A job writes into a folder of its own, never into one that holds another
// job's files (a finished one's among them): the folder of its title, or,
// when that already holds something, the first free alternative of it. Once
// the job has its folder it keeps it. Claimed one job at a time, so that two
// jobs of one title never take the same folder.
QString FilePartWriter::claimJobFolder(const QueuePtr& job)
{
    static QMutex claiming;
    QMutexLocker locker(&claiming);
    // The folders every job shares: the download folder (or its newsgroup
    // folder) and the text folder in it.
    const QString shared = QDir::cleanPath(FileUtils::getDownloadFolder(QString(), job->groups()));
    const QString texts =
        QDir::cleanPath(shared + QLatin1Char('/') +
                        FileUtils::safePathComponent(
                            UserDefaults::standard().stringForKey(QStringLiteral("textFolder")), QString()));
    const QString current = job->downloadUrl().isEmpty() ? QString() : QDir::cleanPath(job->downloadUrl());
    if (!current.isEmpty() && current != shared && current != texts && QFileInfo(current).isDir() &&
        FileUtils::isStrictlyInsideDownloadFolder(current))
        return current;
    QString folder = FileUtils::getDownloadFolder(job->title(), job->groups());
    if (folder.isEmpty()) return folder;
    if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        folder = FileUtils::createFolder(folder, true);
        if (!folder.isEmpty())
            BLOG(1, "The folder of %@ holds other files; writing to :: %@", job->title(), folder);
    }
    if (!folder.isEmpty()) job->setDownloadUrl(folder);
    return folder;
}

void FilePartWriter::reportWriteError(int code, const QString& reason)
{
    showErrorMessage(sformat(u"Write error (%ld)", long(code)), reason);
    BLOG(3, "Write error: %@ (%ld)", reason, long(code));
}

// ---------------------------------------------------------------------------
// Outcomes

void FilePartWriter::writeOK(const QString& file)
{
    const QueuePtr part = filepart();
    if (!part) return;
    const QueuePtr job = part->queue();
    part->setIsDownloaded(true);
    part->setIsPreviouslyDownloaded(true);
    if (RepairController* repair = repairController_.data())
        repair->addFilePartToFod(part, FileContentSource::fromFile(file));
    else
        BLOG(3, "No repair bookkeeping to record: %@", part->filename());
    // The articles go last, once the part is marked written and its record
    // is in the files-on-disk index: a save of the queue that finds them
    // gone stores the part as written, and the index saved with it knows
    // the file.
    if (job && job->isNZB()) part->removeAllSegments();
    changeFilepartStatus(FilePartStatus::WriteFinished);
}

void FilePartWriter::writeNOK(const QString& reason)
{
    const QueuePtr part = filepart();
    if (!part) return;
    BLOG(3, "Write failed for: %@", part->filename());
    part->setFailureReason(reason);
    changeFilepartStatus(FilePartStatus::WriteFailed);
}

void FilePartWriter::diskNOK(const QString& reason)
{
    const QueuePtr part = filepart();
    if (!part) return;
    BLOG(3, "Disk write failure for: %@", part->filename());
    part->setFailureReason(reason);
    changeFilepartStatus(FilePartStatus::WriteFailed);
}

void FilePartWriter::decodeError()
{
    changeFilepartStatus(FilePartStatus::DecodeError);
}

void FilePartWriter::hasPassword()
{
    const QueuePtr part = filepart();
    const QueuePtr job = part ? part->queue() : nullptr;
    if (!job) return;
    Dispatch::onMain([job] {
        if (job->hasPassword()) return;
        job->setPwdDectected(true);
        job->setHasPassword(true);
        job->setIsPaused(true);
        BLOG(1, "Password found in: %@", job->title());
    });
}

bool FilePartWriter::checkRar4ForPassword(const QByteArray& data)
{
    Rar4Info info;
    info.setFiledata(data);
    const bool protectedByPassword = info.isPasswordProtected();
    if (protectedByPassword) hasPassword();
    return protectedByPassword;
}

QString FilePartWriter::removeSlashesFromFilename(const QString& filename)
{
    QString name = filename;
    return name.replace(QLatin1Char('/'), QStringLiteral("2F"));
}

void FilePartWriter::showErrorMessage(const QString& message, const QString& info)
{
    BLOG(3, "%@ - %@", message, info);
}

void FilePartWriter::changeFilepartStatus(qint64 status)
{
    if (deferring_) {
        deferredStatus_ = status;
        return;
    }
    const bool outcome = status == FilePartStatus::WriteFinished || status == FilePartStatus::WriteFailed ||
                         status == FilePartStatus::DecodeError;
    PendingCount pending = outcome && !reported_ ? pending_ : PendingCount();
    if (outcome) reported_ = true;
    const QueuePtr part = filepart();
    if (!part) {
        if (pending) pending->fetch_sub(1);
        return;
    }
    // The count drops only once the status is set, so that whoever waits for
    // it to reach 0 sees every part with its outcome.
    Dispatch::onMain([part, status, pending] {
        part->setStatus(status);
        if (pending) pending->fetch_sub(1);
    });
}

void FilePartWriter::changeQueueStatus(qint64 status)
{
    const QueuePtr part = filepart();
    if (const QueuePtr job = part ? part->queue() : nullptr)
        Dispatch::onMain([job, status] { job->setStatus(status); });
}

void FilePartWriter::diskNotReadyFlag(bool flag)
{
    const QueuePtr part = filepart();
    if (const QueuePtr job = part ? part->queue() : nullptr)
        Dispatch::onMain([job, flag] { job->setDiskNotReady(flag); });
}
