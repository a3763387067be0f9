#include "queue/FODController.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/FileSystemEventStream.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairObject.h"
#include "queue/DBFOD.h"
#include "queue/Queue.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QThread>

#include <sys/stat.h>

namespace {

// Diagnostics of the index go to the system console, not to the log.
const QLoggingCategory& fodConsoleCategory()
{
    static const QLoggingCategory category("binorama.fod");
    return category;
}

template <typename... Args> void fodConsole(QStringView format, const Args&... args)
{
    qCInfo(fodConsoleCategory).noquote() << sformat(format, args...);
}

constexpr int kEventLatencyMs = 1000;

// Whether anything (a link included) is at `path`.
bool somethingAt(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QString();
    if (slash == 0) return QStringLiteral("/");
    return path.left(slash);
}

QString nameOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString cleaned(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

} // namespace

FODController::FODController(QObject* parent) : QObject(parent)
{
    NotificationHub::defaultCenter().addObserver(
        QStringLiteral("DownloadPathHasBeenChanged"), this,
        [this](const Notification&) { downloadPathHasBeenChanged(); });
    restart();
}

// The event stream is a child object and goes with the controller.
FODController::~FODController() = default;

void FODController::restart()
{
    const QString path = UserDefaults::standard().stringForKey(QStringLiteral("downloadPath"));
    if (path.isEmpty()) {
        BLOG(3, "Download path is nil");
        return;
    }
    {
        QMutexLocker locker(&lock_);
        monitoringURL_ = QDir::cleanPath(path);
        fodlist_.clear();
        listedKeys_.clear();
        loadAllEntries();
    }
    restartFSEvents();
}

void FODController::downloadPathHasBeenChanged()
{
    QMutexLocker locker(&lock_);
    saveAllEntries();
    restart();
}

void FODController::loadAllEntries()
{
    QMutexLocker locker(&lock_);
    if (monitoringURL_.isEmpty()) return;
    // Reading makes no store: a folder without known files carries none.
    if (!somethingAt(monitoringURL_ + QLatin1Char('/') + DBFOD::fileNameForApp())) return;
    DBFOD store(monitoringURL_);
    for (const FODObjectPtr& fod : store.loadall()) {
        if (somethingAt(sformat(u"%@/%@", fod->folder(), fod->filename()))) addFod(fod);
    }
}

bool FODController::saveAllEntries()
{
    QMutexLocker locker(&lock_);
    if (monitoringURL_.isEmpty()) return false;
    DBFOD store(monitoringURL_);
    return store.saveall(uniqueFodsArray());
}

QString FODController::monitoringURL() const
{
    QMutexLocker locker(&lock_);
    return monitoringURL_;
}

QList<FODObjectPtr> FODController::uniqueFodsArray() const
{
    QMutexLocker locker(&lock_);
    QList<FODObjectPtr> out;
    out.reserve(listedKeys_.size());
    QSet<const FODObject*> seen;
    for (const QList<FODObjectPtr>& list : fodlist_) {
        for (const FODObjectPtr& fod : list) {
            if (!seen.contains(fod.get())) {
                seen.insert(fod.get());
                out.append(fod);
            }
        }
    }
    return out;
}

QList<FODObjectPtr> FODController::fodsForKey(const QString& key) const
{
    QMutexLocker locker(&lock_);
    return fodlist_.value(key);
}

QString FODController::makeSafeKeyFromString(const QString& text)
{
    if (text.isNull()) return QString();
    QString key = text;
    return key.replace(QLatin1Char('@'), QLatin1Char('_'));
}

QStringList FODController::keysOf(const FODObject& fod)
{
    QStringList keys;
    auto add = [&keys](const QString& key) {
        if (!key.isEmpty() && !keys.contains(key)) keys.append(key);
    };
    const QString org = fod.orgFilename();
    if (!org.isNull()) {
        const QString orgKey = makeSafeKeyFromString(org);
        add(orgKey);
        const QString currentKey = makeSafeKeyFromString(fod.filename());
        if (currentKey != orgKey) add(currentKey);
    }
    add(fod.fid());
    add(fod.md516k());
    add(fod.md5());
    add(fod.fileID());
    return keys;
}

void FODController::unlistLocked(const FODObject* fod)
{
    const auto it = listedKeys_.find(fod);
    if (it == listedKeys_.end()) return;
    for (const QString& key : *it) {
        auto list = fodlist_.find(key);
        if (list == fodlist_.end()) continue;
        list->removeIf([fod](const FODObjectPtr& f) { return f.get() == fod; });
        // Emptied lists go, so that the map does not grow across runs with
        // the keys of files long gone.
        if (list->isEmpty()) fodlist_.erase(list);
    }
    listedKeys_.erase(it);
}

void FODController::listFirstLocked(const FODObjectPtr& fod)
{
    const QStringList keys = keysOf(*fod);
    for (const QString& key : keys)
        fodlist_[key].prepend(fod);
    listedKeys_.insert(fod.get(), keys);
}

void FODController::addFod(const FODObjectPtr& fod)
{
    if (!fod) return;
    QMutexLocker locker(&lock_);
    unlistLocked(fod.get());
    listFirstLocked(fod);
}

void FODController::reindexFod(const FODObjectPtr& fod)
{
    if (!fod) return;
    QMutexLocker locker(&lock_);
    if (!listedKeys_.contains(fod.get())) return; // not (or no longer) in the index
    unlistLocked(fod.get());
    listFirstLocked(fod);
}

FODObjectPtr FODController::newRecordForFilePart(const QueuePtr& filepart)
{
    FODObjectPtr fod = FODObject::create();
    const QueuePtr job = filepart->queue();
    if (job) {
        fod->setQid(job->qid());
        fod->setFolder(cleaned(job->downloadUrl()));
    }
    fod->setFid(filepart->fid());
    fod->setFilename(filepart->filename());
    fod->setIsPar(filepart->ispar());
    fod->setBytes(filepart->bytes());
    return fod;
}

// A new write replaced whatever file lay at the record's path: the records
// of that file go, so that no count or digest of bytes that are gone is
// found again (also not after a restart, from the store).
void FODController::addInPlaceOfRecordsAtItsPathLocked(const FODObjectPtr& fod)
{
    const QString folder = fod->folder();
    const QString name = fod->filename();
    if (!folder.isEmpty() && !name.isEmpty()) {
        const QList<FODObjectPtr> snapshot = fodlist_.value(makeSafeKeyFromString(name));
        for (const FODObjectPtr& old : snapshot) {
            if (old != fod && old->folder() == folder && old->filename() == name) unlistLocked(old.get());
        }
    }
    addFod(fod);
}

FODObjectPtr FODController::createFodForFilePart(const QueuePtr& filepart)
{
    if (!filepart) return nullptr;
    QMutexLocker locker(&lock_);
    FODObjectPtr fod = newRecordForFilePart(filepart);
    fod->setFileID(QStringLiteral(""));
    fod->setOrgFilename(filepart->orgFilename());
    fod->setMd516k(filepart->md516k());
    fod->setMd5(filepart->md5());
    fod->setSetID(filepart->setID());
    addInPlaceOfRecordsAtItsPathLocked(fod);
    return fod;
}

FODObjectPtr FODController::createFodForRepairChild(const RepairObjectPtr& child, const QueuePtr& filepart)
{
    if (!child || !filepart) return nullptr;
    QMutexLocker locker(&lock_);
    FODObjectPtr fod = newRecordForFilePart(filepart);
    fod->setFileID(child->fileID());
    fod->setMd516k(child->md516k());
    fod->setMd5(child->md5());
    fod->setSetID(child->setID());
    // Not the member's count: that may be of another file. These bytes are
    // counted by the repair bookkeeping.
    fod->setAvailableBlocks(0);
    fod->setOrgFilename(child->filename());
    addInPlaceOfRecordsAtItsPathLocked(fod);
    return fod;
}

FODObjectPtr FODController::createFodForVolPar2FilePart(const QueuePtr& filepart)
{
    if (!filepart) return nullptr;
    QMutexLocker locker(&lock_);
    FODObjectPtr fod = createFodForFilePart(filepart);
    fod->setAvailableBlocks(filepart->repairblocks());
    return fod;
}

FODObjectPtr FODController::createFodForIntactCopy(const RepairObjectPtr& child, const QString& qid,
                                                   const QString& folder)
{
    if (!child) return nullptr;
    QMutexLocker locker(&lock_);
    FODObjectPtr fod = FODObject::create();
    fod->setQid(qid);
    fod->setFileID(child->fileID());
    fod->setFilename(child->filename());
    fod->setOrgFilename(child->filename());
    fod->setMd516k(child->md516k());
    fod->setMd5(child->md5());
    fod->setSetID(child->setID());
    fod->setFolder(cleaned(folder));
    fod->setBytes(double(child->fileSize()));
    fod->setTotalBlocks(child->totalBlocks());
    fod->setAvailableBlocks(child->totalBlocks());
    fod->setCrc32checked(true);
    addInPlaceOfRecordsAtItsPathLocked(fod);
    return fod;
}

void FODController::completeMd5(const QueuePtr& filepart)
{
    if (!filepart) return;
    const QString md5 = filepart->md5();
    const QString head = filepart->md516k();
    if (md5.isEmpty() || head.isEmpty()) return;
    const QueuePtr job = filepart->queue();
    const QString qid = job ? job->qid() : QString();
    QMutexLocker locker(&lock_);
    FODObjectPtr found;
    for (const FODObjectPtr& fod : fodlist_.value(head)) {
        if (!fod->md5().isEmpty() || fod->md516k() != head || fod->qid() != qid ||
            fod->bytes() != filepart->bytes())
            continue;
        if (found && found != fod) return;
        found = fod;
    }
    if (!found) return;
    found->setMd5(md5);
    unlistLocked(found.get());
    listFirstLocked(found);
}

FODObjectPtr FODController::searchFileForFilePart(const QueuePtr& filepart)
{
    if (!filepart) return nullptr;
    QMutexLocker locker(&lock_);
    const QueuePtr job = filepart->queue();
    // The values are taken in this order up to the first one missing.
    const QList<QPair<QString, QString>> values{
        {QStringLiteral("fid"), filepart->fid()},
        {QStringLiteral("md5"), filepart->md5()},
        {QStringLiteral("md516k"), filepart->md516k()},
        {QStringLiteral("filename"), filepart->filename()},
        {QStringLiteral("qid"), job ? job->qid() : QString()},
    };
    QVariantMap wanted;
    for (const auto& [key, value] : values) {
        if (value.isEmpty()) break;
        wanted.insert(key, value);
    }
    return searchFileForDict(wanted);
}

FODObjectPtr FODController::searchJobFileForFilePart(const QueuePtr& filepart)
{
    const QueuePtr job = filepart ? filepart->queue() : nullptr;
    if (!job || job->qid().isEmpty()) return nullptr;
    QVariantMap wanted;
    for (const auto& [key, value] :
         QList<QPair<QString, QString>>{{QStringLiteral("fid"), filepart->fid()},
                                        {QStringLiteral("md5"), filepart->md5()},
                                        {QStringLiteral("md516k"), filepart->md516k()},
                                        {QStringLiteral("filename"), filepart->filename()}}) {
        if (value.isEmpty()) break;
        wanted.insert(key, value);
    }
    wanted.insert(QStringLiteral("qid"), job->qid());
    return searchFileForDict(wanted, Scope::WantedJobOnly);
}

FODObjectPtr FODController::searchFileForDict(const QVariantMap& wanted, Scope scope)
{
    QMutexLocker locker(&lock_);
    auto value = [&wanted](const char* key) { return wanted.value(QLatin1String(key)).toString(); };
    const QString q = value("qid");
    const QString name = value("filename");
    if (scope == Scope::WantedJobOnly && q.isEmpty()) return nullptr;
    auto listFor = [this, scope, &q](const QString& key) {
        QList<FODObjectPtr> list = key.isEmpty() ? QList<FODObjectPtr>() : fodlist_.value(key);
        if (scope == Scope::WantedJobOnly)
            list.removeIf([&q](const FODObjectPtr& fod) { return fod->qid() != q; });
        return list;
    };
    const QList<FODObjectPtr> F = listFor(value("fid"));
    const QList<FODObjectPtr> I = listFor(value("fileID"));
    const QList<FODObjectPtr> M = listFor(value("md5"));
    const QList<FODObjectPtr> K = listFor(value("md516k"));
    const QList<FODObjectPtr> N = listFor(makeSafeKeyFromString(name));
    auto ofJob = [&q](const QList<FODObjectPtr>& list) -> FODObjectPtr {
        if (q.isEmpty()) return nullptr;
        for (const FODObjectPtr& fod : list) {
            if (fod->qid() == q) return fod;
        }
        return nullptr;
    };
    auto choose = [&ofJob](const QList<FODObjectPtr>& list) -> FODObjectPtr {
        return list.size() == 1 ? list.first() : ofJob(list);
    };
    const char* op = "[FODController searchFileForDict]";

    if (I.isEmpty()) {
        if (!F.isEmpty()) return F.first();
    } else {
        FODObjectPtr found = choose(I);
        if (!found && !F.isEmpty()) found = F.first();
        if (found) return found;
        fodConsole(u"%s Multiple fods found on fileID: %@", op, name);
    }
    if (!M.isEmpty()) {
        if (FODObjectPtr found = choose(M)) return found;
        fodConsole(u"%s Multiple fods found on md5: %@", op, name);
    }
    if (!K.isEmpty() && !N.isEmpty()) {
        if (K.size() == 1 && N.size() == 1) return K.first();
        if (FODObjectPtr found = ofJob(K)) return found;
        if (FODObjectPtr found = ofJob(N)) return found;
        fodConsole(u"%s Multiple fods found on md516k and/or filename: %@", op, name);
    }
    if (!K.isEmpty()) {
        if (FODObjectPtr found = choose(K)) return found;
        fodConsole(u"%s Multiple fods found on md516k: %@", op, name);
    }
    if (!N.isEmpty()) {
        if (FODObjectPtr found = choose(N)) return found;
        fodConsole(u"%s Multiple fods found on filename: %@", op, name);
    }
    return nullptr;
}

// What a member is looked up by: its name, file ID and digests, in this
// order up to the first one missing, and the job. A member whose name had
// nothing safe in it has none; it is still looked for by its ID and digests.
QVariantMap FODController::lookupValuesOf(const RepairObjectPtr& child, const QString& qid)
{
    const QList<QPair<QString, QString>> values{
        {QStringLiteral("filename"), child->filename()},
        {QStringLiteral("fileID"), child->fileID()},
        {QStringLiteral("md516k"), child->md516k()},
        {QStringLiteral("md5"), child->md5()},
    };
    QVariantMap wanted;
    for (const auto& [key, value] : values) {
        if (value.isEmpty()) {
            if (key == QLatin1String("filename")) continue;
            break;
        }
        wanted.insert(key, value);
    }
    wanted.insert(QStringLiteral("qid"), qid);
    return wanted;
}

QList<FODObjectPtr> FODController::searchFodsForRepairParent(const RepairObjectPtr& parent)
{
    QList<FODObjectPtr> out;
    if (!parent || parent->qid().isEmpty()) return out;
    QMutexLocker locker(&lock_);
    const QString qid = parent->qid();
    for (const RepairObjectPtr& child : parent->childs()) {
        if (child->isPar()) continue; // a PAR2 file on disk, not a member of the set
        if (FODObjectPtr fod = searchFileForDict(lookupValuesOf(child, qid), Scope::WantedJobOnly))
            out.append(fod);
    }
    return out;
}

QList<FODObjectPtr> FODController::searchOtherJobsFodsForRepairChild(const RepairObjectPtr& child,
                                                                     const QString& qid)
{
    QList<FODObjectPtr> out;
    if (!child || child->isPar()) return out;
    QMutexLocker locker(&lock_);
    for (const QString& key :
         {child->fileID(), child->md5(), child->md516k(), makeSafeKeyFromString(child->filename())}) {
        if (key.isEmpty()) continue;
        for (const FODObjectPtr& fod : fodlist_.value(key)) {
            if (fod->isPar() || fod->qid() == qid || out.contains(fod)) continue;
            out.append(fod);
        }
    }
    return out;
}

QList<FODObjectPtr> FODController::searchVolFodsForRepairParent(const RepairObjectPtr& parent)
{
    QList<FODObjectPtr> out;
    if (!parent) return out;
    QMutexLocker locker(&lock_);
    const QString setID = parent->setID();
    const QString qid = parent->qid();
    if (setID.isEmpty() || qid.isEmpty()) return out;
    for (const FODObjectPtr& fod : uniqueFodsArray()) {
        if (fod->isPar() && fod->availableBlocks() > 0 && fod->setID() == setID && fod->qid() == qid)
            out.append(fod);
    }
    return out;
}

void FODController::renameFod(const QString& oldPath, const QString& newPath)
{
    QMutexLocker locker(&lock_);
    const QString from = cleaned(oldPath);
    const QString to = cleaned(newPath);
    const QString newName = nameOf(to);
    if (newName.isEmpty() || from.isEmpty() || to.isEmpty()) {
        fodConsole(u"%s Unable to rename fod :: %@ => %@", "[FODController renameFod:newpath:]", oldPath,
                   newPath);
        BLOG(3, "Could not rename FOD");
        return;
    }
    const QString oldFolder = folderOf(from);
    const QString newFolder = folderOf(to);
    const QList<FODObjectPtr> snapshot = fodlist_.value(makeSafeKeyFromString(nameOf(from)));
    // Only the records of the file that moved (see removeFod).
    for (const FODObjectPtr& fod : snapshot) {
        if (fod->folder() != oldFolder || fod->filename() != nameOf(from)) continue;
        BLOG(1, "Renaming file :: %@ => %@", oldPath, newPath);
        fod->setFolder(newFolder);
        fod->setFilename(newName);
        reindexFod(fod);
    }
    // A folder that moves takes its files with it: their records would
    // otherwise point at a folder that no longer exists.
    if (QFileInfo(from).isDir() || QFileInfo(to).isDir()) {
        const QString below = from + QLatin1Char('/');
        for (const FODObjectPtr& fod : uniqueFodsArray()) {
            const QString folder = fod->folder();
            if (folder == from)
                fod->setFolder(to);
            else if (folder.startsWith(below))
                fod->setFolder(to + folder.mid(from.size()));
        }
    }
}

void FODController::removeFod(const QString& path)
{
    QMutexLocker locker(&lock_);
    const QString file = cleaned(path);
    const QString folder = folderOf(file);
    const QList<FODObjectPtr> snapshot = fodlist_.value(makeSafeKeyFromString(nameOf(file)));
    // Only the record of this very file: the name key is shared with names
    // that differ by "@" and "_", and with records whose original name this
    // is while their file now has another.
    const QString name = nameOf(file);
    for (const FODObjectPtr& fod : snapshot) {
        if (fod->folder() == folder && fod->filename() == name) removeFodObject(fod);
    }
}

void FODController::removeFodsInFolder(const QString& folder)
{
    QMutexLocker locker(&lock_);
    const QString target = cleaned(folder);
    for (const FODObjectPtr& fod : uniqueFodsArray()) {
        if (fod->folder() == target) removeFod(sformat(u"%@/%@", target, fod->filename()));
    }
}

void FODController::removeFodWithFid(const QString& fid)
{
    if (fid.isEmpty()) return;
    QMutexLocker locker(&lock_);
    const QList<FODObjectPtr> snapshot = fodlist_.value(fid);
    for (const FODObjectPtr& fod : snapshot)
        removeFodObject(fod);
}

void FODController::removeFodObject(const FODObjectPtr& fod)
{
    if (!fod) return;
    QMutexLocker locker(&lock_);
    unlistLocked(fod.get());
}

void FODController::removeMissingFilesLocked()
{
    for (const FODObjectPtr& fod : uniqueFodsArray()) {
        if (!somethingAt(fod->path())) removeFodObject(fod);
    }
}

void FODController::handleRemovals(const QStringList& files, const QStringList& folders, bool eventsWereLost)
{
    QMutexLocker locker(&lock_);
    for (const QString& path : files) {
        if (!somethingAt(path)) removeFod(path);
    }
    for (const QString& path : folders) {
        if (!somethingAt(path)) removeFodsInFolder(path);
    }
    // Events were dropped by the kernel: what went away is unknown, so every
    // record is held against the disk.
    if (eventsWereLost) removeMissingFilesLocked();
}

void FODController::startFSEvents()
{
    if (QThread::currentThread() != thread()) {
        Dispatch::onThreadOf(this, [this] { startFSEvents(); });
        return;
    }
    const QString folder = monitoringURL();
    if (stream_ || folder.isEmpty()) return;
    stream_ = new FileSystemEventStream(
        folder, kEventLatencyMs,
        [this](const QList<FileSystemEventStream::Removal>& removals, bool lost) {
            QStringList files;
            QStringList folders;
            for (const FileSystemEventStream::Removal& r : removals)
                (r.isFolder ? folders : files).append(r.path);
            handleRemovals(files, folders, lost);
        },
        this);
    if (!stream_->start()) {
        delete stream_;
        stream_ = nullptr;
    }
}

void FODController::stopFSEvents()
{
    if (QThread::currentThread() != thread()) {
        Dispatch::onThreadOf(this, [this] { stopFSEvents(); });
        return;
    }
    if (!stream_) return;
    stream_->stop();
    delete stream_;
    stream_ = nullptr;
}

void FODController::restartFSEvents()
{
    if (QThread::currentThread() != thread()) {
        Dispatch::onThreadOf(this, [this] { restartFSEvents(); });
        return;
    }
    stopFSEvents();
    startFSEvents();
}

bool FODController::isWatching() const
{
    return stream_ && stream_->isRunning();
}
