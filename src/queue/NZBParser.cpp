#include "queue/NZBParser.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "nntp/EncodedWords.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QCodeClass.h"
#include "queue/QueueController.h"
#include "queue/QueueFileUtils.h"
#include "queue/StatusCodes.h"

#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QUuid>
#include <QXmlStreamReader>

#include <algorithm>
#include <limits>

namespace {

bool nameIs(QStringView name, QStringView expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

// A number as the attributes give it: leading blanks, a sign and the digits
// that follow; anything after them is ignored; none gives 0; out-of-range
// values stop at the limits.
qint64 integerValue(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (kMax - digit) / 10) {
            value = kMax;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// An NZB nests four levels deep (nzb, file, segments, segment); a document
// nested far deeper is not one, and following it would only make the
// reader's element stack grow with the file.
constexpr int kMaxDepth = 32;
// Message-ids are at most 250 characters and group names shorter still; a
// longer text inside either is junk that would otherwise be held whole.
constexpr qsizetype kMaxTextLength = 4096;

QString newIdentifier()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The base name of a main PAR2 file: its name without the extension.
QString baseName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// Whether a file belongs to the set named `base`: its name starts with the
// base, any case, and the base ends there (at the end of the name or before
// a character that is neither a letter nor a digit), so that "Show" claims
// "Show.part01.rar" but not "Showtime.rar".
bool belongsToSet(const QString& name, const QString& base)
{
    if (base.isEmpty() || !name.startsWith(base, Qt::CaseInsensitive)) return false;
    return name.size() == base.size() || !name[base.size()].isLetterOrNumber();
}

} // namespace

NZBParser::NZBParser(QueuePtr queue) : queue_(std::move(queue))
{}

NZBParser::~NZBParser() = default;

void NZBParser::setQueueController(QueueController* controller)
{
    queueController_ = controller;
    partDelegate_ = controller;
}

void NZBParser::main()
{
    startParsing();
}

void NZBParser::startParsing()
{
    if (!queue_) return;
    queueArray_.clear();
    filePartArray_.clear();
    segmentArray_.clear();
    const QString path = queue_->nzbFile();
    QString error;
    bool ended = false;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = sformat(u"%@ :: %@", file.errorString(), path);
        } else {
            QXmlStreamReader xml(&file);
            bool aborted = false;
            int depth = 0;
            while (!aborted && !xml.atEnd()) {
                switch (xml.readNext()) {
                case QXmlStreamReader::StartElement:
                    if (++depth > kMaxDepth)
                        xml.raiseError(QStringLiteral("Elements nested more than %1 levels deep.").arg(kMaxDepth));
                    else
                        aborted = !didStartElement(xml);
                    break;
                case QXmlStreamReader::EndElement:
                    --depth;
                    didEndElement(xml.name());
                    break;
                case QXmlStreamReader::Characters:
                    if (inSegment_ || inGroup_) {
                        currentNodeContent_.append(xml.text());
                        if (currentNodeContent_.size() > kMaxTextLength)
                            xml.raiseError(QStringLiteral("A message-id or group name longer than %1 characters.")
                                               .arg(kMaxTextLength));
                    }
                    break;
                case QXmlStreamReader::DTD:
                    // An NZB has no use for entities; refusing them keeps a
                    // few bytes of declarations from expanding into gigabytes.
                    if (!xml.entityDeclarations().isEmpty())
                        xml.raiseError(QStringLiteral("Entity declarations are not accepted in NZB files."));
                    break;
                case QXmlStreamReader::EndDocument:
                    ended = true;
                    break;
                default:
                    break;
                }
            }
            if (aborted)
                ended = false;
            else if (xml.hasError())
                error = sformat(u"%@ (line %ld, column %ld) :: %@", xml.errorString(), xml.lineNumber(),
                                xml.columnNumber(), path);
        }
    }
    // A well-formed document of other elements, or of files without
    // articles, is no download: a job that could never fetch anything would
    // only sit in the queue looking ready.
    if (error.isEmpty() && ended && filePartArray_.isEmpty() && !queue_->isCancelled())
        error = sformat(u"No file with articles in the NZB file (%ld without) :: %@", long(droppedFiles_), path);
    else if (error.isEmpty() && droppedFiles_ > 0)
        BLOG(4, "%ld files without articles left out :: %@", long(droppedFiles_), path);
    // Nothing read from a document that is not well-formed to its end is
    // used: its files may be cut short or come from the junk.
    if (!error.isEmpty()) {
        if (!queue_->isCancelled()) {
            queue_->setIsImporting(false);
            queue_->setStatus(JobStatus::NZBParseError);
            queue_->setCommentTextField(QCodeClass::code2Text(JobStatus::NZBParseError).value_or(QString()));
            BLOG(3, "%@", error);
        }
    } else if (ended) {
        parserDidEndDocument();
    }
    // Whatever became of it, the import is over: a job it left without parts
    // (a parse error, a cancellation) is what it is now.
    queue_->setIsImporting(false);
    if (forceDelete_) FileUtils::deleteNZBFile(path, true);
    clearmem();
}

bool NZBParser::didStartElement(QXmlStreamReader& xml)
{
    const QStringView name = xml.name();
    currentNodeContent_.clear();
    if (nameIs(name, u"file")) {
        if (queue_->isCancelled()) {
            BLOG(2, "Stop due cancellation :: %@", queue_->title());
            return false;
        }
        if (filepart_) {
            xml.raiseError(QStringLiteral("A file element inside another file element."));
            return true;
        }
        segmentArray_ = {};
        // Silent until the job is finalised: a change report per property
        // of every part would reach the main thread by the hundred thousand
        // in one go for a big NZB, and until then no one else sees the part.
        filepart_ = Queue::createWhithoutStartingObservers();
        filepart_->setIsFilepart(true);
        filepart_->setQueue(queue_);
        QString poster;
        QString subject;
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (nameIs(attribute.name(), u"poster"))
                poster = attribute.value().toString();
            else if (nameIs(attribute.name(), u"subject"))
                subject = attribute.value().toString();
        }
        if (queue_->poster().isEmpty()) queue_->setPoster(poster);
        const QString filename = filenameFromSubject(subject);
        filepart_->setFilename(filename);
        filepart_->setFilenameTextField(filename);
        filepart_->setBytes(0.0);
        filepart_->setIspar(FileUtils::checkIfPar2File(filename));
        filepart_->setIsSampleFile(FileUtils::checkIfSampleFile(filename));
        if (filepart_->ispar()) filepart_->setRepairblocks(FileUtils::getRepairBlocks(filename));
    } else if (nameIs(name, u"segment")) {
        // An article outside a file belongs to nothing that could be written.
        if (!filepart_) return true;
        if (segment_) {
            xml.raiseError(QStringLiteral("A segment element inside another segment element."));
            return true;
        }
        segment_ = Segment::create();
        segment_->setQueue(queue_);
        segment_->setFilepart(filepart_);
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (nameIs(attribute.name(), u"bytes"))
                segment_->setBytes(
                    std::clamp(double(integerValue(attribute.value())), 0.0, Segment::kMaxClaimedBytes));
            else if (nameIs(attribute.name(), u"number"))
                segment_->setSegnr(integerValue(attribute.value()));
        }
        segment_->setStatus(ArticleStatus::Queued);
        inSegment_ = true;
    } else if (nameIs(name, u"group")) {
        inGroup_ = true;
    }
    return true;
}

void NZBParser::didEndElement(QStringView name)
{
    if (nameIs(name, u"segment")) {
        if (segment_) {
            if (!currentNodeContent_.isEmpty()) {
                const QByteArray id = QStringView(currentNodeContent_).trimmed().toUtf8();
                QByteArray mid;
                mid.reserve(id.size() + 2);
                mid.append('<').append(id).append('>');
                segment_->setMid(QByteArrayView(mid));
            }
            segmentArray_.append(std::move(segment_));
            segment_.reset();
        }
        inSegment_ = false;
    } else if (nameIs(name, u"file")) {
        if (filepart_ && segmentArray_.isEmpty()) {
            // Nothing of it could ever be fetched.
            ++droppedFiles_;
            filepart_.reset();
        } else if (filepart_) {
            // Ordered by number, each article once: repeated entries would be
            // fetched and counted twice.
            if (filepart_->ispar()) queue_->setHasRepairFiles(true);
            filepart_->setOrderedSegments(std::move(segmentArray_));
            segmentArray_ = {};
            filePartArray_.append(std::move(filepart_));
            filepart_.reset();
        }
    } else if (nameIs(name, u"group")) {
        if (newsgroup_.isEmpty()) newsgroup_ = currentNodeContent_.trimmed();
        inGroup_ = false;
    }
    currentNodeContent_.clear();
}

void NZBParser::parserDidEndDocument()
{
    if (queue_->isCancelled()) return;
    splitNZB();
    finaliseQueue();
    FileUtils::deleteNZBFile(queue_->nzbFile(), forceDelete_);
}

void NZBParser::splitNZB()
{
    QList<QueuePtr> mains;
    for (const QueuePtr& part : filePartArray_) {
        if (part->ispar() && part->repairblocks() == 0) mains.append(part);
    }
    if (mains.size() <= 1) {
        queue_->setFileparts(filePartArray_);
        queueArray_ = {queue_};
        return;
    }

    QStringList bases;
    for (const QueuePtr& main : mains)
        bases.append(baseName(main->filename()));
    // Each file goes to the set of the longest base name it belongs to;
    // files of no set go to the last, the job the file was opened with.
    const qsizetype last = mains.size() - 1;
    QList<QList<QueuePtr>> taken(mains.size());
    for (const QueuePtr& part : filePartArray_) {
        const QString name = part->filename();
        qsizetype best = last;
        qsizetype bestLength = -1;
        for (qsizetype i = 0; i < bases.size(); ++i) {
            if (bases[i].size() > bestLength && belongsToSet(name, bases[i])) {
                best = i;
                bestLength = bases[i].size();
            }
        }
        taken[best].append(part);
    }

    QStringList titles;
    for (qsizetype i = 0; i <= last; ++i) {
        const bool isOpened = i == last;
        // Only a base name equal to an earlier one leaves a set without
        // files (they went to the earlier set).
        if (!isOpened && taken[i].isEmpty()) continue;
        const QueuePtr root = isOpened ? queue_ : Queue::create();
        if (!isOpened) {
            // Admitted below, finalised later.
            root->setIsImporting(true);
            root->setQid(newIdentifier().toUpper());
            for (const QueuePtr& part : taken[i]) {
                part->setQueue(root);
                for (const SegmentPtr& segment : part->segments())
                    segment->setQueue(root);
            }
        }
        root->setHasRepairFiles(true);
        root->setFileparts(taken[i]);
        // Before the hand-over, so that the duplicate test sees an NZB job.
        root->setIsNZB(true);
        queueArray_.append(root);
        titles.append(bases[i]);
    }
    handOverProducedRoots(titles);
}

void NZBParser::handOverProducedRoots(const QList<QString>& titles)
{
    QList<QueuePtr> refused;
    const bool ran = runOnMainThread([&] {
        for (qsizetype i = 0; i < queueArray_.size(); ++i) {
            const QueuePtr& root = queueArray_[i];
            root->setTitle(titles[i]);
            if (root == queue_) continue;
            if (!queueController_ || !queueController_->addNZBRootObjectToQueue(root)) {
                refused.append(root);
                NZBController::reportRefusedDuplicate(root, queue_->nzbFile());
            }
        }
    });
    if (!ran) {
        // The program is going away: only the job already queued is kept.
        queueArray_.removeIf([this](const QueuePtr& root) { return root != queue_; });
        return;
    }
    // A refused job is not in the queue: preparing it would only leave its
    // parts counted where no connection ever looks.
    queueArray_.removeIf([&refused](const QueuePtr& root) { return refused.contains(root); });
}

bool NZBParser::runOnMainThread(std::function<void()> fn)
{
    if (Dispatch::isMainThread()) {
        fn();
        return true;
    }
    enum State { Pending, Running, Abandoned };
    struct Call
    {
        std::atomic<int> state{Pending};
        QSemaphore done;
        std::function<void()> fn;
    };
    auto call = std::make_shared<Call>();
    call->fn = std::move(fn);
    Dispatch::onMain([call] {
        int expected = Pending;
        if (!call->state.compare_exchange_strong(expected, Running)) return;
        call->fn();
        call->done.release();
    });
    for (;;) {
        if (call->done.tryAcquire(1, 20)) return true;
        if (stopWaiting_ && stopWaiting_->load()) {
            int expected = Pending;
            if (call->state.compare_exchange_strong(expected, Abandoned)) return false;
            // The main thread has started it: it finishes soon.
        }
    }
}

void NZBParser::finaliseQueue()
{
    UserDefaults& defaults = UserDefaults::standard();
    const bool ignoreSamples = defaults.boolForKey(QStringLiteral("ignoreSampleFiles"));
    const bool smartPar2 = defaults.boolForKey(QStringLiteral("enableSmartPar2Downloading"));
    for (const QueuePtr& root : std::as_const(queueArray_)) {
        if (!newsgroup_.isEmpty()) root->setGroups(newsgroup_);
        const bool skipSamples = ignoreSamples && !checkIfNZBOnlyContainsSampleFiles(root);
        const bool skipVolumes = smartPar2 && !QueueFileUtils::checkIfSetOnlyContainsRepairFiles(root);
        sortFilePartArray(root);
        const QList<QueuePtr> parts = root->fileparts();
        for (const QueuePtr& part : parts) {
            part->setDelegate(partDelegate_);
            part->setFid(newIdentifier());
            const bool unselected =
                (skipSamples && part->isSampleFile()) || (skipVolumes && part->repairblocks() > 0);
            if (!unselected) {
                part->setCheckbox(1);
                part->setTotalBytesLeft(part->bytes());
                part->setTotalSegments(part->segmentCount());
                // The part's own count; the job's grows when the part is
                // prepared for download.
                part->increaseTotalSegmentsLeftToDownload(part->totalSegments());
                root->addToBytes(part->bytes());
            }
            part->startAllObservers();
        }
        root->setTotalfiles(parts.size());
        if (checkIfEmbeddedNZB(root)) {
            BLOG(1, "Detected embedded NZB file in :: %@", root->title());
            root->setHasEmbeddedNZB(true);
        }
        // Whole now: the save that this status asks for stores it.
        root->setIsImporting(false);
        root->setStatus(JobStatus::NZBParsed);
    }
}

void NZBParser::clearmem()
{
    queueArray_.clear();
    filePartArray_.clear();
    segmentArray_.clear();
    filepart_.reset();
    segment_.reset();
    currentNodeContent_.clear();
    queue_.reset();
}

// ---- Rules

std::optional<QString> NZBParser::filterFilename(const QString& subject)
{
    static const QRegularExpression quoted(QStringLiteral("\"(.+?)\""),
                                           QRegularExpression::DotMatchesEverythingOption);
    std::optional<QString> name;
    for (auto it = quoted.globalMatch(subject); it.hasNext();)
        name = it.next().captured(1);
    return name;
}

QString NZBParser::makeCleanFilename(const QString& subject)
{
    if (subject.isNull()) return QStringLiteral("no_filename_found");
    static const QRegularExpression counters(
        QStringLiteral("\\(\\s*\\d+.*\\d+\\s*\\)|\\[\\s*\\d+.*\\d+\\s*\\]"));
    QList<QRegularExpressionMatch> matches;
    for (auto it = counters.globalMatch(subject); it.hasNext();)
        matches.append(it.next());
    QString name = subject;
    for (auto it = matches.crbegin(); it != matches.crend(); ++it)
        name.remove(it->capturedStart(), it->capturedLength());
    return name;
}

QString NZBParser::filenameFromSubject(const QString& rawSubject)
{
    // A subject copied from the article's header may still be in
    // encoded-words; the name is looked for in what the poster wrote.
    const QString subject = rawSubject.isNull() ? rawSubject : EncodedWords::decode(rawSubject);
    const std::optional<QString> quoted = filterFilename(subject);
    const QString name = quoted ? *quoted : makeCleanFilename(subject);
    // The name becomes a file in the job's folder: one component, never a
    // way out of it.
    return FileUtils::safePathComponent(name, QStringLiteral("no_filename_found"));
}

void NZBParser::sortFilePartArray(const QueuePtr& root)
{
    if (!root) return;
    const QList<QueuePtr> parts = root->fileparts();
    const QList<QueuePtr> mains = QueueFileUtils::getMainRepairFiles(root).value_or(QList<QueuePtr>());
    // No part is selected at import, so these are all the volumes.
    QList<QueuePtr> volumes = QueueFileUtils::getVolRepairFiles(root, false).value_or(QList<QueuePtr>());
    QSet<const Queue*> placed;
    for (const QueuePtr& p : mains)
        placed.insert(p.get());
    volumes.removeIf([&placed](const QueuePtr& p) { return placed.contains(p.get()); });
    for (const QueuePtr& p : volumes)
        placed.insert(p.get());
    QList<QueuePtr> others;
    for (const QueuePtr& p : parts) {
        if (!placed.contains(p.get())) others.append(p);
    }
    const auto byName = [](const QueuePtr& a, const QueuePtr& b) { return a->filename() < b->filename(); };
    std::stable_sort(others.begin(), others.end(), byName);
    std::stable_sort(volumes.begin(), volumes.end(), byName);
    root->setFileparts(mains + others + volumes);
}

bool NZBParser::checkIfNZBOnlyContainsSampleFiles(const QueuePtr& root)
{
    if (!root) return true;
    const QList<QueuePtr> parts = root->fileparts();
    return std::all_of(parts.cbegin(), parts.cend(),
                       [](const QueuePtr& p) { return p->isSampleFile() || p->ispar(); });
}

bool NZBParser::checkIfEmbeddedNZB(const QueuePtr& root)
{
    if (!root) return false;
    const QList<QueuePtr> parts = root->fileparts();
    if (parts.isEmpty()) return false;
    return std::all_of(parts.cbegin(), parts.cend(), [](const QueuePtr& p) {
        const QString name = p->filename();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        return dot > 0 && QStringView(name).mid(dot + 1) == u"nzb";
    });
}
